#include "unix_time.h"

#include <windows.h>

namespace tarvolk::demo_host {

long long UnixMicroseconds() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  constexpr long long kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 in 100 ns since 1601
  return (ticks - kUnixEpochTicks) / 10;
}

}  // namespace tarvolk::demo_host
