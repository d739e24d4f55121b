#include "plugin/cls_output_driver.h"

#include "config/frm_config.h"
#include "engine/automation_error.h"
#include "engine/driver_state.h"
#include "engine/frm_main.h"
#include "engine/open_sequence.h"
#include "platform/platform.h"
#include "plugin/stored_settings.h"

namespace tarvolk::plugin {
namespace {

constexpr std::int32_t kEnabledChannelCount = 10;
constexpr std::int32_t kLastBufferIndex = engine::DriverState::kChannelBufferSize - 1;

}  // namespace

clsOutputDriver::clsOutputDriver() : clsOutputDriver(engine::DriverState::ForCurrentThread()) {}

clsOutputDriver::clsOutputDriver(engine::DriverState& state) : state_(state) {}

bool clsOutputDriver::Disable() {
  engine::frmMain& engineWindow = state_.EngineWindow();
  engineWindow.timSend.StopSending();
  if (engineWindow.MSComm1.IsOpen()) engineWindow.MSComm1.Close();
  state_.OutputEnabled = false;
  return true;
}

bool clsOutputDriver::Enable() {
  return engine::RunPortSteps(state_, engine::kEnablePortFailureText, [this] {
    engine::OpenSerialLinkForEnable(state_);
    state_.ChannelCount = kEnabledChannelCount;
    state_.EngineWindow().timSend.StartSending();
    state_.OutputEnabled = true;
  });
}

std::u16string clsOutputDriver::PluginName() const { return std::u16string(kPluginName); }

bool clsOutputDriver::SetChannel(std::int32_t channel, std::int32_t value) {
  if (channel > kLastBufferIndex) return false;
  if (channel < 0) throw engine::AutomationError(engine::ErrorNumber::kBounds);
  if (value < 0 || value > 255) throw engine::AutomationError(engine::ErrorNumber::kOverflow);
  state_.ChannelBuffer[static_cast<std::size_t>(channel)] = static_cast<std::uint8_t>(value);
  if (channel > state_.ChannelCount) {
    if (channel <= engine::DriverState::kMaxChannelCount) state_.ChannelCount = channel;
    state_.EngineWindow().timSend.SetSendInterval();
  }
  return true;
}

bool clsOutputDriver::Configure() {
  if (!state_.frmConfig) state_.frmConfig = std::make_unique<config::frmConfig>(state_);
  state_.frmConfig->Show();
  return false;
}

bool clsOutputDriver::Init(const std::u16string& CallingAppTitle,
                           const std::u16string& MyFilename) {
  callingAppTitle_ = CallingAppTitle;
  myFilename_ = MyFilename;
  LoadPort(state_, state_.Platform().Settings(), callingAppTitle_, myFilename_);
  return false;
}

bool clsOutputDriver::Term() {
  SavePort(state_, state_.Platform().Settings(), callingAppTitle_, myFilename_);
  return false;
}

}  // namespace tarvolk::plugin
