#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace tarvolk::platform {

enum class Parity { kNone, kOdd, kEven, kMark, kSpace };

// Serial line settings in the control's text form "baud,parity,data,stop",
// e.g. "19200,N,8,2". Stop bits may be 1, 1.5 or 2.
struct LineSettings {
  int baud = 0;
  Parity parity = Parity::kNone;
  int dataBits = 0;
  double stopBits = 0.0;

  static std::optional<LineSettings> Parse(std::string_view text);
  bool operator==(const LineSettings&) const = default;

  // Bit times one byte occupies on the line: start bit, data, parity, stop.
  double BitsPerByte() const;
  double BytesPerSecond() const;
  std::chrono::nanoseconds ByteTime() const;
};

}  // namespace tarvolk::platform
