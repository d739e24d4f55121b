#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tarvolk::platform {
class Clock;
class PlatformError;
class SerialPort;
}  // namespace tarvolk::platform

namespace tarvolk::engine {

class PortJournal;

// The serial link MSComm1: the port's properties as the open sequences set
// them, and an output path that never puts a torn frame on the wire.
//
// Frames wait in the link's own 512-byte buffer, whole or not at all, and are
// handed to the operating system no faster than the line carries them, so
// that the operating system never queues more than a few timer periods of
// line time and every frame still carries fresh values when it starts.
//
// When the device behind the port goes away (an adapter pulled out mid-show),
// the link drops the dead port and opens it again with the same number and
// settings every kReopenInterval until it comes back, or its USB adapter
// turns up under another number; the tries run aside, so the host notices
// nothing but the missing frames even when a driver takes seconds to answer
// one. The tries never give up; only Close ends them. What happens to the port goes into the
// journal.
class SerialLink {
 public:
  using Duration = std::chrono::nanoseconds;
  static constexpr std::size_t kOutputBufferSize = 512;
  // Short enough that output resumes within a second of the device's return.
  static constexpr Duration kReopenInterval = std::chrono::milliseconds(500);
  // How often a lost port is asked while its driver holds every write it may
  // keep: output comes back by itself once the driver lets them go.
  static constexpr Duration kHeldWritesRetryInterval = std::chrono::seconds(1);
  // A port whose writes keep failing this long counts as lost too, for
  // drivers that still answer for a device that has gone; it counts as
  // working again only once a write has finished.
  static constexpr Duration kFailingPortLostAfter = std::chrono::seconds(1);
  // A USB adapter may still be sending this long after the line time of what
  // it took (FTDI's default latency timer is 16 ms).
  static constexpr Duration kDeviceLatency = std::chrono::milliseconds(20);

  struct Counters {
    std::uint64_t writeFailures = 0;   // writes the operating system refused
    std::uint64_t portLosses = 0;      // times the device behind the port went away
    std::uint64_t reopenAttempts = 0;  // tries to open it again
    std::uint64_t recoveries = 0;      // tries that succeeded
  };

  SerialLink(std::unique_ptr<platform::SerialPort> port, const platform::Clock& clock,
             PortJournal& journal);
  // The port goes with the link, without draining: at thread exit nothing may wait.
  ~SerialLink();

  // Open, or lost and being reopened: either way the link holds the port
  // until Close.
  bool IsOpen() const;
  bool IsReopening() const { return reopening_; }
  // Open and able to take frames: neither closed nor lost.
  bool Carries() const;
  // Called with the new number when the port's adapter was found under another.
  void OnPortMoved(std::function<void(std::int16_t)> moved) { portMoved_ = std::move(moved); }
  // Closes the port. A frame already partly handed over is finished first and
  // given the time to leave the line and the device (the line time of what
  // the link had handed over, never more than a full buffer's, and
  // kDeviceLatency), so the device never sees one cut short; frames not yet
  // started are dropped.
  void Close();
  void SetPortNumber(std::int16_t portNumber);
  // Also sets the pace of the output from the line's byte time.
  void SetSettings(std::string_view settings);
  void SetReceiveThreshold(std::int16_t threshold);
  void Open();

  // Takes the whole frame, or nothing when the link is closed, the buffer
  // cannot hold it, or what is already queued needs longer than maxBacklog
  // to leave the line.
  bool QueueFrame(std::span<const std::uint8_t> frame, Duration maxBacklog);

  // Hands waiting bytes to the operating system, keeping at most maxAhead of
  // line time queued there, and learns what became of earlier writes; while
  // the port is lost, tries to reopen it when due. Never waits and never
  // throws: a refused write is counted and its bytes stay waiting.
  void Pump(Duration maxAhead);

  // Line time until everything queued, here and in the operating system, has left.
  Duration Backlog() const;
  Duration ByteTime() const { return byteTime_; }
  std::size_t BufferedBytes() const { return waiting_.size(); }
  const Counters& Stats() const { return counters_; }

 private:
  Duration LineEnd(Duration now) const;
  Duration QueuedInOperatingSystem(Duration now) const;
  Duration DrainTime(Duration now) const;
  bool CheckFinishedWrites(Duration now);
  void NoteFailedWrite(Duration now, const platform::PlatformError& error);
  std::size_t HandOver(std::size_t count, Duration now);
  void Forget(std::size_t handedOver);
  void FinishStartedFrame();
  void LoseThePort(Duration now, std::u16string_view why);
  void ReopenWhenDue(Duration now);
  void DropEverything();

  std::unique_ptr<platform::SerialPort> port_;
  const platform::Clock& clock_;
  PortJournal& journal_;
  std::function<void(std::int16_t)> portMoved_ = [](std::int16_t) {};
  Duration byteTime_;
  // When the bytes already handed over will have left the line.
  Duration lineFreeAt_{0};
  std::vector<std::uint8_t> waiting_;
  // Sizes of the frames in waiting_, the first one less what was handed over.
  std::deque<std::size_t> waitingFrames_;
  bool firstFrameStarted_ = false;
  bool reopening_ = false;
  bool reopenUnderWay_ = false;
  Duration reopenStartedAt_{0};
  Duration lostAt_{0};
  std::int16_t lostNumber_ = 0;
  Duration nextReopenAt_{0};
  std::optional<Duration> failingSince_;
  Counters counters_;
};

}  // namespace tarvolk::engine
