#include "host_steps.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cwchar>
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
constexpr wchar_t kMainCaption[] = L"Demo-Host";
// A host recomputes its picture 25 times a second and sends what changed.
constexpr milliseconds kShowPeriod{40};
constexpr milliseconds kIdlePeriod{1000};

const std::map<std::wstring, std::wstring>& PlainCalls() {
  static const std::map<std::wstring, std::wstring> calls = {
      {L"enable", L"Enable"}, {L"disable", L"Disable"}, {L"configure", L"Configure"},
      {L"term", L"Term"},     {L"name", L"PluginName"},
  };
  return calls;
}

std::vector<std::wstring> SplitAtComma(const std::wstring& text) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(L',', start)) != std::wstring::npos;
       start = comma + 1) {
    parts.push_back(text.substr(start, comma - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::optional<double> ParseDouble(const std::wstring& text) {
  wchar_t* end = nullptr;
  const double value = std::wcstod(text.c_str(), &end);
  if (text.empty() || *end != L'\0') return std::nullopt;
  return value;
}

std::optional<LONG> ParseLong(const std::wstring& text) {
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  if (text.empty() || *end != L'\0') return std::nullopt;
  return value;
}

std::optional<Step> ParseStep(const std::wstring& word) {
  const std::size_t equals = word.find(L'=');
  const std::wstring name = word.substr(0, equals);
  const std::vector<std::wstring> values = equals == std::wstring::npos
                                               ? std::vector<std::wstring>{}
                                               : SplitAtComma(word.substr(equals + 1));
  if (const auto call = PlainCalls().find(name); call != PlainCalls().end() && values.empty()) {
    return CallStep{call->second, {}};
  }
  if (name == L"window" && values.empty()) return WindowStep{WindowStep::kOpen, kMainCaption};
  if (name == L"window" && values.size() == 1) return WindowStep{WindowStep::kOpen, values[0]};
  if (name == L"disable" && values.size() == 1) return WindowStep{WindowStep::kDisable, values[0]};
  if (name == L"close" && values.size() == 1) return WindowStep{WindowStep::kClose, values[0]};
  if (name == L"close" && values.size() == 2) {
    if (const auto seconds = ParseDouble(values[1]); seconds && *seconds >= 0)
      return WindowStep{WindowStep::kClose, values[0], *seconds};
  }
  if (name == L"init" && values.size() == 2) return CallStep{L"Init", {values[0], values[1]}};
  if (name == L"set" && values.size() == 2) {
    const auto channel = ParseLong(values[0]);
    const auto value = ParseLong(values[1]);
    if (channel && value) return CallStep{L"SetChannel", {*channel, *value}};
  }
  if (name == L"wait" && values.size() == 1) {
    if (const auto seconds = ParseDouble(values[0]); seconds && *seconds >= 0)
      return WaitStep{*seconds};
  }
  if (name == L"configure" && values.size() == 1) {
    if (const auto seconds = ParseDouble(values[0]); seconds && *seconds >= 0)
      return ConfigureAndCloseStep{*seconds};
  }
  if (name == L"show" && values.size() == 2) {
    const auto seconds = ParseDouble(values[0]);
    const auto channels = ParseLong(values[1]);
    if (seconds && *seconds >= 0 && channels && *channels >= 1 && *channels <= 254) {
      return ShowStep{*seconds, static_cast<int>(*channels)};
    }
  }
  return std::nullopt;
}

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

std::optional<std::vector<Step>> ParseSteps(std::span<const std::wstring> words) {
  std::vector<Step> steps;
  for (const std::wstring& word : words) {
    const auto step = ParseStep(word);
    if (!step) {
      std::fwprintf(stderr, L"demo-host: cannot understand the step '%ls'\n", word.c_str());
      return std::nullopt;
    }
    steps.push_back(*step);
  }
  return steps;
}

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
