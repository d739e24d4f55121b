#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "automation_object.h"

namespace tarvolk::demo_host {

// One step of a host session, as given on the command line:
//   init=TITLE,FILE  enable  disable  configure  term  name  set=CHANNEL,VALUE
//   wait=SECONDS     show=SECONDS,CHANNELS
//   configure=SECONDS  Configure, the dialog closed by the host SECONDS later
//   window           open the host's main window (see HostWindow)
struct CallStep {
  std::wstring method;
  std::vector<ByRefArgument> arguments;
};
struct WaitStep {
  double seconds;
};
struct ShowStep {
  double seconds;
  int channels;
};
struct ConfigureAndCloseStep {
  double seconds;
};
struct WindowStep {};
using Step = std::variant<CallStep, WaitStep, ShowStep, ConfigureAndCloseStep, WindowStep>;

// nullopt, after naming the bad step on stderr, when one does not parse.
std::optional<std::vector<Step>> ParseSteps(std::span<const std::wstring> words);

// Runs the steps in order against a new clsOutputDriver, printing one line
// per call with its start and end time (Unix microseconds) and its outcome.
// A WM_QUIT that arrives while it pumps messages ends the run ("quit TIME").
// Returns false when the driver could not be created.
bool RunSteps(const std::vector<Step>& steps);

}  // namespace tarvolk::demo_host
