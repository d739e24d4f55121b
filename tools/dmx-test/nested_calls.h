#pragma once

#include <functional>

namespace tarvolk::dmx_test {

// Calls that run a message loop of their own (the plug-in's windows, message
// boxes), and a close asked for meanwhile: it ends those loops with WM_QUIT,
// which each passes on, and closes once the outermost call has returned. A
// WM_QUIT from outside that ended such a loop closes the same way.
class NestedCalls {
 public:
  explicit NestedCalls(std::function<void()> close) : close_(std::move(close)) {}

  // Runs the call; returns false when the close happened meanwhile.
  bool Run(const std::function<void()>& call);
  bool Busy() const { return depth_ > 0; }
  // Closes now, or once the calls under way have returned.
  void RequestClose();

 private:
  std::function<void()> close_;
  int depth_ = 0;
  bool closeAsked_ = false;
  bool closed_ = false;
};

}  // namespace tarvolk::dmx_test
