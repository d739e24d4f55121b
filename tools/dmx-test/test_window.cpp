#include "test_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "journal_tail.h"
#include "resource_ids.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kCaption[] = L"Tarvolk DMX – Test";
constexpr UINT_PTR kChaseTimer = 1;
constexpr UINT_PTR kJournalTimer = 2;
constexpr UINT kChaseMs = 500;  // about two channels a second
constexpr UINT kJournalMs = 1000;
constexpr std::size_t kJournalLines = 12;
// Enable sets the plug-in's count to this; only SetChannel above it raises it.
constexpr int kEnabledCount = 10;
constexpr wchar_t kSettingsKey[] =
    L"Software\\VB and VBA Program Settings\\Tarvolk DMX Test\\Plugins\\Tarvolk_DMX.out.dll";

}  // namespace

TestWindow::TestWindow(PluginSession& plugin) : plugin_(plugin) {}

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
      if (nested_ == 0) SetOneChannel();
      return TRUE;
    case WM_TIMER:
      if (wParam == kChaseTimer) ChaseStep();
      if (wParam == kJournalTimer) ShowJournal();
      return TRUE;
    case WM_CLOSE:
      RequestClose();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) RequestClose();
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void TestWindow::Initialise() {
  SetDlgItemTextW(window_, IDC_COUNT, std::to_wstring(kEnabledCount).c_str());
  SetDlgItemTextW(window_, IDC_CHANNEL, L"1");
  SendDlgItemMessageW(window_, IDC_COUNT, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessageW(window_, IDC_CHANNEL, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessageW(window_, IDC_VALUE, TBM_SETRANGE, TRUE, MAKELPARAM(0, ChannelPicture::kFull));
  SendDlgItemMessageW(window_, IDC_VALUE, TBM_SETPAGESIZE, 0, 16);
  picture_.SetCount(kEnabledCount);
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
      return SwitchOff();
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
      return RequestClose();
    default:
      return;
  }
}

void TestWindow::SwitchOn() {
  const auto count = TypedCount();
  if (!count) return;
  bool enabled = false;
  // The plug-in shows its own message when the port does not open.
  if (!Nested([&] { enabled = plugin_.Enable(); })) return;
  output_ = enabled;
  sentCount_ = enabled ? std::optional(kEnabledCount) : std::nullopt;
  ShowState();
  if (enabled) ApplyCount(*count, true);
}

void TestWindow::SwitchOff() {
  if (const std::wstring failure = plugin_.Disable(); !failure.empty()) {
    TellFailure(L"Disable", failure);
  }
  output_ = false;
  sentCount_.reset();
  ShowState();
}

void TestWindow::SetEveryChannel(int value) {
  const auto count = TypedCount();
  if (!count) return;
  StopChase();
  picture_.SetAll(value);
  ApplyCount(*count, true);
}

void TestWindow::ToggleChase() {
  if (IsDlgButtonChecked(window_, IDC_CHASE) != BST_CHECKED) return StopChase();
  const auto count = TypedCount();
  if (!count) return StopChase();
  picture_.SetAll(0);
  if (!ApplyCount(*count, true)) return;
  ChaseStep();
  SetTimer(window_, kChaseTimer, kChaseMs, nullptr);
}

void TestWindow::StopChase() {
  KillTimer(window_, kChaseTimer);
  CheckDlgButton(window_, IDC_CHASE, BST_UNCHECKED);
}

void TestWindow::ChaseStep() {
  for (const int channel : picture_.ChaseStep()) SendChannels(channel, channel);
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
  if (!ApplyCount(*count, false)) return;
  picture_.Set(*channel, value);
  SendChannels(*channel, *channel);
}

// Term right after the dialog stores the port chosen in it, as the host
// would at its end, so that this window can show it.
void TestWindow::Configure() {
  std::wstring failure;
  if (!Nested([&] { failure = plugin_.Configure(); })) return;
  if (!failure.empty()) return TellFailure(L"Configure", failure);
  // The dialog may have set another channel count.
  sentCount_.reset();
  if (const std::wstring stored = plugin_.Term(); !stored.empty()) TellFailure(L"Term", stored);
  ShowStoredPort();
}

void TestWindow::OpenJournal() {
  const std::wstring path = JournalPath();
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return Tell(
        L"Es gibt noch kein Protokoll. Das Plug-in beginnt es, sobald es eine "
        L"Schnittstelle öffnet:\n" +
            path,
        MB_ICONINFORMATION);
  }
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(window_, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened <= 32) {
    Tell(L"Windows öffnet das Protokoll nicht (Fehler " + std::to_wstring(opened) + L"):\n" + path,
         MB_ICONEXCLAMATION);
  }
}

std::optional<int> TestWindow::TypedCount() {
  const auto count = WholeNumberIn(ControlText(IDC_COUNT), 1, ChannelPicture::kMostChannels);
  if (!count) {
    Tell(L"Bitte geben Sie als Anzahl der Kanäle eine Zahl von 1 bis 254 ein.", MB_ICONEXCLAMATION);
  }
  return count;
}

// The plug-in carries at least kEnabledCount channels; beyond the count
// they are dark. Returns false when output went off meanwhile.
bool TestWindow::ApplyCount(int count, bool sendAll) {
  const bool changed = count != picture_.Count();
  picture_.SetCount(count);
  const int carried = std::max(count, kEnabledCount);
  if (output_ && (!sentCount_ || carried < *sentCount_)) {
    bool enabled = false;
    if (!Nested([&] { enabled = plugin_.Enable(); })) return false;
    output_ = enabled;
    sentCount_ = enabled ? std::optional(kEnabledCount) : std::nullopt;
    ShowState();
    if (!enabled) return false;
    sendAll = true;
  }
  if (sendAll || changed || sentCount_ != carried) SendChannels(1, carried);
  if (output_) sentCount_ = carried;
  return true;
}

void TestWindow::SendChannels(int first, int last) {
  for (int channel = first; channel <= last; ++channel) {
    const std::wstring failure = plugin_.SetChannel(channel, picture_.Value(channel));
    if (!failure.empty()) return TellFailure(L"SetChannel", failure);
  }
}

template <class Call>
bool TestWindow::Nested(Call call) {
  ++nested_;
  call();
  --nested_;
  if (closeAsked_ && nested_ == 0) Close();
  return window_ != nullptr;
}

void TestWindow::Tell(const std::wstring& text, UINT icon) {
  Nested([&] { MessageBoxW(window_, text.c_str(), kCaption, MB_OK | icon); });
}

void TestWindow::TellFailure(const std::wstring& call, const std::wstring& failure) {
  Tell(L"Das Plug-in meldet bei " + call + L": " + failure, MB_ICONSTOP);
}

// A loop of the plug-in's or a message box ends on WM_QUIT and passes it
// on; the window closes once it has returned.
void TestWindow::RequestClose() {
  if (nested_ == 0) return Close();
  closeAsked_ = true;
  PostQuitMessage(0);
}

void TestWindow::Close() {
  if (window_ == nullptr) return;
  KillTimer(window_, kChaseTimer);
  KillTimer(window_, kJournalTimer);
  if (output_) plugin_.Disable();
  output_ = false;
  const std::wstring failure = plugin_.Term();
  const HWND closing = std::exchange(window_, nullptr);
  DestroyWindow(closing);
  if (!failure.empty()) {
    MessageBoxW(nullptr, (L"Das Plug-in meldet bei Term: " + failure).c_str(), kCaption,
                MB_OK | MB_ICONSTOP);
  }
}

void TestWindow::ShowState() {
  SetDlgItemTextW(window_, IDC_OUTPUT_STATE, output_ ? L"an" : L"aus");
}

// The port the plug-in stored for this program (Term stores it), which is
// apart from the one it stored for the lighting program.
void TestWindow::ShowStoredPort() {
  wchar_t port[16] = {};
  DWORD size = sizeof port - sizeof port[0];
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"COM", RRF_RT_REG_SZ, nullptr, port, &size);
  const std::wstring shown =
      status == ERROR_SUCCESS && port[0] != L'\0' ? L"COM" + std::wstring(port) : L"keine";
  SetDlgItemTextW(window_, IDC_PORT, shown.c_str());
}

void TestWindow::ShowJournal() {
  const JournalTail tail = ReadJournalTail(JournalPath(), kJournalLines);
  std::wstring shown;
  if (tail.found) {
    shown = tail.lines;
  } else if (tail.error == ERROR_FILE_NOT_FOUND || tail.error == ERROR_PATH_NOT_FOUND) {
    shown = L"Noch kein Protokoll: Das Plug-in beginnt es, sobald es eine Schnittstelle öffnet.";
  } else {
    // Held for a moment (renamed past 1 MB, say): what was read before stays.
    return;
  }
  if (shown == journalShown_) return;
  journalShown_ = shown;
  SetDlgItemTextW(window_, IDC_JOURNAL, shown.c_str());
  const auto end = static_cast<WPARAM>(shown.size());
  SendDlgItemMessageW(window_, IDC_JOURNAL, EM_SETSEL, end, static_cast<LPARAM>(end));
  SendDlgItemMessageW(window_, IDC_JOURNAL, EM_SCROLLCARET, 0, 0);
}

std::wstring TestWindow::ControlText(int control) const {
  const HWND item = GetDlgItem(window_, control);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace tarvolk::dmx_test
