#include "options.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>

#include "line_format.h"

namespace tarvolk::dmx_interface {

namespace {

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

using ValueSetter = std::function<bool(Options&, std::string_view)>;

const std::map<std::string_view, ValueSetter>& ValueOptions() {
  static const std::map<std::string_view, ValueSetter> setters = {
      {"--link",
       [](Options& o, std::string_view v) {
         o.link = v;
         return !v.empty();
       }},
      {"--device",
       [](Options& o, std::string_view v) {
         o.device = v;
         return !v.empty();
       }},
      {"--json",
       [](Options& o, std::string_view v) {
         o.jsonPath = v;
         return !v.empty();
       }},
      {"--duration",
       [](Options& o, std::string_view v) {
         o.durationS = ParseNumber<double>(v);
         return o.durationS && std::isfinite(*o.durationS) && *o.durationS > 0.0;
       }},
      {"--channels",
       [](Options& o, std::string_view v) {
         const auto count = ParseNumber<std::size_t>(v);
         o.shownChannels = count.value_or(0);
         return count && *count <= kMaxChannels;
       }},
      {"--refresh",
       [](Options& o, std::string_view v) {
         const auto hz = ParseNumber<double>(v);
         o.refreshHz = hz.value_or(0.0);
         return hz && *hz > 0.0 && *hz <= 100.0;
       }},
  };
  return setters;
}

}  // namespace

ParseResult ParseOptions(std::span<const std::string_view> args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") return HelpRequested{};
    if (arg == "--frames") {
      options.recordFrames = true;
      continue;
    }
    if (arg == "--quiet") {
      options.quiet = true;
      continue;
    }
    const auto setter = ValueOptions().find(arg);
    if (setter == ValueOptions().end()) return UsageError{"unknown option " + std::string(arg)};
    if (i + 1 == args.size()) return UsageError{std::string(arg) + " needs a value"};
    const std::string_view value = args[++i];
    if (!setter->second(options, value)) {
      return UsageError{"invalid value for " + std::string(arg) + ": " + std::string(value)};
    }
  }
  if (options.link.empty() && options.device.empty()) {
    return UsageError{"--link is required (or --device)"};
  }
  if (options.recordFrames && options.jsonPath.empty()) {
    return UsageError{"--frames needs --json"};
  }
  return options;
}

std::string HelpText() {
  return R"(Usage: dmx-interface --link PATH [options]

A virtual DMX interface: plays the device end of the plug-in's serial line
(19200 baud, 8N2), reads it no faster than the real line, decodes the
'P' frames and shows the channel levels live.

  --link PATH       create a pseudo-terminal and publish its far end as a
                    symlink at PATH (point a writer or a Wine COM port here)
  --device PATH     open this serial device instead of a pseudo-terminal
                    (--link is then optional and points at the device)
  --duration SEC    stop after SEC seconds (default: until SIGINT, SIGTERM or SIGHUP)
  --json FILE       write the results as JSON to FILE at exit
  --frames          include every whole frame (arrival time, channels) in the JSON
  --channels K      channels shown in the live display (default 16, at most 254)
  --refresh HZ      screen redraws per second on a terminal (default 5; in a
                    log, one line per second)
  --quiet           no live display
  -h, --help        show this text
)";
}

}  // namespace tarvolk::dmx_interface
