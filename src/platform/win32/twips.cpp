#include "platform/win32/twips.h"

namespace tarvolk::platform::win32 {

ScreenDpi ScreenDpi::Current() {
  HDC screen = GetDC(nullptr);
  const ScreenDpi dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
  ReleaseDC(nullptr, screen);
  return dpi;
}

RECT ScreenDpi::Pixels(const TwipsRect& rect) const {
  const int left = PixelsX(rect.left);
  const int top = PixelsY(rect.top);
  return {left, top, left + PixelsX(rect.width), top + PixelsY(rect.height)};
}

}  // namespace tarvolk::platform::win32
