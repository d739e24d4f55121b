#include "report_button.h"

#include <utility>

#include "resource_ids.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

constexpr UINT kRetryMs = 500;

}  // namespace

void ReportButton::Attach(HWND window) {
  window_ = window;
  const HWND button = GetDlgItem(window_, IDC_SAVE_REPORT);
  label_.resize(static_cast<std::size_t>(GetWindowTextLengthW(button)) + 1);
  label_.resize(static_cast<std::size_t>(
      GetWindowTextW(button, label_.data(), static_cast<int>(label_.size()))));
}

std::wstring ReportButton::Start() {
  const HANDLE thread = CreateThread(nullptr, 0, &Collect, window_, 0, nullptr);
  if (thread == nullptr) {
    return FailureText(L"Der Bericht lässt sich jetzt nicht erstellen", GetLastError());
  }
  CloseHandle(thread);
  Busy(true);
  return {};
}

// A report whose window has gone meanwhile ends with the process, unread.
DWORD WINAPI ReportButton::Collect(void* window) {
  auto report = std::make_unique<Report>(MakeReport());
  if (PostMessageW(static_cast<HWND>(window), kReady, 0, reinterpret_cast<LPARAM>(report.get()))) {
    report.release();
  }
  return 0;
}

void ReportButton::Ready(LPARAM report) { ready_.reset(reinterpret_cast<Report*>(report)); }

std::unique_ptr<Report> ReportButton::Take(bool windowFree) {
  if (ready_ == nullptr) return nullptr;
  if (!windowFree) {
    SetTimer(window_, kRetryTimer, kRetryMs, nullptr);
    return nullptr;
  }
  KillTimer(window_, kRetryTimer);
  Busy(false);
  return std::move(ready_);
}

// The focus moves on from the button while it is disabled, and comes back.
void ReportButton::Busy(bool busy) {
  const HWND button = GetDlgItem(window_, IDC_SAVE_REPORT);
  if (busy && GetFocus() == button) {
    focusMoved_ = true;
    SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
  }
  SetWindowTextW(button, busy ? L"Bericht entsteht …" : label_.c_str());
  EnableWindow(button, busy ? FALSE : TRUE);
  if (!busy && std::exchange(focusMoved_, false)) {
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
  }
}

}  // namespace tarvolk::dmx_test
