#include "step_parser.h"

#include <cstdio>
#include <cwchar>
#include <map>

namespace tarvolk::demo_host {
namespace {

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

}  // namespace tarvolk::demo_host
