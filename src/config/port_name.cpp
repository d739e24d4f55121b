#include "config/port_name.h"

#include <algorithm>

#include "engine/numeric_text.h"

namespace tarvolk::config {
namespace {

constexpr std::u16string_view kPrefix = u"COM";
constexpr std::u16string_view kBlanks = u" \t";
constexpr int kHighestPort = 255;

// "com7" and "Com7" name the port as "COM7" does.
bool StartsWithPrefix(std::u16string_view text) {
  return std::ranges::equal(text.substr(0, kPrefix.size()), kPrefix,
                            [](char16_t typed, char16_t letter) {
                              return typed == letter || typed == letter + (u'a' - u'A');
                            });
}

}  // namespace

std::u16string PortName(std::uint8_t port) {
  return std::u16string(kPrefix) + engine::ToDecimalText(port);
}

std::uint8_t PortFromText(std::u16string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::u16string_view::npos) return 0;
  text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
  if (StartsWithPrefix(text)) text.remove_prefix(kPrefix.size());
  if (text.empty()) return 0;
  int port = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return 0;
    port = port * 10 + (c - u'0');
    if (port > kHighestPort) return 0;
  }
  return static_cast<std::uint8_t>(port);
}

}  // namespace tarvolk::config
