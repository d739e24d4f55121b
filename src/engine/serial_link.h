#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "engine/port_recovery.h"
#include "engine/waiting_frames.h"

namespace tarvolk::platform {
class Clock;
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
// When the device behind the port goes away (an adapter pulled out mid-show)
// or the PC wakes from sleep, PortRecovery brings the port back. What happens
// to the port goes into the journal.
class SerialLink {
 public:
  using Duration = std::chrono::nanoseconds;
  static constexpr std::size_t kOutputBufferSize = 512;
  static constexpr Duration kReopenInterval = PortRecovery::kReopenInterval;
  static constexpr Duration kHeldWritesRetryInterval = PortRecovery::kHeldWritesRetryInterval;
  static constexpr Duration kFailingPortLostAfter = PortRecovery::kFailingPortLostAfter;
  // A USB adapter may still be sending this long after the line time of what
  // it took (FTDI's default latency timer is 16 ms).
  static constexpr Duration kDeviceLatency = std::chrono::milliseconds(20);
  static constexpr Duration kPauseRenewsAfter = PortRecovery::kPauseRenewsAfter;

  using Counters = LinkCounters;

  SerialLink(std::unique_ptr<platform::SerialPort> port, const platform::Clock& clock,
             PortJournal& journal);
  // The port goes with the link, without draining: at thread exit nothing may wait.
  ~SerialLink();

  // Open, or lost and being reopened: either way the link holds the port
  // until Close.
  bool IsOpen() const;
  bool IsReopening() const { return recovery_.Active(); }
  // Open and able to take frames: neither closed nor lost.
  bool Carries() const;
  // Called with the new number when the port's adapter was found under another.
  void OnPortMoved(std::function<void(std::int16_t)> moved) { portMoved_ = std::move(moved); }
  // Closes the port. A frame already partly handed over is finished first and
  // given the time to leave the line and the device (the line time of what
  // the link had handed over, never more than a full buffer's, and
  // kDeviceLatency), so the device never sees one cut short; frames not yet
  // started are dropped. Ends a try to reopen the port under way.
  void Close();
  // Closes as Close does just before Open: a try to reopen the port, under
  // way or done, is left for that Open to take rather than the port closed
  // and opened again.
  void CloseForOpen();
  void SetPortNumber(std::int16_t portNumber);
  // Also sets the pace of the output from the line's byte time.
  void SetSettings(std::string_view settings);
  void SetReceiveThreshold(std::int16_t threshold);
  void Open();

  // Takes the whole frame, or nothing when the link is closed, the buffer
  // cannot hold it, or what is already queued needs longer than maxBacklog
  // to leave the line.
  bool QueueFrame(std::span<const std::uint8_t> frame, Duration maxBacklog);

  // At every tick: hands waiting bytes to the operating system, keeping at
  // most maxAhead of line time queued there, and learns what became of
  // earlier writes; while the port is lost or renewed, tries to reopen it
  // when due. Never waits and never throws: a refused write is counted and
  // its bytes stay waiting.
  void Pump(Duration maxAhead);

  // Line time until everything queued, here and in the operating system, has left.
  Duration Backlog() const;
  Duration ByteTime() const { return byteTime_; }
  std::size_t BufferedBytes() const { return waiting_.Bytes(); }
  const Counters& Stats() const { return counters_; }

 private:
  void CloseLink(bool endTry);
  Duration LineEnd(Duration now) const;
  Duration QueuedInOperatingSystem(Duration now) const;
  Duration DrainTime(Duration now) const;
  bool CheckFinishedWrites(Duration now);
  std::size_t HandOver(std::size_t count, Duration now);
  void FinishStartedFrame();
  template <class Step>
  void Guarded(Duration now, Step step);
  void DropEverything();

  std::unique_ptr<platform::SerialPort> port_;
  const platform::Clock& clock_;
  PortJournal& journal_;
  std::function<void(std::int16_t)> portMoved_ = [](std::int16_t) {};
  Duration byteTime_;
  // When the bytes already handed over will have left the line.
  Duration lineFreeAt_{0};
  WaitingFrames waiting_{kOutputBufferSize};
  Counters counters_;
  PortRecovery recovery_;
};

}  // namespace tarvolk::engine
