#include "naive_driver.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "engine/open_sequence.h"
#include "platform/platform_error.h"
#include "platform/win32/serial/comm_line.h"
#include "platform/win32/serial/comm_open.h"
#include "platform/win32/serial/windows_comm_driver.h"
#include "unix_time.h"

namespace tarvolk::bench {

NaiveDriver::NaiveDriver(int portNumber, int channels)
    : channels_(static_cast<std::size_t>(channels), 0) {
  const std::wstring name = L"\\\\.\\COM" + std::to_wstring(portNumber);
  port_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                      nullptr);
  if (port_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open the COM port");
  // Plainly: no write timeouts, so a write waits while the port takes nothing.
  try {
    platform::win32::serial::ApplyLineState(platform::win32::serial::WindowsCommDriver::Instance(),
                                            port_,
                                            *platform::LineSettings::Parse(engine::kLineSettings),
                                            platform::win32::serial::kInputBufferSize);
    COMMTIMEOUTS noTimeouts{};
    if (!SetCommTimeouts(port_, &noTimeouts)) throw platform::PlatformError("SetCommTimeouts");
  } catch (const platform::PlatformError&) {
    CloseHandle(port_);
    throw std::runtime_error("cannot set up the COM port");
  }
}

NaiveDriver::~NaiveDriver() { CloseHandle(port_); }

bool NaiveDriver::SetChannel(LONG channel, LONG value) {
  if (channel < 1 || channel > static_cast<LONG>(channels_.size())) return false;
  channels_[static_cast<std::size_t>(channel - 1)] = static_cast<std::uint8_t>(value);
  return true;
}

void NaiveDriver::SendFrame() {
  std::vector<std::uint8_t> frame{0x50, static_cast<std::uint8_t>(channels_.size() + 1), 0x00};
  frame.insert(frame.end(), channels_.begin(), channels_.end());
  const long long start = demo_host::UnixMicroseconds();
  framesBuiltUs_.push_back(start);
  for (const std::uint8_t byte : frame) {
    DWORD written = 0;
    WriteFile(port_, &byte, 1, &written, nullptr);
  }
  const long long blocked = demo_host::UnixMicroseconds() - start;
  blockedUs_ += blocked;
  longestBlockUs_ = std::max(longestBlockUs_, blocked);
}

}  // namespace tarvolk::bench
