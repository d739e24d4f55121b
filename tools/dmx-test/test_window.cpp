#include "test_window.h"

#include <utility>

#include "guide.h"
#include "operator_message.h"
#include "resource_ids.h"
#include "save_dialog.h"

namespace tarvolk::dmx_test {
namespace {

// Apart from ChannelControls::kChaseTimer and ReportButton::kRetryTimer, on
// the same window.
constexpr UINT_PTR kJournalTimer = 2;
constexpr UINT kJournalMs = 1000;

}  // namespace

TestWindow::TestWindow(PluginSession& plugin)
    : plugin_(plugin),
      nested_([this] { Close(); }),
      channels_(plugin, nested_,
                [this](const std::wstring& text, UINT icon) { Tell(text, icon); }) {}

void TestWindow::Run() {
  CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TEST_WINDOW), nullptr,
                     &Procedure, reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) return;
  ShowWindow(window_, SW_SHOW);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window_ == nullptr || !IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // Told to end from outside (WM_QUIT): the plug-in is ended all the same.
  Close();
}

INT_PTR CALLBACK TestWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<TestWindow*>(lParam);
    self->window_ = window;
    self->Initialise();
    return TRUE;
  }
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self != nullptr ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR TestWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      if (!nested_.Busy()) channels_.OnSlider();
      return TRUE;
    case ReportButton::kReady:
      report_.Ready(lParam);
      SaveReport();
      return TRUE;
    case WM_TIMER:
      if (wParam == ChannelControls::kChaseTimer) channels_.OnChaseTimer();
      if (wParam == kJournalTimer) ShowJournal();
      if (wParam == ReportButton::kRetryTimer) SaveReport();
      return TRUE;
    case WM_CLOSE:
      nested_.RequestClose();
      return TRUE;
    case WM_ENDSESSION:
      // Windows may end the process as soon as this returns, before the
      // loops under way have unwound: the plug-in is ended first.
      if (wParam != FALSE) {
        EndPlugin();
        nested_.RequestClose();
      }
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void TestWindow::Initialise() {
  channels_.Attach(window_);
  port_.Attach(window_);
  report_.Attach(window_);
  SetDlgItemTextW(window_, IDC_NAME, plugin_.Name().c_str());
  ShowJournal();
  SetTimer(window_, kJournalTimer, kJournalMs, nullptr);
}

void TestWindow::OnCommand(int control) {
  switch (control) {
    case IDC_CONFIGURE:
      return Configure();
    case IDC_TAKE_OFFER:
      return TakeOfferedPort();
    case IDC_SAVE_REPORT:
      if (const std::wstring trouble = report_.Start(); !trouble.empty()) {
        Tell(trouble, MB_ICONSTOP);
      }
      return;
    case IDC_OPEN_JOURNAL:
      return OpenJournal();
    case IDC_GUIDE:
      return OpenGuide();
    case IDCANCEL:
      return nested_.RequestClose();
    default:
      return channels_.OnClick(control);
  }
}

// Term right after the dialog stores the port chosen in it, as the host
// would at its end, so that this window can show it.
void TestWindow::Configure() {
  std::wstring failure;
  if (!nested_.Run([&] { failure = plugin_.Configure(); })) return;
  channels_.ConfigurationClosed();
  if (!failure.empty()) return TellFailure(L"Configure", failure);
  if (const std::wstring stored = plugin_.Term(); !stored.empty()) TellFailure(L"Term", stored);
  port_.Refresh();
}

// The plug-in reads the port at Init: it is told again, so that it opens the
// port taken, and stores that one at Term. Output that is on moves to it.
void TestWindow::TakeOfferedPort() {
  if (const std::wstring trouble = port_.Take(); !trouble.empty()) {
    return Tell(trouble, MB_ICONEXCLAMATION);
  }
  if (const std::wstring failure = plugin_.ReadStoredPort(); !failure.empty()) {
    TellFailure(L"Init", failure);
  }
  port_.Refresh();
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDC_CONFIGURE)),
               TRUE);
  if (channels_.OutputOn()) channels_.OnClick(IDC_ENABLE);
}

void TestWindow::SaveReport() {
  if (const std::unique_ptr<Report> ready = report_.Take(!nested_.Busy())) {
    nested_.Run([&] { dmx_test::SaveReport(window_, *ready); });
  }
}

void TestWindow::OpenJournal() {
  if (const std::wstring trouble = dmx_test::OpenJournal(window_); !trouble.empty()) {
    Tell(trouble, MB_ICONINFORMATION);
  }
}

void TestWindow::OpenGuide() {
  if (const std::wstring trouble = dmx_test::OpenGuide(window_); !trouble.empty()) {
    Tell(trouble, MB_ICONINFORMATION);
  }
}

void TestWindow::Tell(const std::wstring& text, UINT icon) {
  nested_.Run([&] { TellOperator(window_, text, icon); });
}

void TestWindow::TellFailure(const std::wstring& call, const std::wstring& failure) {
  Tell(PluginFailureText(call, failure), MB_ICONSTOP);
}

std::wstring TestWindow::EndPlugin() {
  KillTimer(window_, kJournalTimer);
  channels_.Detach();
  return plugin_.End();
}

// Term's failure is told once the window has gone.
void TestWindow::Close() {
  if (window_ == nullptr) return;
  const std::wstring failure = EndPlugin();
  DestroyWindow(std::exchange(window_, nullptr));
  if (!failure.empty()) TellOperator(nullptr, PluginFailureText(L"Term", failure), MB_ICONSTOP);
}

void TestWindow::ShowJournal() { journal_.Refresh(GetDlgItem(window_, IDC_JOURNAL)); }

}  // namespace tarvolk::dmx_test
