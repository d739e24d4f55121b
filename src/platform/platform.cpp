#include "platform/platform.h"

#include <atomic>

#include "platform/platform_error.h"

namespace tarvolk::platform {
namespace {
std::atomic<PlatformFactory> installedFactory{nullptr};
}

void InstallPlatformFactory(PlatformFactory factory) { installedFactory.store(factory); }

std::unique_ptr<Platform> CreatePlatform() {
  const PlatformFactory factory = installedFactory.load();
  if (factory == nullptr) throw PlatformError("no platform installed");
  return factory();
}

}  // namespace tarvolk::platform
