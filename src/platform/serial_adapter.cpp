#include "platform/serial_adapter.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace tarvolk::platform {
namespace {

bool Alike(const PresentPort& port, const SerialAdapter& adapter) {
  return port.adapter && port.adapter->vendor == adapter.vendor &&
         port.adapter->product == adapter.product;
}

// Whether a port on `number` among `ports` matches.
template <class Match>
bool AnyOn(const std::vector<PresentPort>& ports, std::int16_t number, Match matches) {
  return std::any_of(ports.begin(), ports.end(), [&](const PresentPort& port) {
    return port.number == number && matches(port);
  });
}

// Four hexadecimal digits, as Windows writes vendor and product.
std::u16string Hex4(std::uint16_t value) {
  std::u16string digits(4, u'0');
  for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit, value >>= 4) {
    *digit = u"0123456789ABCDEF"[value & 0xF];
  }
  return digits;
}

}  // namespace

std::optional<AdapterSighting> SightAdapter(std::int16_t number,
                                            const std::vector<PresentPort>& present) {
  // A modem Windows lists on a port as well has no adapter of its own.
  const auto port = std::find_if(present.begin(), present.end(), [number](const PresentPort& p) {
    return p.number == number && p.adapter;
  });
  if (port == present.end()) return std::nullopt;
  AdapterSighting sighting{*port->adapter, {}};
  std::copy_if(present.begin(), present.end(), std::back_inserter(sighting.alike),
               [&](const PresentPort& p) { return Alike(p, sighting.adapter); });
  return sighting;
}

AdapterSighting Renewed(const AdapterSighting& sighting, std::int16_t except,
                        const std::vector<PresentPort>& present) {
  AdapterSighting renewed = sighting;
  for (const PresentPort& port : present) {
    const auto known = [&](const PresentPort& p) {
      return p.number == port.number && p.adapter == port.adapter;
    };
    if (port.number != except && Alike(port, sighting.adapter) &&
        std::none_of(renewed.alike.begin(), renewed.alike.end(), known)) {
      renewed.alike.push_back(port);
    }
  }
  return renewed;
}

std::optional<std::int16_t> FindMovedAdapter(const AdapterSighting& sighting,
                                             std::int16_t lostNumber,
                                             const std::vector<PresentPort>& present) {
  const auto same = [&](const PresentPort& port) { return port.adapter == sighting.adapter; };
  const auto alike = [&](const PresentPort& port) { return Alike(port, sighting.adapter); };
  // Still there, only slow to open or held by another program.
  if (AnyOn(present, lostNumber, alike)) return std::nullopt;
  std::vector<std::int16_t> appeared;
  for (const PresentPort& port : present) {
    if (same(port) && !AnyOn(sighting.alike, port.number, same)) appeared.push_back(port.number);
  }
  if (appeared.size() != 1) return std::nullopt;
  return appeared.front();
}

std::u16string Describe(const AdapterSighting& sighting) {
  const SerialAdapter& adapter = sighting.adapter;
  std::u16string text = u"USB-Adapter " + Hex4(adapter.vendor) + u":" + Hex4(adapter.product);
  text += adapter.serial.empty() ? u" ohne Seriennummer" : u", Seriennummer " + adapter.serial;
  if (!adapter.chipChannel) return text;
  // The device's ports present: its interfaces (or FTDI channels), counted
  // from its own, not from the interface numbers, which a CDC port spends two of.
  std::set<std::uint8_t> channels{*adapter.chipChannel};
  for (const PresentPort& port : sighting.alike) {
    if (port.adapter && port.adapter->serial == adapter.serial && port.adapter->chipChannel) {
      channels.insert(*port.adapter->chipChannel);
    }
  }
  if (channels.size() < 2) return text;
  const auto index = std::distance(channels.begin(), channels.find(*adapter.chipChannel));
  return text + u", Kanal " + static_cast<char16_t>(u'A' + index);
}

}  // namespace tarvolk::platform
