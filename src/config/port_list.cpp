#include "config/port_list.h"

#include <algorithm>
#include <map>
#include <set>

#include "config/port_name.h"

namespace tarvolk::config {
namespace {

constexpr std::u16string_view kSeparator = u" – ";

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void TrimBlanks(std::u16string& text) {
  text.erase(0, std::min(text.find_first_not_of(u' '), text.size()));
  text.erase(text.find_last_not_of(u' ') + 1);
}

// "(COM7)" after an opening bracket, in any case; not a bare number.
bool NamesAPort(std::u16string_view bracketed) {
  if (!bracketed.ends_with(u')')) return false;
  const std::u16string_view inner = bracketed.substr(1, bracketed.size() - 2);
  return !inner.empty() && (inner[0] == u'C' || inner[0] == u'c') && PortFromText(inner) != 0;
}

}  // namespace

std::u16string WithoutPortName(std::u16string_view deviceName) {
  std::u16string name(deviceName);
  std::ranges::replace_if(name, IsControl, u' ');
  TrimBlanks(name);
  if (const std::size_t open = name.rfind(u'(');
      open != std::u16string::npos && NamesAPort(std::u16string_view(name).substr(open))) {
    name.erase(open);
    TrimBlanks(name);
  }
  return name;
}

std::vector<PortEntry> PortList(const std::optional<std::vector<platform::NamedPort>>& present,
                                std::initializer_list<std::uint8_t> kept) {
  std::map<std::uint8_t, std::u16string> texts;
  for (int port = 1; port <= kPortListSize; ++port) {
    texts[static_cast<std::uint8_t>(port)] = PortName(static_cast<std::uint8_t>(port));
  }
  std::set<std::uint8_t> named;
  for (const platform::NamedPort& device : present.value_or(std::vector<platform::NamedPort>{})) {
    const auto port = static_cast<std::uint8_t>(device.number);
    // A port Windows lists twice (as a port and as a modem) keeps its first name.
    if (device.number < 1 || device.number > 255 || !named.insert(port).second) continue;
    const std::u16string name = WithoutPortName(device.name);
    texts[port] = PortName(port) + (name.empty() ? u"" : std::u16string(kSeparator) + name);
  }
  for (const std::uint8_t port : kept) {
    if (port == 0 || texts.contains(port)) continue;
    texts[port] = PortName(port) +
                  (present ? std::u16string(kSeparator) + std::u16string(kAbsentPortText) : u"");
  }
  std::vector<PortEntry> entries;
  for (auto& [port, text] : texts) entries.push_back({port, std::move(text)});
  return entries;
}

}  // namespace tarvolk::config
