#include "nested_calls.h"

#include <windows.h>

namespace tarvolk::dmx_test {
namespace {

bool QuitWaiting() {
  MSG quit;
  return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

bool NestedCalls::Run(const std::function<void()>& call) {
  ++depth_;
  call();
  --depth_;
  if (depth_ == 0 && !closed_ && (closeAsked_ || QuitWaiting())) {
    closed_ = true;
    close_();
  }
  return !closed_;
}

void NestedCalls::RequestClose() {
  if (depth_ == 0) {
    closed_ = true;
    return close_();
  }
  closeAsked_ = true;
  PostQuitMessage(0);
}

}  // namespace tarvolk::dmx_test
