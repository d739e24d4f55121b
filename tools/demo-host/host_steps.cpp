#include "host_steps.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>

#include "host_window.h"
#include "light_show.h"
#include "message_pump.h"
#include "unix_time.h"
#include "utf8_output.h"

namespace tarvolk::demo_host {
namespace {

using std::chrono::milliseconds;

constexpr wchar_t kProgId[] = L"Tarvolk_DMX.clsOutputDriver";
// A host recomputes its picture 25 times a second and sends what changed.
constexpr milliseconds kShowPeriod{40};
constexpr milliseconds kIdlePeriod{1000};

std::wstring ArgumentText(const ByRefArgument& argument) {
  if (const auto* number = std::get_if<LONG>(&argument)) return std::to_wstring(*number);
  return L"\"" + std::get<std::wstring>(argument) + L"\"";
}

void RunCall(AutomationObject& driver, const CallStep& step) {
  std::wstring call = step.method + L"(";
  for (std::size_t i = 0; i < step.arguments.size(); ++i) {
    call += (i == 0 ? L"" : L", ") + ArgumentText(step.arguments[i]);
  }
  call += L")";
  const long long start = UnixMicroseconds();
  const CallOutcome outcome = driver.Call(step.method.c_str(), step.arguments);
  const long long end = UnixMicroseconds();
  PrintLine(L"call " + std::to_wstring(start) + L" " + std::to_wstring(end) + L" " + call +
            L" -> " + outcome.text);
}

// Sends the light show's changes, paced by the host's own timer. False when
// a WM_QUIT ended it.
bool RunShow(AutomationObject& driver, const ShowStep& step) {
  wchar_t seconds[32];
  std::swprintf(seconds, std::size(seconds), L"%.1f", step.seconds);
  PrintLine(L"show " + std::to_wstring(UnixMicroseconds()) + L" chase and fade on " +
            std::to_wstring(step.channels) + L" channels for " + seconds + L" s");
  const ULONGLONG start = GetTickCount64();
  std::vector<std::uint8_t> sent(static_cast<std::size_t>(step.channels), 0);
  unsigned long calls = 0;
  unsigned long failures = 0;
  long long slowestCall = 0;
  const auto tick = [&] {
    const double now = static_cast<double>(GetTickCount64() - start) / 1000.0;
    const std::vector<std::uint8_t> levels = LightShowAt(now, step.channels);
    for (std::size_t i = 0; i < levels.size(); ++i) {
      if (calls > 0 && levels[i] == sent[i]) continue;
      ++calls;
      const long long callStart = UnixMicroseconds();
      const CallOutcome outcome =
          driver.Call(L"SetChannel", {static_cast<LONG>(i + 1), static_cast<LONG>(levels[i])});
      slowestCall = std::max(slowestCall, UnixMicroseconds() - callStart);
      if (outcome.failed || outcome.text != L"true") {
        ++failures;
        PrintLine(L"show: SetChannel(" + std::to_wstring(i + 1) + L") -> " + outcome.text);
      }
      sent[i] = levels[i];
    }
  };
  const PumpResult pumped =
      PumpMessages(milliseconds(std::llround(step.seconds * 1000.0)), kShowPeriod, tick);
  PrintLine(L"show " + std::to_wstring(UnixMicroseconds()) + L" done: " + std::to_wstring(calls) +
            L" SetChannel calls, " + std::to_wstring(failures) + L" failed, slowest call " +
            std::to_wstring(slowestCall) + L" us, slowest message " +
            std::to_wstring(pumped.slowestMessage.count()) + L" us");
  return !pumped.quit;
}

// Closes the plug-in's dialog on this thread, found by its caption as a user
// sees it; runs inside the dialog's own message loop.
BOOL CALLBACK CloseIfConfigDialog(HWND window, LPARAM) {
  wchar_t caption[32] = {};
  GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
  if (!IsWindowVisible(window) || std::wcscmp(caption, L"Konfiguration") != 0) return TRUE;
  PostMessageW(window, WM_CLOSE, 0, 0);
  return FALSE;
}

void CALLBACK CloseConfigDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EnumThreadWindows(GetCurrentThreadId(), CloseIfConfigDialog, 0);
}

using HostWindows = std::map<std::wstring, std::unique_ptr<HostWindow>>;

void RunWindowStep(HostWindows& windows, const WindowStep& step) {
  auto& window = windows[step.caption];
  if (step.action == WindowStep::kOpen) {
    if (!window || !window->IsOpen()) {
      window = std::make_unique<HostWindow>(
          step.caption, static_cast<int>(windows.size()) - 1, [caption = step.caption] {
            PrintLine(L"closed " + caption + L" " + std::to_wstring(UnixMicroseconds()));
          });
    }
  } else if (!window || !window->IsOpen()) {
    PrintLine(L"no open window " + step.caption);
  } else if (step.action == WindowStep::kDisable) {
    window->Disable();
  } else {
    window->Close(milliseconds(std::llround(step.seconds * 1000.0)));
  }
}

// Runs one step; false when a WM_QUIT arrived while it pumped messages.
bool RunStep(AutomationObject& driver, HostWindows& windows, const Step& step) {
  if (const auto* call = std::get_if<CallStep>(&step)) {
    RunCall(driver, *call);
    return true;
  }
  if (const auto* wait = std::get_if<WaitStep>(&step)) {
    return !PumpMessages(milliseconds(std::llround(wait->seconds * 1000.0)), kIdlePeriod, [] {
            }).quit;
  }
  if (const auto* show = std::get_if<ShowStep>(&step)) return RunShow(driver, *show);
  if (const auto* configure = std::get_if<ConfigureAndCloseStep>(&step)) {
    SetTimer(nullptr, 0, static_cast<UINT>(std::llround(configure->seconds * 1000.0)),
             CloseConfigDialog);
    RunCall(driver, CallStep{L"Configure", {}});
    return true;
  }
  RunWindowStep(windows, std::get<WindowStep>(step));
  return true;
}

}  // namespace

bool RunSteps(const std::vector<Step>& steps) {
  try {
    AutomationObject driver(kProgId);
    HostWindows windows;
    for (const Step& step : steps) {
      // A WM_QUIT ends the session, as it ends a host's message loop.
      if (!RunStep(driver, windows, step)) {
        PrintLine(L"quit " + std::to_wstring(UnixMicroseconds()));
        break;
      }
    }
    return true;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "demo-host: %s\n", error.what());
    return false;
  }
}

}  // namespace tarvolk::demo_host
