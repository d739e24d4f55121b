#pragma once

#include <vector>

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// Makes a window modal for the whole thread, as task-modal message boxes are:
// every enabled top-level window of the calling thread but the kept ones is
// disabled, and exactly those are enabled again by Restore.
class ThreadWindowsDisabled {
 public:
  explicit ThreadWindowsDisabled(const std::vector<HWND>& kept);
  ~ThreadWindowsDisabled() { Restore(); }
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  // Windows destroyed meanwhile are skipped. Only the first call acts.
  void Restore();

 private:
  std::vector<HWND> disabled_;
};

}  // namespace tarvolk::platform::win32
