#include "json_report.h"

#include <cstdio>
#include <optional>
#include <string>

#include "line_format.h"

namespace tarvolk::dmx_interface {

namespace {

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

std::string Number(const std::optional<double>& value) { return value ? Number(*value) : "null"; }

void WriteFrames(std::ostream& out, const std::vector<FrameRecord>& frames) {
  out << ",\n  \"frame_records\": [";
  const char* separator = "\n    ";
  for (const FrameRecord& frame : frames) {
    out << separator << "{\"t_us\": " << frame.realtimeUs << ", \"channels\": [";
    const char* comma = "";
    for (const std::uint8_t value : frame.channels) {
      out << comma << static_cast<unsigned>(value);
      comma = ",";
    }
    out << "]}";
    separator = ",\n    ";
  }
  out << (frames.empty() ? "]" : "\n  ]");
}

}  // namespace

void WriteJson(std::ostream& out, const Report& report) {
  const DecoderCounts& c = report.counts;
  std::optional<double> share;
  if (report.frameBytesPerS) share = *report.frameBytesPerS / kLineBytesPerSecond;
  out << "{\n"
      << "  \"line_capacity_bytes_per_s\": " << Number(kLineBytesPerSecond) << ",\n"
      << "  \"duration_s\": " << Number(report.durationS) << ",\n"
      << "  \"active_s\": " << Number(report.activeS) << ",\n"
      << "  \"bytes\": " << c.bytes << ",\n"
      << "  \"frames\": " << c.frames << ",\n"
      << "  \"frame_bytes\": " << c.frameBytes << ",\n"
      << "  \"bad_frames\": {\"total\": " << c.BadFrames()
      << ", \"wrong_start_code\": " << c.wrongStartCode << ", \"torn\": " << c.torn
      << ", \"zero_length\": " << c.zeroLength << "},\n"
      << "  \"stray_bytes\": " << c.strayBytes << ",\n"
      << "  \"skipped_bytes\": " << c.skippedBytes << ",\n"
      << "  \"frames_per_s\": " << Number(report.framesPerS) << ",\n"
      << "  \"line_bytes_per_s\": " << Number(report.lineBytesPerS) << ",\n"
      << "  \"line_share\": " << Number(share);
  if (report.frames) WriteFrames(out, *report.frames);
  out << "\n}\n";
}

}  // namespace tarvolk::dmx_interface
