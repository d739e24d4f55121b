#pragma once

// The one way our files include the Windows API: lean, without the min/max
// macros, and without the MessageBox macro, which would otherwise rename the
// core's platform::MessageBox in every file that sees it.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef MessageBox
