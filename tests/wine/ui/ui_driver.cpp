// ui-driver: test automation for windows of another process, the way a
// tester would work them: find a window by class and caption, read the texts
// of its controls, type into them, press buttons and close it. It runs its
// arguments as actions in order and stops at the first that fails (exit 1):
//   window=CLASS|CAPTION  wait for that visible top-level window; it becomes current
//   gone                  wait until the current window is hidden or destroyed
//   has=TEXT              one of its controls shows exactly TEXT
//   shows=TEXT            one of its controls shows TEXT within its text (waits for it)
//   text=CLASS=TEXT       its first control of CLASS shows exactly TEXT (waits for it)
//   set=CLASS=TEXT        put TEXT into its first control of CLASS (CLASS#N: its N-th)
//   select=CLASS=INDEX    select entry INDEX of its first combo box of CLASS
//   entries=N             its first combo box lists exactly N entries
//   press=TEXT            click its button labelled TEXT
//   slide=N               move its first slider to N, as dragging it would
//   close                 its close box (SC_CLOSE, as Alt+F4 and the box do)
//   end                   WM_CLOSE, as Task Manager's "End task" sends it, also to a
//                         window a modal one has disabled
//   key=KEY               press TAB, SHIFT+TAB, RETURN, ESCAPE or ALT+F4 in it
//   type=TEXT             type TEXT into whatever has the focus in it
//   focus=CLASS           wait until the keyboard focus is in its first control of CLASS
//   enabled=0|1           it is disabled (0) or enabled (1) (waits for it: a modal
//                         loop gives its windows back as it ends)
//   shown                 it is still visible
//   pause=MS              wait that long
//   quit                  post WM_QUIT to its thread, as when its program is told to end
//   endsession            WM_QUERYENDSESSION and WM_ENDSESSION, as Windows sends them at
//                         a logoff, then its process ended, as Windows may end it as
//                         soon as they have returned
//   drop                  open its combo box's drop-down list
//   list-shows=N          that open list shows N entries at once and takes input
//   shape=WIDTH,HEIGHT    a fixed tool window without minimise and maximise,
//                         centred, client area WIDTH x HEIGHT twips
//   move=X,Y              move it there, as a user dragging it would
//   fits                  every label and edit field shows its whole text,
//                         measured in its own font by fit-probe.dll
//   bounds                prints where it lies on the screen, with its open drop-down
//                         list, as ImageMagick's WIDTHxHEIGHT+LEFT+TOP (for screenshots)
#include <windows.h>

// After windows.h.
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "utf8_output.h"

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr DWORD kPollMs = 50;

HWND current = nullptr;

void Report(bool passed, const std::wstring& action, const std::wstring& detail = L"") {
  std::wstring line = (passed ? L"ui ok   " : L"ui FAIL ") + action;
  if (!detail.empty()) line += L"  (" + detail + L")";
  tarvolk::demo_host::PrintLine(line);
}

bool WaitFor(const std::function<bool()>& condition) {
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  while (!condition()) {
    if (GetTickCount64() > deadline) return false;
    Sleep(kPollMs);
  }
  return true;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = L"";
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, &length);
  return std::wstring(text, length);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = L"";
  return std::wstring(name, static_cast<std::size_t>(GetClassNameW(window, name, 256)));
}

// Splits "A=B" (or "A|B") at the first separator.
std::pair<std::wstring, std::wstring> SplitPair(const std::wstring& text, wchar_t separator) {
  const std::size_t at = text.find(separator);
  if (at == std::wstring::npos) return {text, L""};
  return {text.substr(0, at), text.substr(at + 1)};
}

// "Edit" is its first control of that class, "Edit#2" its second.
HWND Control(const std::wstring& name) {
  const auto [className, number] = SplitPair(name, L'#');
  HWND control = nullptr;
  for (unsigned long n = number.empty() ? 1 : std::wcstoul(number.c_str(), nullptr, 10);
       n > 0 && current != nullptr; --n) {
    control = FindWindowExW(current, control, className.c_str(), nullptr);
    if (control == nullptr) return nullptr;
  }
  return control;
}

bool HasControlWithText(const std::wstring& text, bool within) {
  for (HWND child = GetWindow(current, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const std::wstring shown = TextOf(child);
    if (within ? shown.find(text) != std::wstring::npos : shown == text) return true;
  }
  return false;
}

bool SlideAction(const std::wstring& value) {
  HWND slider = Control(L"msctls_trackbar32");
  if (slider == nullptr) return false;
  const auto position = static_cast<WORD>(std::wcstoul(value.c_str(), nullptr, 10));
  SendMessageW(slider, TBM_SETPOS, TRUE, position);
  return PostMessageW(GetParent(slider), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position),
                      reinterpret_cast<LPARAM>(slider)) != 0;
}

std::wstring ListControls() {
  std::wstring list;
  for (HWND child = GetWindow(current, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    list += (list.empty() ? L"" : L", ") + ClassOf(child) + L" \"" + TextOf(child) + L"\"";
  }
  return list;
}

bool FindWindowAction(const std::wstring& value) {
  const auto [className, caption] = SplitPair(value, L'|');
  const bool found = WaitFor([&] {
    current = FindWindowW(className.c_str(), caption.c_str());
    return current != nullptr && IsWindowVisible(current);
  });
  return found;
}

bool GoneAction() {
  const HWND window = current;
  return WaitFor([window] { return !IsWindow(window) || !IsWindowVisible(window); });
}

// Waits a little for the text: typed keys arrive after SendInput returned.
bool TextAction(const std::wstring& value, std::wstring& detail) {
  const auto [className, expected] = SplitPair(value, L'=');
  HWND control = Control(className);
  if (control == nullptr) return false;
  const bool shown = WaitFor([&] { return TextOf(control) == expected; });
  detail = L"shows \"" + TextOf(control) + L"\"";
  return shown;
}

bool SetAction(const std::wstring& value) {
  const auto [className, text] = SplitPair(value, L'=');
  HWND control = Control(className);
  return control != nullptr &&
         SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, 2000, nullptr) != 0;
}

bool SelectAction(const std::wstring& value) {
  const auto [className, index] = SplitPair(value, L'=');
  HWND control = Control(className);
  return control != nullptr &&
         SendMessageTimeoutW(control, CB_SETCURSEL, std::wcstoul(index.c_str(), nullptr, 10), 0,
                             SMTO_ABORTIFHUNG, 2000, nullptr) != 0;
}

bool PressAction(const std::wstring& label) {
  HWND button = nullptr;
  while ((button = FindWindowExW(current, button, L"Button", nullptr)) != nullptr) {
    if (TextOf(button) == label) return PostMessageW(button, BM_CLICK, 0, 0) != 0;
  }
  return false;
}

INPUT KeyInput(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = flags;
  return input;
}

bool KeyAction(const std::wstring& chord) {
  static const std::map<std::wstring, std::vector<WORD>> kChords = {
      {L"TAB", {VK_TAB}},       {L"SHIFT+TAB", {VK_SHIFT, VK_TAB}}, {L"RETURN", {VK_RETURN}},
      {L"ESCAPE", {VK_ESCAPE}}, {L"ALT+F4", {VK_MENU, VK_F4}},
  };
  const auto keys = kChords.find(chord);
  if (keys == kChords.end() || current == nullptr) return false;
  SetForegroundWindow(current);
  std::vector<INPUT> inputs;
  for (const WORD key : keys->second) {
    inputs.push_back(KeyInput(key, 0));
  }
  for (auto key = keys->second.rbegin(); key != keys->second.rend(); ++key) {
    inputs.push_back(KeyInput(*key, KEYEVENTF_KEYUP));
  }
  const auto count = static_cast<UINT>(inputs.size());
  return SendInput(count, inputs.data(), sizeof(INPUT)) == count;
}

bool TypeAction(const std::wstring& text) {
  if (current == nullptr) return false;
  SetForegroundWindow(current);
  std::vector<INPUT> inputs;
  for (const wchar_t character : text) {
    for (const DWORD flags :
         {DWORD{KEYEVENTF_UNICODE}, DWORD{KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}}) {
      INPUT input = KeyInput(0, flags);
      input.ki.wScan = character;
      inputs.push_back(input);
    }
  }
  const auto count = static_cast<UINT>(inputs.size());
  return SendInput(count, inputs.data(), sizeof(INPUT)) == count;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                            : nullptr;
}

bool FocusAction(const std::wstring& className, std::wstring& detail) {
  HWND control = Control(className);
  if (control == nullptr) return false;
  const bool focused = WaitFor([control] {
    HWND focus = FocusOf(current);
    return focus != nullptr && (focus == control || IsChild(control, focus));
  });
  if (!focused) {
    HWND focus = FocusOf(current);
    detail = L"focus on " +
             (focus == nullptr ? L"nothing" : ClassOf(focus) + L" \"" + TextOf(focus) + L"\"");
  }
  return focused;
}

// The open list of a combo box is a top-level window of class ComboLBox;
// the component's dialog has the only combo box on the desktop.
bool ListShowsAction(const std::wstring& entries, std::wstring& detail) {
  HWND listBox = FindWindowW(L"ComboLBox", nullptr);
  if (listBox == nullptr || !IsWindowVisible(listBox)) {
    detail = L"no open list";
    return false;
  }
  RECT list{};
  GetClientRect(listBox, &list);
  const auto itemHeight = static_cast<long>(SendMessageW(listBox, LB_GETITEMHEIGHT, 0, 0));
  detail = L"list " + std::to_wstring(list.bottom) + L" px, entries " +
           std::to_wstring(itemHeight) + L" px";
  if (!IsWindowEnabled(listBox)) detail += L", disabled";
  return itemHeight > 0 && list.bottom >= std::wcstol(entries.c_str(), nullptr, 10) * itemHeight &&
         IsWindowEnabled(listBox);
}

bool ShapeAction(const std::wstring& value, std::wstring& detail) {
  const auto [widthTwips, heightTwips] = SplitPair(value, L',');
  HDC screen = GetDC(nullptr);
  const int wantWidth =
      MulDiv(std::wcstol(widthTwips.c_str(), nullptr, 10), GetDeviceCaps(screen, LOGPIXELSX), 1440);
  const int wantHeight = MulDiv(std::wcstol(heightTwips.c_str(), nullptr, 10),
                                GetDeviceCaps(screen, LOGPIXELSY), 1440);
  ReleaseDC(nullptr, screen);
  RECT client{};
  RECT frame{};
  GetClientRect(current, &client);
  GetWindowRect(current, &frame);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(current, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(current, GWL_EXSTYLE));
  const int leftGap = frame.left;
  const int rightGap = GetSystemMetrics(SM_CXSCREEN) - frame.right;
  const int topGap = frame.top;
  const int bottomGap = GetSystemMetrics(SM_CYSCREEN) - frame.bottom;
  detail = L"client " + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom) +
           L", want " + std::to_wstring(wantWidth) + L"x" + std::to_wstring(wantHeight) +
           L", style 0x" + std::to_wstring(style) + L", gaps " + std::to_wstring(leftGap) + L"/" +
           std::to_wstring(rightGap) + L" " + std::to_wstring(topGap) + L"/" +
           std::to_wstring(bottomGap);
  return client.right == wantWidth && client.bottom == wantHeight &&
         (exStyle & WS_EX_TOOLWINDOW) != 0 && (style & WS_CAPTION) == WS_CAPTION &&
         (style & WS_SYSMENU) != 0 &&
         (style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0 &&
         std::abs(leftGap - rightGap) <= 1 && std::abs(topGap - bottomGap) <= 1;
}

bool EndSessionAction() {
  DWORD process = 0;
  GetWindowThreadProcessId(current, &process);
  HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, process);
  if (handle == nullptr) return false;
  SendMessageTimeoutW(current, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kWaitMs,
                      nullptr);
  const bool told = SendMessageTimeoutW(current, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                        SMTO_ABORTIFHUNG, kWaitMs, nullptr) != 0;
  const bool ended = TerminateProcess(handle, 0) != 0;
  CloseHandle(handle);
  return told && ended;
}

bool MoveAction(const std::wstring& value) {
  const auto [x, y] = SplitPair(value, L',');
  return current != nullptr && SetWindowPos(current, nullptr, std::wcstol(x.c_str(), nullptr, 10),
                                            std::wcstol(y.c_str(), nullptr, 10), 0, 0,
                                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
}

// A font can be measured only in the process that created it: fit-probe.dll's
// hook does it on the window's own thread and answers with one line per
// control as the text of a window of ours.
bool FitsAction() {
  if (current == nullptr) return false;
  HMODULE probe = LoadLibraryW(L"fit-probe.dll");
  const auto hook = probe == nullptr ? nullptr
                                     : reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                           GetProcAddress(probe, "FitProbeHook")));
  HWND answer = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HHOOK installed = hook == nullptr || answer == nullptr
                        ? nullptr
                        : SetWindowsHookExW(WH_GETMESSAGE, hook, probe,
                                            GetWindowThreadProcessId(current, nullptr));
  std::wstring report;
  if (installed != nullptr && PostMessageW(current, RegisterWindowMessageW(L"TarvolkFitProbe"),
                                           reinterpret_cast<WPARAM>(answer), 0)) {
    // The answer arrives as a sent message, which only a pumping thread receives.
    WaitFor([&] {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      report = TextOf(answer);
      return !report.empty();
    });
  }
  if (installed != nullptr) UnhookWindowsHookEx(installed);
  if (answer != nullptr) DestroyWindow(answer);
  for (std::size_t start = 0, end; (end = report.find(L'\n', start)) != std::wstring::npos;
       start = end + 1) {
    tarvolk::demo_host::PrintLine(L"        " + report.substr(start, end - start));
  }
  return !report.empty() && report.find(L"CUT") == std::wstring::npos;
}

// The component's dialog has the only combo box on the desktop (as in ListShowsAction).
bool BoundsAction(std::wstring& detail) {
  RECT bounds{};
  if (current == nullptr || !GetWindowRect(current, &bounds)) return false;
  HWND listBox = FindWindowW(L"ComboLBox", nullptr);
  RECT list{};
  if (listBox != nullptr && IsWindowVisible(listBox) && GetWindowRect(listBox, &list)) {
    UnionRect(&bounds, &bounds, &list);
  }
  detail = std::to_wstring(bounds.right - bounds.left) + L"x" +
           std::to_wstring(bounds.bottom - bounds.top) + L"+" + std::to_wstring(bounds.left) +
           L"+" + std::to_wstring(bounds.top);
  return true;
}

bool Run(const std::wstring& argument) {
  const auto [action, value] = SplitPair(argument, L'=');
  std::wstring detail;
  bool passed = false;
  if (action == L"window") {
    passed = FindWindowAction(value);
  } else if (action == L"gone") {
    passed = GoneAction();
  } else if (action == L"has" || action == L"shows") {
    const bool within = action == L"shows";
    passed =
        current != nullptr && (within ? WaitFor([&] { return HasControlWithText(value, true); })
                                      : HasControlWithText(value, false));
    if (!passed && current != nullptr) detail = L"controls: " + ListControls();
  } else if (action == L"text") {
    passed = TextAction(value, detail);
  } else if (action == L"set") {
    passed = SetAction(value);
  } else if (action == L"select") {
    passed = SelectAction(value);
  } else if (action == L"entries") {
    const LRESULT count = SendMessageW(Control(L"ComboBox"), CB_GETCOUNT, 0, 0);
    passed = count == std::wcstol(value.c_str(), nullptr, 10);
    detail = std::to_wstring(count) + L" entries";
  } else if (action == L"press") {
    passed = current != nullptr && PressAction(value);
  } else if (action == L"slide") {
    passed = SlideAction(value);
  } else if (action == L"close") {
    passed = current != nullptr && PostMessageW(current, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
  } else if (action == L"end") {
    passed = current != nullptr && PostMessageW(current, WM_CLOSE, 0, 0) != 0;
  } else if (action == L"key") {
    passed = KeyAction(value);
  } else if (action == L"type") {
    passed = TypeAction(value);
  } else if (action == L"focus") {
    passed = FocusAction(value, detail);
  } else if (action == L"enabled") {
    passed = current != nullptr &&
             WaitFor([&] { return (IsWindowEnabled(current) != 0) == (value == L"1"); });
  } else if (action == L"shown") {
    passed = current != nullptr && IsWindowVisible(current);
  } else if (action == L"quit") {
    passed = current != nullptr &&
             PostThreadMessageW(GetWindowThreadProcessId(current, nullptr), WM_QUIT, 0, 0) != 0;
  } else if (action == L"endsession") {
    passed = current != nullptr && EndSessionAction();
  } else if (action == L"pause") {
    Sleep(std::wcstoul(value.c_str(), nullptr, 10));
    passed = true;
  } else if (action == L"list-shows") {
    passed = ListShowsAction(value, detail);
  } else if (action == L"drop") {
    HWND combo = Control(L"ComboBox");
    passed = combo != nullptr && PostMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0) != 0;
  } else if (action == L"shape") {
    passed = current != nullptr && ShapeAction(value, detail);
  } else if (action == L"move") {
    passed = MoveAction(value);
  } else if (action == L"fits") {
    passed = FitsAction();
  } else if (action == L"bounds") {
    passed = BoundsAction(detail);
  } else {
    detail = L"unknown action";
  }
  Report(passed, argument, detail);
  return passed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!Run(argv[i])) return 1;
  }
  return 0;
}
