#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tarvolk::dmx_interface {

struct Options {
  std::string link;    // symlink to publish; required unless a device is given
  std::string device;  // existing serial device to open instead of a pseudo-terminal
  std::optional<double> durationS;
  std::string jsonPath;
  bool recordFrames = false;
  std::size_t shownChannels = 16;
  double refreshHz = 5.0;
  bool quiet = false;
};

struct HelpRequested {};

struct UsageError {
  std::string message;
};

using ParseResult = std::variant<Options, HelpRequested, UsageError>;

// Parses the arguments after the program name.
ParseResult ParseOptions(std::span<const std::string_view> args);

std::string HelpText();

}  // namespace tarvolk::dmx_interface
