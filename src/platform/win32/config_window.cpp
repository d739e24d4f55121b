#include "platform/win32/config_window.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/modal_loop.h"
#include "platform/win32/thread_windows.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_text.h"

namespace tarvolk::platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TarvolkDmx.frmConfig";
constexpr wchar_t kCaption[] = L"Konfiguration";
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
constexpr int kClientWidthTwips = 2355;
constexpr int kClientHeightTwips = 1155;
// What the list holds until the window is loaded.
const std::vector<std::u16string> kFirstPortEntries = {u"COM1", u"COM2", u"COM3", u"COM4", u"COM5"};

// Posted to the dialog once its port list has closed up.
constexpr UINT kPortListClosed = WM_APP + 1;

}  // namespace

ConfigWindow::ConfigWindow(ConfigViewEvents& events) : events_(events), portList_(events) {
  EnsureWindow();
}

// The font goes only after the controls that use it.
ConfigWindow::~ConfigWindow() { Destroy(); }

void ConfigWindow::EnsureWindow() {
  if (Handle() != nullptr) return;
  const ScreenDpi dpi = ScreenDpi::Current();
  RECT frame{0, 0, dpi.PixelsX(kClientWidthTwips), dpi.PixelsY(kClientHeightTwips)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  // Placed where it shows, centred, at every ShowModal.
  Create(kClassName, {.exStyle = kWindowExStyle,
                      .style = kWindowStyle,
                      .caption = kCaption,
                      .bounds = {0, 0, frame.right - frame.left, frame.bottom - frame.top},
                      .parent = nullptr});
  try {
    controls_ = CreateConfigControls(Handle(), dpi);
    portList_.Attach(Handle(), Child(kCombo1), controls_.comboFieldHeight);
    portList_.SetEntries(kFirstPortEntries, 0);
  } catch (...) {
    Destroy();
    throw;
  }
}

std::u16string ConfigWindow::ChannelCountText() const { return ControlText(kTxtChannelCount); }

void ConfigWindow::SetChannelCountText(const std::u16string& text) {
  EnsureWindow();
  SetWindowTextW(Child(kTxtChannelCount), Wide(text));
}

bool ConfigWindow::PortListDropped() const {
  return Handle() != nullptr && SendMessageW(Child(kCombo1), CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

void ConfigWindow::SetPortEntries(const std::vector<std::u16string>& entries, int selected) {
  EnsureWindow();
  portList_.SetEntries(entries, selected);
}

void ConfigWindow::ListPorts() {
  EnsureWindow();
  portList_.ListPorts();
}

std::u16string ConfigWindow::PortText() const { return ControlText(kCombo1); }

std::u16string ConfigWindow::ControlText(ConfigControl control) const {
  return Handle() == nullptr ? std::u16string() : FromWide(WindowText(Child(control)));
}

void ConfigWindow::SetPortText(const std::u16string& text) {
  EnsureWindow();
  HWND combo = Child(kCombo1);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SetWindowTextW(combo, Wide(text));
}

void ConfigWindow::ShowModal() {
  // A second request while the dialog shows (from inside its own loop) only
  // brings it to the front.
  if (showing_) {
    SetForegroundWindow(Handle());
    return;
  }
  EnsureWindow();
  HWND owner = ActiveOwner(Handle());
  SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  CentreOnScreen(Handle());
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof combo;
  GetComboBoxInfo(Child(kCombo1), &combo);
  // The combo box's drop-down list is a top-level window of its own.
  ThreadWindowsDisabled otherWindows({Handle(), combo.hwndList});
  showing_ = true;
  closeFailure_ = nullptr;
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  SetFocus(Child(kTxtChannelCount));
  const std::optional<WPARAM> quit = RunModalLoop([this] { return showing_ ? Handle() : nullptr; });
  showing_ = false;
  // The windows are enabled first so that the owner, not some other
  // program, gets activated.
  otherWindows.Restore();
  portList_.Stop();
  if (Handle() != nullptr) ShowWindow(Handle(), SW_HIDE);
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  if (closeFailure_) std::rethrow_exception(std::exchange(closeFailure_, nullptr));
}

void ConfigWindow::RequestClose() {
  // A close request that arrives while one is being decided (from inside its
  // message boxes) is dropped.
  if (!showing_ || closing_) return;
  closing_ = true;
  bool granted = false;
  try {
    granted = events_.OnCloseRequest();
  } catch (...) {
    // Handed to ShowModal's caller rather than the window procedure; the
    // window closes so that the user is not locked in.
    closeFailure_ = std::current_exception();
    granted = true;
  }
  closing_ = false;
  if (granted) showing_ = false;
}

LRESULT ConfigWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Devices that come and go while the dialog is hidden are listed when it shows.
  if ((message != WM_DEVICECHANGE || showing_) && portList_.OnMessage(message, wParam)) return 0;
  switch (message) {
    case WM_CLOSE:
      RequestClose();
      return 0;
    case WM_COMMAND:
      // Enter and Escape arrive as IDOK and IDCANCEL; they do nothing here.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return 0;
      // The combo box's text keeps its highlight when the focus leaves
      // unless told otherwise; a caret at the start also shows a long entry
      // from its port's name on.
      if (HIWORD(wParam) == CBN_KILLFOCUS && reinterpret_cast<HWND>(lParam) == Child(kCombo1)) {
        SendMessageW(Child(kCombo1), CB_SETEDITSEL, 0, 0);
        return 0;
      }
      // Posted: the combo box shows the entry picked only after it closed up.
      if (HIWORD(wParam) == CBN_CLOSEUP && reinterpret_cast<HWND>(lParam) == Child(kCombo1)) {
        PostMessageW(Handle(), kPortListClosed, 0, 0);
        return 0;
      }
      break;
    case kPortListClosed:
      events_.OnPortListClosed();
      return 0;
    case WM_ACTIVATE:
      // Focus goes back to its control after a message box or another window.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        focusBeforeDeactivation_ = focus != nullptr && IsChild(Handle(), focus) ? focus : nullptr;
      } else {
        SetFocus(focusBeforeDeactivation_ != nullptr ? focusBeforeDeactivation_
                                                     : Child(kTxtChannelCount));
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(Handle(), message, wParam, lParam);
}

}  // namespace tarvolk::platform::win32
