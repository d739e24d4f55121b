#include "platform/win32/serial/left_writes.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/serial/comm_driver.h"
#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32::serial {

PendingWrite::PendingWrite(CommDriver& owner) : driver(owner) {
  overlapped.hEvent = driver.NewEvent();
  if (overlapped.hEvent == nullptr) ThrowLastError("CreateEventW");
}

PendingWrite::~PendingWrite() { driver.CloseEvent(overlapped.hEvent); }

void PendingWrite::Prepare(std::span<const std::uint8_t> data) {
  bytes.assign(data.begin(), data.end());
  const HANDLE event = overlapped.hEvent;
  overlapped = OVERLAPPED{};
  overlapped.hEvent = event;
}

// GetOverlappedResult without waiting looks only at the OVERLAPPED, so the
// port may have been closed since.
bool PendingWrite::Unfinished() {
  DWORD transferred = 0;
  return !driver.WriteResult(INVALID_HANDLE_VALUE, overlapped, transferred) &&
         GetLastError() == ERROR_IO_INCOMPLETE;
}

LeftWrites::~LeftWrites() {
  for (auto& write : writes_) static_cast<void>(write.release());
}

void LeftWrites::Add(std::unique_ptr<PendingWrite> write) {
  const std::lock_guard lock(mutex_);
  ++countOn_[write->port];
  writes_.push_back(std::move(write));
}

std::vector<std::unique_ptr<PendingWrite>> LeftWrites::TakeFinished() {
  const std::lock_guard lock(mutex_);
  const auto finished = std::stable_partition(
      writes_.begin(), writes_.end(), [](const auto& write) { return write->Unfinished(); });
  std::vector<std::unique_ptr<PendingWrite>> taken(std::make_move_iterator(finished),
                                                   std::make_move_iterator(writes_.end()));
  writes_.erase(finished, writes_.end());
  Recount();
  return taken;
}

void LeftWrites::Recount() {
  countOn_.clear();
  for (const auto& write : writes_) ++countOn_[write->port];
}

std::uint32_t LeftWrites::Count() const {
  const std::lock_guard lock(mutex_);
  return static_cast<std::uint32_t>(writes_.size());
}

std::uint32_t LeftWrites::CountOn(std::int16_t port) const {
  const std::lock_guard lock(mutex_);
  const auto found = countOn_.find(port);
  return found == countOn_.end() ? 0 : found->second;
}

std::int16_t LeftWrites::MostOn() const {
  const std::lock_guard lock(mutex_);
  const auto most =
      std::max_element(countOn_.begin(), countOn_.end(),
                       [](const auto& a, const auto& b) { return a.second < b.second; });
  return most == countOn_.end() ? 0 : most->first;
}

}  // namespace tarvolk::platform::win32::serial
