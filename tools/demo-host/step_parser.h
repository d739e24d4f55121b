#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "automation_object.h"

namespace tarvolk::demo_host {

using automation::ByRefArgument;

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

// The caption of the host's main window.
inline constexpr wchar_t kMainCaption[] = L"Demo-Host";

// nullopt, after naming the bad step on stderr, when one does not parse.
std::optional<std::vector<Step>> ParseSteps(std::span<const std::wstring> words);

}  // namespace tarvolk::demo_host
