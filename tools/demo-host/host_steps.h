#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "automation_object.h"

namespace tarvolk::demo_host {

using automation::AutomationObject;
using automation::ByRefArgument;
using automation::CallOutcome;

// One step of a host session, as given on the command line:
//   init=TITLE,FILE  enable  disable  configure  term  name  set=CHANNEL,VALUE
//   wait=SECONDS     show=SECONDS,CHANNELS
//   configure=SECONDS  Configure, the dialog closed by the host SECONDS later
//   window           open the host's main window "Demo-Host" (see HostWindow)
//   window=CAPTION   open another window of the host, which becomes the active one
//   disable=CAPTION  disable that window, as a host does while one of its own dialogs shows
//   close=CAPTION[,SECONDS]  destroy that window, at once or from a timer SECONDS later
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
struct WindowStep {
  enum Action { kOpen, kDisable, kClose } action;
  std::wstring caption;
  double seconds = 0;
};
using Step = std::variant<CallStep, WaitStep, ShowStep, ConfigureAndCloseStep, WindowStep>;

// nullopt, after naming the bad step on stderr, when one does not parse.
std::optional<std::vector<Step>> ParseSteps(std::span<const std::wstring> words);

// Runs the steps in order against a new clsOutputDriver, printing one line
// per call with its start and end time (Unix microseconds) and its outcome.
// A WM_QUIT that arrives while it pumps messages ends the run ("quit TIME");
// a host window destroyed by a timer or from outside is reported as
// "closed CAPTION TIME".
// Returns false when the driver could not be created.
bool RunSteps(const std::vector<Step>& steps);

}  // namespace tarvolk::demo_host
