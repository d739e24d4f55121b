#pragma once

namespace tarvolk::demo_host {

// Wall-clock time in microseconds since 1970, the clock the virtual DMX
// interface stamps its frames with (under Wine both read CLOCK_REALTIME).
// Shared by the demo host and the bench host.
long long UnixMicroseconds();

}  // namespace tarvolk::demo_host
