#pragma once

#include <memory>
#include <span>
#include <type_traits>

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// A control and the widest text it must show whole.
struct TextToFit {
  HWND control;
  const wchar_t* text;
};

// Gives the controls the dialog's font and returns it: 8-point MS Sans Serif,
// the font a layout in twips was made for. A system may lack that face or map
// it to a wider one, so the font is checked against every text and, where one
// would be cut, tried in the system's message face and then a pixel smaller,
// down to 6 points. If nothing fits, the smallest tried is kept.
// Throws PlatformError when no font can be created.
UniqueFont ApplyFittingFont(std::span<const TextToFit> texts, int dpiY);

}  // namespace tarvolk::platform::win32
