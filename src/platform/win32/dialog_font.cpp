#include "platform/win32/dialog_font.h"

#include <cwchar>
#include <string>
#include <vector>

#include "platform/platform_error.h"

namespace tarvolk::platform::win32 {
namespace {

constexpr wchar_t kLayoutFace[] = L"MS Sans Serif";
constexpr int kLayoutPoints = 8;
constexpr int kSmallestPoints = 6;

// Where a control draws its text: an edit field's formatting rectangle (a
// combo box's is that of its edit field), or else the client area.
RECT TextArea(HWND control) {
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof combo;
  if (GetComboBoxInfo(control, &combo) && combo.hwndItem != nullptr) control = combo.hwndItem;
  wchar_t className[16] = L"";
  GetClassNameW(control, className, static_cast<int>(std::size(className)));
  RECT area{};
  if (_wcsicmp(className, L"Edit") == 0) {
    SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  } else {
    GetClientRect(control, &area);
  }
  return area;
}

bool Fits(const TextToFit& item, HFONT font) {
  std::wstring text = item.text;
  // Blanks at the end draw nothing.
  text.erase(text.find_last_not_of(L' ') + 1);
  HDC dc = GetDC(item.control);
  const HGDIOBJ previous = SelectObject(dc, font);
  SIZE extent{};
  TEXTMETRICW metrics{};
  const bool measured =
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent) != 0 &&
      GetTextMetricsW(dc, &metrics) != 0;
  SelectObject(dc, previous);
  ReleaseDC(item.control, dc);
  const RECT area = TextArea(item.control);
  return measured && extent.cx <= area.right - area.left &&
         metrics.tmHeight <= area.bottom - area.top;
}

std::vector<std::wstring> Faces() {
  std::vector<std::wstring> faces{kLayoutFace};
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) &&
      metrics.lfMessageFont.lfFaceName[0] != L'\0') {
    faces.emplace_back(metrics.lfMessageFont.lfFaceName);
  }
  return faces;
}

UniqueFont CreateDialogFont(const std::wstring& face, int pixelHeight) {
  LOGFONTW description{};
  description.lfHeight = -pixelHeight;  // the character height, as point sizes mean it
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  face.copy(description.lfFaceName, LF_FACESIZE - 1);
  return UniqueFont(CreateFontIndirectW(&description));
}

}  // namespace

UniqueFont ApplyFittingFont(std::span<const TextToFit> texts, int dpiY) {
  const std::vector<std::wstring> faces = Faces();
  UniqueFont applied;
  // The largest size that fits wins; at each size the layout's face comes first.
  for (int height = MulDiv(kLayoutPoints, dpiY, 72); height >= MulDiv(kSmallestPoints, dpiY, 72);
       --height) {
    for (const std::wstring& face : faces) {
      UniqueFont font = CreateDialogFont(face, height);
      if (!font) continue;
      for (const TextToFit& item : texts) {
        SendMessageW(item.control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
      }
      // The previous font is deleted only now that no control uses it.
      applied = std::move(font);
      bool allFit = true;
      for (const TextToFit& item : texts) allFit = allFit && Fits(item, applied.get());
      if (allFit) return applied;
    }
  }
  if (!applied) throw PlatformError("cannot create the dialog's font");
  return applied;
}

}  // namespace tarvolk::platform::win32
