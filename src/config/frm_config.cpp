#include "config/frm_config.h"

#include "config/port_name.h"
#include "engine/frm_main.h"
#include "engine/numeric_text.h"
#include "engine/open_sequence.h"
#include "platform/message_box.h"
#include "platform/platform.h"

namespace tarvolk::config {

frmConfig::frmConfig(engine::DriverState& state)
    : state_(state), view_(state.Platform().CreateConfigView(*this)) {}

frmConfig::~frmConfig() = default;

void frmConfig::Show() {
  if (showing_) return;
  showing_ = true;
  struct ShowingReset {
    bool& showing;
    ~ShowingReset() { showing = false; }
  } reset{showing_};
  Load();
  view_->ShowModal();
}

void frmConfig::Load() {
  view_->SetChannelCountText(engine::ToDecimalText(state_.ChannelCount));
  // A stored port beyond the list is shown by name rather than locking the
  // user out of the one place where the port can be repaired.
  const std::uint8_t port = state_.PortNumber;
  if (port >= 1 && port <= kPortListSize) {
    view_->SetSelectedPortIndex(port - 1);
  } else {
    view_->SetPortText(port == 0 ? u"" : PortName(port));
  }
}

bool frmConfig::OnCloseRequest() {
  // Read before a message box, in whose loop the host may take the window away.
  const std::uint8_t port = ChosenPort();
  const bool accepted = AcceptChannelCount();
  // The port is applied even when the count was refused.
  ApplyPort(port);
  return accepted;
}

bool frmConfig::AcceptChannelCount() {
  auto& messages = state_.Platform().MessageBoxes();
  const auto value = engine::ParseNumber(view_->ChannelCountText());
  if (!value) {
    messages.Show(kNotANumberText, kComponentTitle, platform::MessageBox::kExclamation);
    return false;
  }
  const double rounded = engine::RoundHalfToEven(*value);
  if (!(rounded >= 0 && rounded <= engine::DriverState::kMaxChannelCount)) {
    messages.Show(kOutOfRangeText, kComponentTitle, platform::MessageBox::kExclamation);
    return false;
  }
  state_.ChannelCount = static_cast<std::int32_t>(rounded);
  state_.EngineWindow().timSend.SetSendInterval();
  return true;
}

std::uint8_t frmConfig::ChosenPort() const {
  const int selection = view_->SelectedPortIndex();
  // USB adapters usually sit beyond the list; their ports can be typed.
  if (selection < 0) return PortFromText(view_->PortText());
  return static_cast<std::uint8_t>(selection + 1);
}

void frmConfig::ApplyPort(std::uint8_t port) {
  engine::RunPortSteps(state_, engine::kDialogPortFailureText, [&] {
    engine::OpenSerialLinkForDialog(state_, port);
    state_.EngineWindow().timSend.StartSending();
  });
}

}  // namespace tarvolk::config
