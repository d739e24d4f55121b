#include "platform/win32/debug_output.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {
namespace {

class DebugOutput {
 public:
  void Send(std::wstring line) {
    const std::lock_guard lock(mutex_);
    if (waiting_.size() >= kMostWaitingDebugLines) return;
    waiting_.push_back(std::move(line));
    if (!started_) {
      // The library stays loaded for good, so the thread may run to the
      // process's end; without it the lines are only dropped.
      const HANDLE thread = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
      started_ = thread != nullptr;
      if (started_) CloseHandle(thread);
    }
    lineWaits_.notify_one();
  }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<DebugOutput*>(self)->SendWaitingLines();
    return 0;
  }

  [[noreturn]] void SendWaitingLines() {
    for (;;) {
      std::unique_lock lock(mutex_);
      lineWaits_.wait(lock, [this] { return !waiting_.empty(); });
      const std::wstring line = std::move(waiting_.front());
      waiting_.pop_front();
      lock.unlock();
      OutputDebugStringW(line.c_str());
    }
  }

  std::mutex mutex_;
  std::condition_variable lineWaits_;
  std::deque<std::wstring> waiting_;
  bool started_ = false;
};

}  // namespace

void SendToDebugViewers(std::wstring line) {
  // Never destroyed: its thread may still use it while the process ends.
  static DebugOutput& output = *new DebugOutput;
  output.Send(std::move(line));
}

}  // namespace tarvolk::platform::win32
