#pragma once

#include <cstddef>
#include <string>

namespace tarvolk::platform::win32 {

// The most lines that wait for a debug viewer that does not read.
inline constexpr std::size_t kMostWaitingDebugLines = 256;

// Hands a line to Windows' debug viewers (DebugView, a log collector) through
// OutputDebugStringW on a thread of its own, and returns at once: a viewer
// that runs but does not read holds every such call up to 10 s. Lines beyond
// kMostWaitingDebugLines that wait for it are dropped.
void SendToDebugViewers(std::wstring line);

}  // namespace tarvolk::platform::win32
