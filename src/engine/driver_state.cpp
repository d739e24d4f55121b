#include "engine/driver_state.h"

#include "engine/frm_main.h"
#include "platform/platform.h"

namespace tarvolk::engine {

DriverState::DriverState(platform::Platform& platform) : platform_(platform) {}

DriverState::~DriverState() = default;

DriverState& DriverState::ForCurrentThread() {
  // The platform is declared first so that it outlives the record using it.
  struct PerThread {
    std::unique_ptr<platform::Platform> platform = platform::CreatePlatform();
    DriverState state{*platform};
  };
  thread_local PerThread perThread;
  return perThread.state;
}

frmMain& DriverState::EngineWindow() {
  if (!engineWindow_) engineWindow_ = std::make_unique<frmMain>(*this, platform_);
  return *engineWindow_;
}

}  // namespace tarvolk::engine
