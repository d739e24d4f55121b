// fit-probe.dll: a window message hook that ui-driver sets on the thread of
// the window it checks. A font cannot be measured from another process, so
// the check runs in the window's own: when the hook sees the probe message it
// measures the text of every label and edit field of that window (of a port
// list entry, its port's name) in the control's own font (as it is drawn there: blanks at the end
// draw nothing) against the area the control draws it in, and sends one line per control
// ("ok ..." or "CUT ...") back as the text of the window named in wParam.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kProbeMessage[] = L"TarvolkFitProbe";

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

BOOL CALLBACK MeasureControl(HWND control, LPARAM report) {
  wchar_t className[32] = L"";
  GetClassNameW(control, className, 32);
  const bool edit = _wcsicmp(className, L"Edit") == 0;
  if (!edit && _wcsicmp(className, L"Static") != 0) return TRUE;
  std::wstring text = TextOf(control);
  // A port list entry ("COM7 – USB Serial Port") shows its port whole; the
  // device's name after it may scroll.
  wchar_t parentClass[32] = L"";
  GetClassNameW(GetParent(control), parentClass, 32);
  if (edit && _wcsicmp(parentClass, L"ComboBox") == 0)
    text = text.substr(0, text.find(L" \u2013 "));
  text.erase(text.find_last_not_of(L' ') + 1);
  RECT area{};
  if (edit) {
    SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  } else {
    GetClientRect(control, &area);
  }
  HDC dc = GetDC(control);
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  wchar_t face[LF_FACESIZE] = L"";
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  const long width = area.right - area.left;
  const long height = area.bottom - area.top;
  const bool fits = extent.cx <= width && metrics.tmHeight <= height;
  wchar_t line[160];
  std::swprintf(line, std::size(line), L"%ls %ls \"%ls\" %ldx%ld in %ldx%ld (%ls)\n",
                fits ? L"ok " : L"CUT", className, text.c_str(), extent.cx, metrics.tmHeight, width,
                height, face);
  *reinterpret_cast<std::wstring*>(report) += line;
  return TRUE;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    FitProbeHook(int code, WPARAM removal, LPARAM message) {
  static const UINT probe = RegisterWindowMessageW(kProbeMessage);
  auto* msg = reinterpret_cast<MSG*>(message);
  if (code == HC_ACTION && removal == PM_REMOVE && msg->message == probe) {
    std::wstring report;
    EnumChildWindows(msg->hwnd, &MeasureControl, reinterpret_cast<LPARAM>(&report));
    SendMessageTimeoutW(reinterpret_cast<HWND>(msg->wParam), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(report.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
    msg->message = WM_NULL;  // the window itself never sees the probe
  }
  return CallNextHookEx(nullptr, code, removal, message);
}
