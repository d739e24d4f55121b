#pragma once

#include <string_view>

namespace tarvolk::platform {

// The platform's modal message box with a single OK button. It runs a nested
// event loop on the calling thread until the user dismisses it.
class MessageBox {
 public:
  static constexpr int kCritical = 16;     // stop icon, OK button
  static constexpr int kExclamation = 48;  // exclamation icon, OK button

  virtual ~MessageBox() = default;
  virtual void Show(std::u16string_view text, std::u16string_view title, int style) = 0;
};

}  // namespace tarvolk::platform
