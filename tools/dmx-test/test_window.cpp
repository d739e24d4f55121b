#include "test_window.h"

#include <commctrl.h>

#include <utility>

#include "resource_ids.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kCaption[] = L"Tarvolk DMX – Test";
constexpr UINT_PTR kChaseTimer = 1;
constexpr UINT_PTR kJournalTimer = 2;
constexpr UINT kChaseMs = 500;  // about two channels a second
constexpr UINT kJournalMs = 1000;

}  // namespace

TestWindow::TestWindow(PluginSession& plugin)
    : plugin_(plugin),
      nested_([this] { Close(); }),
      sender_(
          plugin, [this](const std::function<void()>& call) { return nested_.Run(call); },
          [this](const std::wstring& call, const std::wstring& failure) {
            TellFailure(call, failure);
          }) {}

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
  // Told to end from outside (WM_QUIT): output off and Term all the same.
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

INT_PTR TestWindow::Handle(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      if (!nested_.Busy()) SetOneChannel();
      return TRUE;
    case WM_TIMER:
      if (wParam == kChaseTimer) sender_.ChaseStep();
      if (wParam == kJournalTimer) ShowJournal();
      return TRUE;
    case WM_CLOSE:
      nested_.RequestClose();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) nested_.RequestClose();
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void TestWindow::Initialise() {
  SetDlgItemTextW(window_, IDC_COUNT, std::to_wstring(ChannelSender::kEnabledCount).c_str());
  SetDlgItemTextW(window_, IDC_CHANNEL, L"1");
  SendDlgItemMessageW(window_, IDC_COUNT, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessageW(window_, IDC_CHANNEL, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessageW(window_, IDC_VALUE, TBM_SETRANGE, TRUE, MAKELPARAM(0, ChannelPicture::kFull));
  SendDlgItemMessageW(window_, IDC_VALUE, TBM_SETPAGESIZE, 0, 16);
  SetDlgItemTextW(window_, IDC_NAME, plugin_.Name().c_str());
  ShowState();
  ShowStoredPort();
  ShowJournal();
  SetTimer(window_, kJournalTimer, kJournalMs, nullptr);
}

void TestWindow::OnCommand(int control) {
  switch (control) {
    case IDC_ENABLE:
      return SwitchOn();
    case IDC_DISABLE:
      sender_.SwitchOff();
      return ShowState();
    case IDC_ALL_ZERO:
      return SetEveryChannel(0);
    case IDC_ALL_FULL:
      return SetEveryChannel(ChannelPicture::kFull);
    case IDC_CHASE:
      return ToggleChase();
    case IDC_CONFIGURE:
      return Configure();
    case IDC_OPEN_JOURNAL:
      return OpenJournal();
    case IDCANCEL:
      return nested_.RequestClose();
    default:
      return;
  }
}

void TestWindow::SwitchOn() {
  const auto count = TypedCount();
  if (count && sender_.SwitchOn(*count)) ShowState();
}

void TestWindow::SetEveryChannel(int value) {
  const auto count = TypedCount();
  if (!count) return;
  StopChase();
  if (sender_.SetEvery(*count, value)) ShowState();
}

void TestWindow::ToggleChase() {
  if (IsDlgButtonChecked(window_, IDC_CHASE) != BST_CHECKED) return StopChase();
  const auto count = TypedCount();
  if (!count || !sender_.StartChase(*count)) return StopChase();
  SetTimer(window_, kChaseTimer, kChaseMs, nullptr);
}

void TestWindow::StopChase() {
  if (window_ == nullptr) return;
  KillTimer(window_, kChaseTimer);
  CheckDlgButton(window_, IDC_CHASE, BST_UNCHECKED);
  ShowState();
}

void TestWindow::SetOneChannel() {
  const auto value = static_cast<int>(SendDlgItemMessageW(window_, IDC_VALUE, TBM_GETPOS, 0, 0));
  SetDlgItemTextW(window_, IDC_VALUE_TEXT, std::to_wstring(value).c_str());
  const auto count = TypedCount();
  if (!count) return;
  const auto channel = WholeNumberIn(ControlText(IDC_CHANNEL), 1, *count);
  if (!channel) {
    return Tell(
        L"Bitte geben Sie als Kanal eine Zahl von 1 bis " + std::to_wstring(*count) + L" ein.",
        MB_ICONEXCLAMATION);
  }
  if (sender_.SetOne(*count, *channel, value)) ShowState();
}

// Term right after the dialog stores the port chosen in it, as the host
// would at its end, so that this window can show it.
void TestWindow::Configure() {
  std::wstring failure;
  if (!nested_.Run([&] { failure = plugin_.Configure(); })) return;
  if (!failure.empty()) return TellFailure(L"Configure", failure);
  sender_.ForgetCount();
  if (const std::wstring stored = plugin_.Term(); !stored.empty()) TellFailure(L"Term", stored);
  ShowStoredPort();
}

void TestWindow::OpenJournal() {
  if (const std::wstring trouble = dmx_test::OpenJournal(window_); !trouble.empty()) {
    Tell(trouble, MB_ICONINFORMATION);
  }
}

std::optional<int> TestWindow::TypedCount() {
  const auto count = WholeNumberIn(ControlText(IDC_COUNT), 1, ChannelPicture::kMostChannels);
  if (!count) {
    Tell(L"Bitte geben Sie als Anzahl der Kanäle eine Zahl von 1 bis 254 ein.", MB_ICONEXCLAMATION);
  }
  return count;
}

void TestWindow::Tell(const std::wstring& text, UINT icon) {
  nested_.Run([&] { MessageBoxW(window_, text.c_str(), kCaption, MB_OK | icon); });
}

void TestWindow::TellFailure(const std::wstring& call, const std::wstring& failure) {
  Tell(L"Das Plug-in meldet bei " + call + L": " + failure, MB_ICONSTOP);
}

void TestWindow::Close() {
  if (window_ == nullptr) return;
  KillTimer(window_, kChaseTimer);
  KillTimer(window_, kJournalTimer);
  if (sender_.OutputOn()) plugin_.Disable();
  const std::wstring failure = plugin_.Term();
  const HWND closing = std::exchange(window_, nullptr);
  DestroyWindow(closing);
  if (!failure.empty()) {
    MessageBoxW(nullptr, (L"Das Plug-in meldet bei Term: " + failure).c_str(), kCaption,
                MB_OK | MB_ICONSTOP);
  }
}

void TestWindow::ShowState() {
  if (window_ == nullptr) return;
  SetDlgItemTextW(window_, IDC_OUTPUT_STATE, sender_.OutputOn() ? L"an" : L"aus");
}

void TestWindow::ShowStoredPort() {
  const std::wstring port = plugin_.StoredPort();
  SetDlgItemTextW(window_, IDC_PORT, port.empty() ? L"keine" : port.c_str());
}

void TestWindow::ShowJournal() { journal_.Refresh(GetDlgItem(window_, IDC_JOURNAL)); }

std::wstring TestWindow::ControlText(int control) const {
  const HWND item = GetDlgItem(window_, control);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace tarvolk::dmx_test
