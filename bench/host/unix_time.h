#pragma once

namespace tarvolk::bench {

// Wall-clock time in microseconds since 1970, the clock the virtual DMX
// interface stamps its frames with (under Wine both read CLOCK_REALTIME).
long long UnixMicroseconds();

}  // namespace tarvolk::bench
