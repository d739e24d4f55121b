#include "monitor.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <limits>
#include <system_error>
#include <utility>

#include "clocks.h"
#include "display.h"
#include "line_format.h"

namespace tarvolk::dmx_interface {

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kNsPerMs = 1'000'000;
// Reads of 4 bytes come every 2.3 ms. While the line is busy the bucket holds
// up to 64 bytes (37 ms), so a wake-up delayed on a loaded machine loses no
// line time; an idle line earns nothing, as the bucket restarts empty after it.
constexpr std::size_t kReadChunk = 4;
constexpr std::size_t kBucketDepth = 64;
constexpr std::int64_t kLiveWindowNs = 2 * kNsPerSecond;
// An idle line is still checked this often for a stop request.
constexpr std::int64_t kMaxIdleWaitNs = 100 * kNsPerMs;
constexpr std::int64_t kLogPeriodNs = kNsPerSecond;
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

std::int64_t SecondsToNs(double seconds) {
  return static_cast<std::int64_t>(std::llround(seconds * static_cast<double>(kNsPerSecond)));
}

std::int64_t ByteTimesNs(std::size_t bytes) {
  return static_cast<std::int64_t>(bytes) * kBitsPerByte * kNsPerSecond / kBaud;
}

double NsToSeconds(std::int64_t ns) {
  return static_cast<double>(ns) / static_cast<double>(kNsPerSecond);
}

}  // namespace

Monitor::Monitor(int fd, MonitorSettings settings, std::ostream& out)
    : fd_(fd),
      settings_(std::move(settings)),
      out_(out),
      startNs_(MonotonicNs()),
      bucket_(kBaud, kBitsPerByte, kBucketDepth, startNs_),
      decoder_([this](const FrameView& frame) { OnFrame(frame); }),
      liveFrames_(kLiveWindowNs, startNs_),
      liveFrameBytes_(kLiveWindowNs, startNs_) {}

Report Monitor::Run(const volatile std::sig_atomic_t& stop) {
  const std::int64_t endNs =
      settings_.durationS ? startNs_ + SecondsToNs(*settings_.durationS) : kNever;
  const std::int64_t showPeriodNs =
      settings_.terminal ? SecondsToNs(1.0 / settings_.refreshHz) : kLogPeriodNs;
  std::int64_t nextShowNs = settings_.quiet ? kNever : startNs_ + showPeriodNs;
  bool lineBusy = true;
  std::int64_t nowNs = startNs_;
  while (stop == 0 && nowNs < endNs) {
    if (nowNs >= nextShowNs) {
      Show(nowNs);
      nextShowNs = nowNs + showPeriodNs;
    }
    const std::int64_t wakeNs = std::min({nextShowNs, endNs, nowNs + kMaxIdleWaitNs});
    if (lineBusy) {
      SleepUntil(std::min(bucket_.ReadyAt(kReadChunk), wakeNs));
      nowNs = MonotonicNs();
      lineBusy = ReadPaced(nowNs);
    } else {
      WaitForWriter(nowNs, wakeNs);
      lineBusy = true;
    }
    nowNs = MonotonicNs();
  }
  return Finish(nowNs);
}

bool Monitor::ReadPaced(std::int64_t nowNs) {
  std::array<std::uint8_t, kBucketDepth> buffer;
  const std::size_t allowed = std::min(bucket_.Available(nowNs), buffer.size());
  if (allowed == 0) return true;
  const ssize_t got = ::read(fd_, buffer.data(), allowed);
  if (got < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
    throw std::system_error(errno, std::generic_category(), "read from the line");
  }
  if (got > 0) {
    const auto count = static_cast<std::size_t>(got);
    bucket_.Take(count);
    lineBytes_.Add(nowNs, count);
    // The bucket let these bytes through at the line's pace, so each arrived
    // one byte time after the one before, the last just now.
    const Arrival last{nowNs, RealtimeUs()};
    for (std::size_t i = 0; i < count; ++i) {
      const std::int64_t earlierNs = ByteTimesNs(count - 1 - i);
      decoder_.Feed(std::span(&buffer[i], 1),
                    {last.monotonicNs - earlierNs, last.realtimeUs - earlierNs / 1000});
    }
  }
  if (got == static_cast<ssize_t>(allowed)) return true;
  decoder_.LineIdle();
  return false;
}

void Monitor::WaitForWriter(std::int64_t nowNs, std::int64_t untilNs) {
  pollfd line{fd_, POLLIN, 0};
  const auto timeoutMs = static_cast<int>((untilNs - nowNs + kNsPerMs - 1) / kNsPerMs);
  const int ready = ::poll(&line, 1, std::max(timeoutMs, 0));
  if (ready > 0 && (line.revents & POLLIN) == 0) {
    // A hung-up device reports at once without data: sleep rather than spin.
    SleepUntil(untilNs);
  }
  // Whatever a writer sends next is only now on its way.
  bucket_.Restart(MonotonicNs());
}

void Monitor::OnFrame(const FrameView& frame) {
  const std::int64_t atNs = frame.arrival.monotonicNs;
  const std::size_t size = frame.channels.size() + kFrameOverhead;
  latest_.assign(frame.channels.begin(), frame.channels.end());
  haveFrame_ = true;
  liveFrames_.Add(atNs, 1);
  liveFrameBytes_.Add(atNs, size);
  frames_.Add(atNs, 1);
  frameBytes_.Add(atNs, size);
  if (settings_.recordFrames) records_.push_back({frame.arrival.realtimeUs, latest_});
}

void Monitor::Show(std::int64_t nowNs) {
  Snapshot snapshot{settings_.source,
                    NsToSeconds(nowNs - startNs_),
                    haveFrame_,
                    latest_,
                    liveFrames_.PerSecond(nowNs),
                    liveFrameBytes_.PerSecond(nowNs) / kLineBytesPerSecond,
                    decoder_.Counts()};
  if (settings_.terminal) {
    // Home the cursor and clear, so the screen is redrawn in place.
    out_ << "\x1b[H\x1b[2J" << RenderScreen(snapshot, settings_.shownChannels);
  } else {
    out_ << RenderLogLine(snapshot, settings_.shownChannels);
  }
  out_.flush();
}

Report Monitor::Finish(std::int64_t nowNs) {
  // Whatever the line delivered before the stop is complete as far as it goes.
  decoder_.LineIdle();
  if (!settings_.quiet) Show(nowNs);
  Report report;
  report.counts = decoder_.Counts();
  report.durationS = NsToSeconds(nowNs - startNs_);
  report.activeS = lineBytes_.SpanSeconds();
  report.lineBytesPerS = lineBytes_.PerSecond();
  report.framesPerS = frames_.PerSecond();
  report.frameBytesPerS = frameBytes_.PerSecond();
  if (settings_.recordFrames) report.frames = std::move(records_);
  return report;
}

}  // namespace tarvolk::dmx_interface
