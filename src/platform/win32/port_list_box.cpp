#include "platform/win32/port_list_box.h"

#include <algorithm>
#include <utility>

#include "platform/platform_error.h"
#include "platform/win32/serial/windows_comm_driver.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_text.h"

// After windows.h.
#include <dbt.h>

namespace tarvolk::platform::win32 {
namespace {

constexpr UINT_PTR kAnswerTimer = 0x7431;
constexpr UINT_PTR kDeviceTimer = 0x7432;
constexpr UINT kAnswerPollMs = 50;
// Windows reports one plug-in as a burst of changes, the port's name a
// moment after the first: one listing after the burst's start sees it.
constexpr UINT kDeviceSettleMs = 300;
constexpr int kFewestVisibleEntries = 5;
constexpr int kMostVisibleEntries = 12;

}  // namespace

PortListBox::PortListBox(ConfigViewEvents& events)
    : events_(events), lister_(serial::WindowsCommDriver::Instance()) {}

void PortListBox::Attach(HWND dialog, HWND combo, int fieldHeight) {
  dialog_ = dialog;
  combo_ = combo;
  fieldHeight_ = fieldHeight;
  refreshDue_ = false;
}

void PortListBox::SetEntries(const std::vector<std::u16string>& entries, int selected) {
  if (selected >= static_cast<int>(entries.size())) {
    throw PlatformError("no such entry in the port list");
  }
  const std::wstring typed = WindowText(combo_);
  const auto editSelection = static_cast<DWORD>(SendMessageW(combo_, CB_GETEDITSEL, 0, 0));
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  for (const std::u16string& entry : entries) {
    SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry)));
  }
  if (selected >= 0) {
    SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    // Unless the user is in the box, show the entry from its start ("COM7 – ...").
    const HWND focus = GetFocus();
    if (focus != combo_ && !IsChild(combo_, focus)) SendMessageW(combo_, CB_SETEDITSEL, 0, 0);
  } else {
    SetWindowTextW(combo_, typed.c_str());
    SendMessageW(combo_, CB_SETEDITSEL, 0,
                 MAKELPARAM(LOWORD(editSelection), HIWORD(editSelection)));
  }
  entries_ = entries;
}

// Measured as the list is about to drop down, not while the dialog is made.
void PortListBox::FitDroppedList() {
  RECT field{};
  GetWindowRect(combo_, &field);
  const auto itemHeight = static_cast<int>(SendMessageW(combo_, CB_GETITEMHEIGHT, 0, 0));
  const int visible =
      std::clamp(static_cast<int>(entries_.size()), kFewestVisibleEntries, kMostVisibleEntries);
  // A combo box's height includes its drop-down list.
  SetWindowPos(combo_, nullptr, 0, 0, field.right - field.left,
               fieldHeight_ + visible * itemHeight + 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  HDC dc = GetDC(combo_);
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo_, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (const std::u16string& entry : entries_) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, Wide(entry), static_cast<int>(entry.size()), &extent);
    widest = std::max(widest, static_cast<int>(extent.cx));
  }
  SelectObject(dc, previous);
  ReleaseDC(combo_, dc);
  const int scrollBar =
      static_cast<int>(entries_.size()) > visible ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  const int width = widest + scrollBar + 4 * GetSystemMetrics(SM_CXEDGE) + itemHeight / 2;
  SendMessageW(combo_, CB_SETDROPPEDWIDTH,
               static_cast<WPARAM>(std::min(width, GetSystemMetrics(SM_CXSCREEN))), 0);
}

// The listing starts at the first poll, once the dialog shows: a thread
// that lists devices while the window is made competes with it for the
// wineserver or the system, and holds up the host's frames.
void PortListBox::ListPorts() {
  listingDue_ = true;
  SetTimer(dialog_, kAnswerTimer, kAnswerPollMs, nullptr);
}

void PortListBox::CollectAnswer() {
  if (std::exchange(listingDue_, false)) lister_.Request();
  const std::optional<PortListing> answer = lister_.Take();
  if (!lister_.Waiting()) KillTimer(dialog_, kAnswerTimer);
  if (answer) events_.OnPortsListed(*answer);
}

bool PortListBox::OnMessage(UINT message, WPARAM wParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_DROPDOWN) {
    FitDroppedList();
    return false;
  }
  if (message == WM_TIMER && wParam == kAnswerTimer) {
    CollectAnswer();
    return true;
  }
  if (message == WM_TIMER && wParam == kDeviceTimer) {
    KillTimer(dialog_, kDeviceTimer);
    refreshDue_ = false;
    events_.OnDevicesChanged();
    return true;
  }
  const bool portsMayHaveChanged = wParam == DBT_DEVICEARRIVAL ||
                                   wParam == DBT_DEVICEREMOVECOMPLETE ||
                                   wParam == DBT_DEVNODES_CHANGED;
  if (message == WM_DEVICECHANGE && portsMayHaveChanged && !refreshDue_) {
    refreshDue_ = SetTimer(dialog_, kDeviceTimer, kDeviceSettleMs, nullptr) != 0;
  }
  return false;
}

void PortListBox::Stop() {
  KillTimer(dialog_, kAnswerTimer);
  KillTimer(dialog_, kDeviceTimer);
  refreshDue_ = false;
}

}  // namespace tarvolk::platform::win32
