#include "platform/win32/config_controls.h"

#include "platform/platform_error.h"
#include "platform/win32/own_window.h"

namespace tarvolk::platform::win32 {
namespace {

struct ControlSpec {
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  TwipsRect bounds;
  // What the font must fit instead of the text: the longest count or port name.
  const wchar_t* widestText = nullptr;
};

// In tab order, which is the order of creation.
constexpr std::array<ControlSpec, kConfigControlCount> kControls = {{
    {L"STATIC", L"Kanalanzahl:", SS_LEFT, 0, {120, 150, 975, 255}},
    {L"EDIT",
     L"512",
     WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE,
     {1200, 120, 735, 285},
     L"254"},
    {L"STATIC", L"Serielle ", SS_LEFT, 0, {120, 600, 615, 255}},
    {L"STATIC", L"Port", SS_LEFT, 0, {120, 840, 615, 255}},
    {L"COMBOBOX",
     L"",
     WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
     0,
     {1200, 600, 975, 315},
     L"COM255"},
}};

}  // namespace

ConfigControls CreateConfigControls(HWND dialog, const ScreenDpi& dpi) {
  ConfigControls controls;
  std::array<TextToFit, kConfigControlCount> texts{};
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlSpec& layout = kControls[i];
    const RECT r = dpi.Pixels(layout.bounds);
    HWND control = CreateWindowExW(layout.exStyle, layout.className, layout.text,
                                   WS_CHILD | WS_VISIBLE | layout.style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, dialog,
                                   reinterpret_cast<HMENU>(i + 1), ThisModule(), nullptr);
    if (control == nullptr) throw PlatformError("cannot create the dialog's controls");
    controls.handles[i] = control;
    texts[i] = {control, layout.widestText != nullptr ? layout.widestText : layout.text};
  }
  controls.font = ApplyFittingFont(texts, dpi.y);
  const RECT field = dpi.Pixels(kControls[kCombo1].bounds);
  controls.comboFieldHeight = field.bottom - field.top;
  return controls;
}

}  // namespace tarvolk::platform::win32
