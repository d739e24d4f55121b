#pragma once

#include <string>
#include <string_view>

#include "platform/platform_error.h"

namespace tarvolk::platform::win32 {

// Throws PlatformError naming the step and the thread's last Windows error.
[[noreturn]] void ThrowLastError(std::string_view step);
// The same for an API that returns its error code instead of setting it.
[[noreturn]] void ThrowError(std::string_view step, unsigned long errorCode);
// What those errors say: the step and the Windows error code.
std::string ErrorText(std::string_view step, unsigned long errorCode);
// A Windows error code with Windows' own text for it, in the user's language.
SystemError SystemErrorOf(unsigned long errorCode);

}  // namespace tarvolk::platform::win32
