#pragma once

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// A rectangle in twips (1440 to the inch), the unit the dialog is laid out in.
struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

// The screen's pixels per inch, horizontally and vertically.
struct ScreenDpi {
  int x;
  int y;

  static ScreenDpi Current();
  int PixelsX(int twips) const { return MulDiv(twips, x, kTwipsPerInch); }
  int PixelsY(int twips) const { return MulDiv(twips, y, kTwipsPerInch); }
  RECT Pixels(const TwipsRect& rect) const;

  static constexpr int kTwipsPerInch = 1440;
};

}  // namespace tarvolk::platform::win32
