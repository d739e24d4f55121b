#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32::serial {

class CommDriver;

// One overlapped write: its bytes and OVERLAPPED stay put until the driver is
// done with them. Each write has its own event, as Windows asks of overlapped
// writes that overlap; nothing waits on it, the write's end is only looked up.
struct PendingWrite {
  // Throws PlatformError when no event can be made.
  explicit PendingWrite(CommDriver& owner);
  // Never run for a write the driver still holds: it may still signal the event.
  ~PendingWrite();
  PendingWrite(const PendingWrite&) = delete;
  PendingWrite& operator=(const PendingWrite&) = delete;

  void Prepare(std::span<const std::uint8_t> data);
  // Whether the driver still works on it.
  bool Unfinished();

  CommDriver& driver;
  OVERLAPPED overlapped{};
  std::vector<std::uint8_t> bytes;
  std::int16_t port = 0;                   // the number of the port it was written to
  std::chrono::nanoseconds lineEndsAt{0};  // when its last byte leaves at the line's nominal speed
};

// Writes that ports gave up on while their driver still held them, kept for
// the driver until it finishes them: by every port on it, also by ports whose
// thread has ended. Freed only then, as a real driver writes into a buffer
// freed under it. Counted by the port they were written to, so that a port
// whose driver holds none is never kept closed by another's.
class LeftWrites {
 public:
  LeftWrites() = default;
  // At process exit a driver may still hold them: they are never freed.
  ~LeftWrites();
  LeftWrites(const LeftWrites&) = delete;
  LeftWrites& operator=(const LeftWrites&) = delete;

  void Add(std::unique_ptr<PendingWrite> write);
  // Hands back those the driver has finished since, to serve again or go.
  std::vector<std::unique_ptr<PendingWrite>> TakeFinished();
  // How many drivers still held when last looked at: in all, and on one port.
  std::uint32_t Count() const;
  std::uint32_t CountOn(std::int16_t port) const;
  // The port on which the most are left; 0 when none are.
  std::int16_t MostOn() const;

 private:
  void Recount();

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<PendingWrite>> writes_;
  std::map<std::int16_t, std::uint32_t> countOn_;
};

}  // namespace tarvolk::platform::win32::serial
