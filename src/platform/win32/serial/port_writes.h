#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/win32/serial/comm_driver.h"

namespace tarvolk::platform::win32::serial {

// The writes of one open port, overlapped so that none waits for the line.
// Each keeps its bytes and OVERLAPPED until the driver is done with it; a
// finished one's buffer and event serve the next (under Wine every new event
// costs two round trips to the wineserver, at every tick). A write the driver
// never finishes is given up (its buffer stays with the driver), and a driver
// is left no more than kMostLeftOnAPort such writes on a port number, and the
// process no more than kMostLeftInAll, each holding a buffer and an event.
class PortWrites {
 public:
  using Duration = std::chrono::nanoseconds;
  // A write the driver has not finished this long after its line time ended
  // will not be finished: the device behind it has gone.
  static constexpr Duration kHungWriteAfter = std::chrono::seconds(1);
  static constexpr std::uint32_t kMostLeftOnAPort = 64;
  static constexpr std::uint32_t kMostLeftInAll = 4 * kMostLeftOnAPort;

  explicit PortWrites(CommDriver& driver) : driver_(driver) {}
  // Left writes that their drivers have finished since go with it.
  ~PortWrites() { TakeBackFinished(); }
  PortWrites(const PortWrites&) = delete;
  PortWrites& operator=(const PortWrites&) = delete;

  // The port opened with this handle on this number.
  void Begin(HANDLE handle, std::int16_t number);
  // Whether the driver still works on any of them.
  bool AnyUnfinished() const;
  // The port closes: writes the driver still holds, even after a cancel,
  // are left to it, as a driver need not honour cancels.
  void End();

  // As SerialPort::Write, at the line's byte time.
  std::size_t Write(std::span<const std::uint8_t> bytes, Duration byteTime);
  // As SerialPort::CollectFinishedWrites.
  std::size_t CollectFinished();
  // As CommPort::PendingOutputBytes.
  std::size_t Pending() const;

  // Throws DriverHoldsWritesError when port `number` is not to be reopened
  // on its own, because its driver, or drivers in all, hold every write they
  // may keep. Takes back those finished first.
  void CheckRoomToReopen(std::int16_t number);

 private:
  std::unique_ptr<PendingWrite> NewWrite(std::span<const std::uint8_t> bytes);
  [[noreturn]] void ThrowWriteFailure(DWORD error);
  void TakeBackFinished();

  CommDriver& driver_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::int16_t number_ = 0;
  // Writes the driver still works on, oldest first.
  std::deque<std::unique_ptr<PendingWrite>> pending_;
  std::vector<std::unique_ptr<PendingWrite>> spare_;
  // When what was handed over will have left the line, at nominal speed.
  Duration lineFreeAt_{0};
  // Bytes of writes that finished at once, not yet reported.
  std::size_t finishedAtOnce_ = 0;
};

}  // namespace tarvolk::platform::win32::serial
