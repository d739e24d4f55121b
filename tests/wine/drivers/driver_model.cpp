#include "driver_model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/line_settings.h"

namespace tarvolk::drivers {
namespace {

[[noreturn]] void Crash(const char* what) {
  std::fprintf(stderr, "driver model: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

}  // namespace

DCB DriverModel::DefaultState() {
  DCB state{};
  state.DCBlength = sizeof state;
  state.BaudRate = 9600;
  state.ByteSize = 8;
  state.StopBits = ONESTOPBIT;
  state.fBinary = TRUE;
  state.fDtrControl = DTR_CONTROL_ENABLE;
  state.fRtsControl = RTS_CONTROL_ENABLE;
  state.XonLim = 2048;
  state.XoffLim = 512;
  state.XonChar = 0x11;
  state.XoffChar = 0x13;
  return state;
}

Duration DriverModel::ByteTime() const {
  platform::LineSettings settings;
  settings.baud = static_cast<int>(lineState_.BaudRate);
  settings.dataBits = lineState_.ByteSize;
  settings.parity =
      lineState_.Parity == NOPARITY ? platform::Parity::kNone : platform::Parity::kEven;
  settings.stopBits = lineState_.StopBits == TWOSTOPBITS ? 2.0 : 1.0;
  return settings.ByteTime();
}

bool DriverModel::Valid(HANDLE port) {
  if (port != holder_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (deviceGone) {
    SetLastError(ERROR_BAD_COMMAND);
    return false;
  }
  return true;
}

HANDLE DriverModel::Open(const std::wstring& name) {
  bool aside = false;
  {
    const std::lock_guard lock(mutex_);
    aside = aside_;
  }
  // On the caller's thread a slow open holds it up; aside it only comes late.
  if (!aside) Take(openTime);
  const std::lock_guard lock(mutex_);
  askedToOpen.push_back(name);
  const bool here = name == L"\\\\.\\COM" + std::to_wstring(at);
  if (deviceGone || !here || opensFail) {
    SetLastError(deviceGone || !here ? ERROR_FILE_NOT_FOUND : ERROR_SEM_TIMEOUT);
    return INVALID_HANDLE_VALUE;
  }
  if (holder_ != INVALID_HANDLE_VALUE) {
    ++secondHandles;
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  ++opens;
  holder_ = reinterpret_cast<HANDLE>(nextHandle_++);
  return holder_;
}

bool DriverModel::SetupComm(HANDLE port, DWORD, DWORD outputSize) {
  if (!Valid(port)) return false;
  outputBufferAsked = outputSize;
  if (refusesBufferSizes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

bool DriverModel::GetCommState(HANDLE port, DCB& state) {
  if (!Valid(port)) return false;
  state = lineState_;
  return true;
}

bool DriverModel::SetCommState(HANDLE port, const DCB& state) {
  if (!Valid(port)) return false;
  ++setStateCalls;
  setStateTimes.push_back(clock_.Now());
  if (const DWORD error = Refusal(state); error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  lineState_ = state;
  return true;
}

// Windows' own serial driver refuses equal Xon and Xoff characters.
DWORD DriverModel::Refusal(const DCB& state) {
  if (refusedStates > 0) {
    --refusedStates;
    return ERROR_GEN_FAILURE;
  }
  if (state.XonChar == state.XoffChar) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

bool DriverModel::SetCommTimeouts(HANDLE port, const COMMTIMEOUTS&) { return Valid(port); }

HANDLE DriverModel::NewEvent() {
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ++eventsMade;
  events_.insert(event);
  return event;
}

// Closing the event of a write the driver still holds would leave it
// signalling a handle that may already name something else.
void DriverModel::CloseEvent(HANDLE event) {
  for (const auto& [overlapped, job] : jobs_) {
    if (!job.completed && job.event == event)
      Crash("a write's event closed while the driver held it");
  }
  events_.erase(event);
  CloseHandle(event);
}

bool DriverModel::Write(HANDLE port, const std::uint8_t* bytes, DWORD count,
                        OVERLAPPED& overlapped) {
  CompleteDue();
  if (!Valid(port)) {
    tears_.push_back(wire_.size());
    return false;
  }
  if (const auto held = jobs_.find(&overlapped); held != jobs_.end() && !held->second.completed) {
    Crash("an OVERLAPPED handed over again while the driver still holds its write");
  }
  const Duration now = clock_.Now();
  const Duration byteTime = ByteTime();
  // Output waits for CTS or DSR, which a three-wire interface never raises.
  const bool held = lineState_.fOutxCtsFlow || lineState_.fOutxDsrFlow;
  WriteJob job{kNever, count, ERROR_SUCCESS};
  if (!held) {
    Duration start = std::max(now + Latency(), lineBusyUntil_);
    job = Finish(now, start + byteTime * count, count);
    if (job.error == ERROR_SUCCESS && job.finishAt != kNever) {
      const bool noise = LineGarbled();
      for (DWORD i = 0; i < job.count; ++i, start += byteTime) {
        wire_.push_back({start, noise ? std::uint8_t{0xFF} : bytes[i]});
      }
      lineBusyUntil_ = start;
    }
  }
  const bool atOnce = job.finishAt <= now;
  // Bytes that never go tear the wire, unless the port learns of them at once.
  if (job.error != ERROR_SUCCESS || job.finishAt == kNever || (!atOnce && job.count < count)) {
    tears_.push_back(wire_.size());
  }
  jobs_[&overlapped] = {job, overlapped.hEvent, atOnce};
  overlapped.Internal = atOnce ? job.error : STATUS_PENDING;
  overlapped.InternalHigh = atOnce ? job.count : 0;
  if (atOnce) {
    if (job.error == ERROR_SUCCESS) return true;
    SetLastError(job.error);
    return false;
  }
  SetLastError(ERROR_IO_PENDING);
  return false;
}

DriverModel::WriteJob DriverModel::Finish(Duration now, Duration, DWORD count) {
  return {now, count, ERROR_SUCCESS};
}

bool DriverModel::WriteResult(HANDLE, OVERLAPPED& overlapped, DWORD& transferred) {
  CompleteDue();
  const auto found = jobs_.find(&overlapped);
  if (found == jobs_.end()) {
    transferred = 0;
    return true;
  }
  const WriteJob& job = found->second.outcome;
  if (!found->second.completed) {
    SetLastError(ERROR_IO_INCOMPLETE);
    return false;
  }
  if (job.error != ERROR_SUCCESS) {
    SetLastError(job.error);
    return false;
  }
  transferred = job.count;
  return true;
}

void DriverModel::CompleteDue() {
  const Duration now = clock_.Now();
  for (auto& [overlapped, job] : jobs_) {
    if (job.completed || job.outcome.finishAt > now) continue;
    if (overlapped->hEvent != job.event || overlapped->Internal != STATUS_PENDING) {
      Crash("a write's OVERLAPPED was changed or freed while the driver held it");
    }
    SetEvent(job.event);
    overlapped->Internal = job.outcome.error;
    overlapped->InternalHigh = job.outcome.count;
    job.completed = true;
  }
}

std::size_t DriverModel::WritesHeld() const {
  return static_cast<std::size_t>(std::count_if(
      jobs_.begin(), jobs_.end(), [](const auto& job) { return !job.second.completed; }));
}

void DriverModel::AbortUnfinishedWrites() {
  EndUnfinishedWritesAt(clock_.Now(), ERROR_OPERATION_ABORTED);
}

void DriverModel::EndUnfinishedWritesAt(Duration when, DWORD error) {
  for (auto& [overlapped, job] : jobs_) {
    if (!job.completed) job.outcome = {when, 0, error};
  }
  CompleteDue();
}

void DriverModel::DropFrom(Duration time) {
  const Duration byteTime = ByteTime();
  const std::size_t sent = wire_.size();
  while (!wire_.empty() && wire_.back().start + byteTime > time) wire_.pop_back();
  if (wire_.size() < sent) tears_.push_back(wire_.size());
  lineBusyUntil_ = std::min(lineBusyUntil_, std::max(time, Duration{0}));
}

void DriverModel::Take(Duration time) {
  clock_.Advance(time);
  took += time;
}

Duration DriverModel::AsideDoneBy() const {
  Duration last{0};
  for (const auto& work : asideWork_) last = std::max(last, work.first + openTime);
  return last;
}

bool DriverModel::CancelIo(HANDLE port) {
  if (!Valid(port)) return false;
  ++cancels;
  if (HonoursCancels()) AbortUnfinishedWrites();
  return true;
}

bool DriverModel::PurgeComm(HANDLE port, DWORD) {
  if (!Valid(port)) return false;
  ++purges;
  if (!HonoursCancels()) return true;
  AbortUnfinishedWrites();
  DropFrom(clock_.Now());
  return true;
}

bool DriverModel::ClearCommError(HANDLE port) { return Valid(port); }

void DriverModel::Close(HANDLE port) {
  const std::lock_guard lock(mutex_);
  if (port != holder_) return;
  ++closes;
  holder_ = INVALID_HANDLE_VALUE;
  if (const Duration kept = SentAfterClose(); kept != kNever) DropFrom(clock_.Now() + kept);
  if (HonoursCancels()) AbortUnfinishedWrites();
}

// Work aside goes on while the caller sleeps.
void DriverModel::Sleep(DWORD milliseconds) {
  const Duration lasted = SleepTime(std::chrono::milliseconds(milliseconds));
  ++sleeps;
  slept += lasted;
  clock_.Advance(lasted);
  bool aside = false;
  {
    const std::lock_guard lock(mutex_);
    aside = aside_;
  }
  if (!aside) RunAsideWork();
}

platform::DeviceTree& DriverModel::Devices() {
  const std::lock_guard lock(mutex_);
  ++deviceListings;
  tree_.chains = otherDevices;
  tree_.refused = listingsRefused;
  tree_.partly = listingsPartly;
  const std::string portName = "COM" + std::to_string(listedAt.value_or(at));
  if (!deviceGone && !nodes.empty()) {
    tree_.chains.push_back({{portName.begin(), portName.end()}, nodes, friendlyName});
  }
  return tree_;
}

bool DriverModel::RunAside(std::function<void()> work) {
  asideWork_.emplace_back(clock_.Now(), std::move(work));
  return true;
}

void DriverModel::RunAsideWork() {
  const Duration now = clock_.Now();
  auto due = std::stable_partition(asideWork_.begin(), asideWork_.end(),
                                   [&](const auto& work) { return work.first + openTime > now; });
  std::vector<std::function<void()>> ready;
  for (auto it = due; it != asideWork_.end(); ++it) ready.push_back(std::move(it->second));
  asideWork_.erase(due, asideWork_.end());
  for (auto& work : ready) {
    {
      const std::lock_guard lock(mutex_);
      aside_ = true;
    }
    work();
    const std::lock_guard lock(mutex_);
    aside_ = false;
  }
}

}  // namespace tarvolk::drivers
