#include "platform/win32/serial/port_writes.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/serial_port.h"
#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32::serial {

void PortWrites::Begin(HANDLE handle, std::int16_t number) {
  handle_ = handle;
  number_ = number;
  lineFreeAt_ = Duration{0};
  finishedAtOnce_ = 0;
}

bool PortWrites::AnyUnfinished() const {
  return std::any_of(pending_.begin(), pending_.end(),
                     [](const auto& write) { return write->Unfinished(); });
}

void PortWrites::End() {
  for (auto& write : pending_) {
    if (write->Unfinished()) {
      driver_.WritesLeft().Add(std::move(write));
    } else {
      spare_.push_back(std::move(write));
    }
  }
  pending_.clear();
  handle_ = INVALID_HANDLE_VALUE;
}

// Writes left to drivers, by any port, that they have finished since serve
// here again.
void PortWrites::TakeBackFinished() {
  for (auto& write : driver_.WritesLeft().TakeFinished()) spare_.push_back(std::move(write));
}

void PortWrites::CheckRoomToReopen(std::int16_t number) {
  TakeBackFinished();
  const LeftWrites& left = driver_.WritesLeft();
  if (left.CountOn(number) >= kMostLeftOnAPort) {
    throw DriverHoldsWritesError("the driver holds every write it may keep", number);
  }
  if (left.Count() >= kMostLeftInAll) {
    throw DriverHoldsWritesError("drivers hold every write the process may leave", left.MostOn());
  }
}

std::size_t PortWrites::Write(std::span<const std::uint8_t> bytes, Duration byteTime) {
  if (bytes.empty()) return 0;
  // Read once a write: each count takes the lock other ports' threads share.
  const LeftWrites& left = driver_.WritesLeft();
  const std::uint32_t onPort = left.CountOn(number_);
  const std::uint32_t inAll = left.Count();
  const auto roomFor = [&](std::uint32_t inFlight) {
    return onPort + inFlight < kMostLeftOnAPort && inAll + inFlight < kMostLeftInAll;
  };
  if (!roomFor(0)) throw PlatformError("the driver holds every write it may");
  if (!roomFor(static_cast<std::uint32_t>(pending_.size()))) return 0;
  const Duration now = driver_.Now();
  std::unique_ptr<PendingWrite> write = NewWrite(bytes);
  const auto count = static_cast<DWORD>(bytes.size());
  if (driver_.Write(handle_, write->bytes.data(), count, write->overlapped)) {
    DWORD transferred = 0;
    driver_.WriteResult(handle_, write->overlapped, transferred);
    lineFreeAt_ = std::max(lineFreeAt_, now) + byteTime * static_cast<std::int64_t>(transferred);
    finishedAtOnce_ += transferred;
    spare_.push_back(std::move(write));
    return transferred;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) {
    spare_.push_back(std::move(write));
    ThrowWriteFailure(error);
  }
  // The driver owns the bytes now and sends them while we go on.
  lineFreeAt_ = std::max(lineFreeAt_, now) + byteTime * static_cast<std::int64_t>(count);
  write->lineEndsAt = lineFreeAt_;
  pending_.push_back(std::move(write));
  return bytes.size();
}

std::unique_ptr<PendingWrite> PortWrites::NewWrite(std::span<const std::uint8_t> bytes) {
  std::unique_ptr<PendingWrite> write;
  if (spare_.empty()) {
    write = std::make_unique<PendingWrite>(driver_);
  } else {
    write = std::move(spare_.back());
    spare_.pop_back();
  }
  write->Prepare(bytes);
  write->port = number_;
  return write;
}

// A device that has gone is told from a passing error by asking the port for
// its state: that fails too once the device behind it is gone.
void PortWrites::ThrowWriteFailure(DWORD error) {
  if (!driver_.ClearCommError(handle_)) {
    throw PortLostError(ErrorText("WriteFile", error), PortLostError::Cause::kDeviceGone,
                        SystemErrorOf(error));
  }
  throw PlatformError(ErrorText("WriteFile", error), SystemErrorOf(error));
}

// Drivers finish writes in order; the newest finished one tells whether the
// port works.
std::size_t PortWrites::CollectFinished() {
  TakeBackFinished();
  std::size_t finished = std::exchange(finishedAtOnce_, 0);
  DWORD failure = ERROR_SUCCESS;
  while (!pending_.empty()) {
    PendingWrite& write = *pending_.front();
    DWORD transferred = 0;
    if (driver_.WriteResult(handle_, write.overlapped, transferred)) {
      finished += transferred;
      failure = ERROR_SUCCESS;
    } else if (const DWORD error = GetLastError(); error != ERROR_IO_INCOMPLETE) {
      finished = 0;
      failure = error;
    } else {
      if (driver_.Now() - write.lineEndsAt > kHungWriteAfter) {
        throw PortLostError("a write hangs in the driver", PortLostError::Cause::kWriteHangs);
      }
      break;
    }
    spare_.push_back(std::move(pending_.front()));
    pending_.pop_front();
  }
  if (failure != ERROR_SUCCESS) ThrowWriteFailure(failure);
  return finished;
}

std::size_t PortWrites::Pending() const {
  std::size_t held = 0;
  bool oldestSeen = false;
  for (const auto& write : pending_) {
    if (!write->Unfinished()) continue;
    if (oldestSeen) held += write->bytes.size();
    oldestSeen = true;
  }
  return held;
}

}  // namespace tarvolk::platform::win32::serial
