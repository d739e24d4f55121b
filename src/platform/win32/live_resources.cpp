#include "platform/win32/live_resources.h"

#include <atomic>

namespace tarvolk::platform::win32 {
namespace {
std::atomic<long> liveResources{0};
}

bool AnyResourceLive() { return liveResources.load() != 0; }

void LiveFlag::Raise() {
  if (up_) return;
  ++liveResources;
  up_ = true;
}

void LiveFlag::Lower() {
  if (!up_) return;
  --liveResources;
  up_ = false;
}

}  // namespace tarvolk::platform::win32
