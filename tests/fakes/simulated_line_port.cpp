#include "fakes/simulated_line_port.h"

#include <algorithm>

#include "platform/line_settings.h"

namespace tarvolk::fakes {

SimulatedLinePort::Duration SimulatedLinePort::ByteTime() const {
  return platform::LineSettings::Parse(settings).value().ByteTime();
}

std::size_t SimulatedLinePort::QueuedAt(Duration time) const {
  const auto firstQueued = std::find_if(wire_.rbegin(), wire_.rend(),
                                        [time](const WireByte& b) { return b.start <= time; });
  return static_cast<std::size_t>(firstQueued - wire_.rbegin());
}

std::size_t SimulatedLinePort::Accept(std::span<const std::uint8_t> bytes) {
  const Duration now = clock_.Now();
  const Duration byteTime = ByteTime();
  const std::size_t room = driverQueue_ - std::min(driverQueue_, QueuedAt(now));
  const std::size_t taken = std::min(room, bytes.size());
  Duration next = wire_.empty() ? now : std::max(now, wire_.back().start + byteTime);
  for (std::size_t i = 0; i < taken; ++i, next += byteTime) wire_.push_back({next, bytes[i]});
  return taken;
}

}  // namespace tarvolk::fakes
