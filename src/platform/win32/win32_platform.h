#pragma once

#include <memory>

#include "platform/platform.h"

namespace tarvolk::platform::win32 {

// The Windows implementation of every seam, for the calling thread: a hidden
// engine window hosting the timer, COM ports, MessageBoxW, the configuration
// window and the per-user registry settings.
std::unique_ptr<Platform> CreateWin32Platform();

}  // namespace tarvolk::platform::win32
