#pragma once

#include <array>

#include "platform/win32/dialog_font.h"
#include "platform/win32/twips.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// frmConfig's controls in tab order: the channel count's label and text box,
// the port's label over two lines and its drop-down combo box.
enum ConfigControl { kLabel1, kTxtChannelCount, kLabel2, kLabel3, kCombo1, kConfigControlCount };

struct ConfigControls {
  std::array<HWND, kConfigControlCount> handles{};
  // Fitted to every control's widest text; it must outlive the controls.
  UniqueFont font;
  // The height of Combo1's field in pixels, which its drop-down list needs.
  int comboFieldHeight = 0;
};

// Creates the controls in `dialog` where the layout in twips puts them at
// `dpi`, with the font that fits them. Throws PlatformError when Windows
// refuses one; those created already go with the dialog.
ConfigControls CreateConfigControls(HWND dialog, const ScreenDpi& dpi);

}  // namespace tarvolk::platform::win32
