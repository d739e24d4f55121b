#pragma once

#include "platform/message_box.h"

namespace tarvolk::platform::win32 {

// MessageBoxW, owned by the thread's active window so that it stays in front
// of the window the user is working in and blocks it while it shows.
class ModalMessageBox final : public MessageBox {
 public:
  void Show(std::u16string_view text, std::u16string_view title, int style) override;
};

}  // namespace tarvolk::platform::win32
