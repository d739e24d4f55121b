#include "engine/open_sequence.h"

#include <exception>

#include "engine/driver_state.h"
#include "engine/frm_main.h"
#include "platform/message_box.h"
#include "platform/platform.h"

namespace tarvolk::engine {
namespace {

SerialLink& CloseLinkIfOpen(DriverState& state) {
  SerialLink& link = state.EngineWindow().MSComm1;
  if (link.IsOpen()) link.CloseForOpen();
  return link;
}

}  // namespace

void OpenSerialLinkForEnable(DriverState& state) {
  SerialLink& link = CloseLinkIfOpen(state);
  link.SetPortNumber(state.PortNumber);
  link.SetSettings(kLineSettings);
  link.SetReceiveThreshold(1);
  link.Open();
}

void OpenSerialLinkForDialog(DriverState& state, std::uint8_t chosenPort) {
  SerialLink& link = CloseLinkIfOpen(state);
  state.PortNumber = chosenPort;
  link.SetPortNumber(state.PortNumber);
  link.SetSettings(kLineSettings);
  link.Open();
  link.SetReceiveThreshold(1);
}

bool RunPortSteps(DriverState& state, std::u16string_view failureText,
                  const std::function<void()>& steps) {
  try {
    steps();
    return true;
  } catch (const std::exception&) {
    // Whatever the cause, the user is told the port is busy; nothing reaches the host.
    state.Platform().MessageBoxes().Show(failureText, kPortFailureTitle,
                                         platform::MessageBox::kCritical);
    return false;
  }
}

}  // namespace tarvolk::engine
