#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "frame_decoder.h"
#include "rate_meter.h"
#include "report.h"
#include "token_bucket.h"

namespace tarvolk::dmx_interface {

struct MonitorSettings {
  std::string source;  // shown in the display
  std::optional<double> durationS;
  bool recordFrames = false;
  std::size_t shownChannels = 16;
  double refreshHz = 5.0;
  bool quiet = false;
  bool terminal = false;  // redraw a screen in place rather than print log lines
};

// Reads the line at its true speed, decodes it and keeps the display and the
// results up to date.
class Monitor {
 public:
  Monitor(int fd, MonitorSettings settings, std::ostream& out);

  // Runs until the duration has passed or `stop` becomes non-zero.
  Report Run(const volatile std::sig_atomic_t& stop);

 private:
  void OnFrame(const FrameView& frame);
  // Reads what the line has carried by `nowNs`; false once its queue is empty.
  bool ReadPaced(std::int64_t nowNs);
  void WaitForWriter(std::int64_t nowNs, std::int64_t untilNs);
  void Show(std::int64_t nowNs);
  Report Finish(std::int64_t nowNs);

  int fd_;
  MonitorSettings settings_;
  std::ostream& out_;
  std::int64_t startNs_;
  TokenBucket bucket_;
  FrameDecoder decoder_;
  RateMeter liveFrames_;
  RateMeter liveFrameBytes_;
  SpanRate lineBytes_;
  SpanRate frames_;
  SpanRate frameBytes_;
  std::vector<std::uint8_t> latest_;
  bool haveFrame_ = false;
  std::vector<FrameRecord> records_;
};

}  // namespace tarvolk::dmx_interface
