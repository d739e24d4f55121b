#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_error.h"

namespace tarvolk::platform {

// A COM port present on the machine and Device Manager's name for its device
// ("USB Serial Port (COM7)"); the name is empty when the device has none.
struct NamedPort {
  std::int16_t number = 0;
  std::u16string name;
  bool operator==(const NamedPort&) const = default;
};

// How long a listing may take before its answer counts as overdue.
inline constexpr std::chrono::seconds kListingAnswerBound{5};

// The answer to one listing of the ports present: the ports, or why there
// are none to show.
struct PortListing {
  std::vector<NamedPort> ports;
  // Windows refused the listing.
  std::optional<PlatformError> failure = std::nullopt;
  // Windows listed one device class and refused the other: the ports are
  // those it listed.
  std::optional<PlatformError> partly = std::nullopt;
  // Windows has not answered within kListingAnswerBound; an answer may
  // still follow.
  bool overdue = false;
};

}  // namespace tarvolk::platform
