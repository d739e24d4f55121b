#include "nested_calls.h"

#include <windows.h>

namespace tarvolk::dmx_test {

bool NestedCalls::Run(const std::function<void()>& call) {
  ++depth_;
  call();
  --depth_;
  if (closeAsked_ && depth_ == 0 && !closed_) {
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
