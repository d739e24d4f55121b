#include "platform/win32/modal_message_box.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

void ModalMessageBox::Show(std::u16string_view text, std::u16string_view title, int style) {
  HWND owner = GetActiveWindow();
  // Without an active window of ours, the box still blocks every window of
  // the thread, as the host's own message boxes do.
  const UINT modality = owner == nullptr ? MB_TASKMODAL : MB_APPLMODAL;
  MessageBoxW(owner, WideCopy(text).c_str(), WideCopy(title).c_str(),
              MB_OK | static_cast<UINT>(style) | modality | MB_SETFOREGROUND);
}

}  // namespace tarvolk::platform::win32
