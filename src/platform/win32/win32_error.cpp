#include "platform/win32/win32_error.h"

#include "platform/platform_error.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

void ThrowLastError(std::string_view step) { ThrowError(step, GetLastError()); }

void ThrowError(std::string_view step, unsigned long errorCode) {
  throw PlatformError(ErrorText(step, errorCode));
}

std::string ErrorText(std::string_view step, unsigned long errorCode) {
  return std::string(step) + " failed (Windows error " + std::to_string(errorCode) + ")";
}

}  // namespace tarvolk::platform::win32
