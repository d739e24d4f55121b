#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace tarvolk::platform {
class Platform;
}

namespace tarvolk::engine {

class frmMain;

// The configuration dialog as the shared state knows it: a window that is
// created on first use and shown modally.
class ConfigWindow {
 public:
  virtual ~ConfigWindow() = default;
  virtual void Show() = 0;
};

// The one record of shared state: channel values, channel count, port,
// output flag and the two windows. There is one per thread that uses the
// library; every plug-in object on that thread shares it.
class DriverState {
 public:
  static constexpr std::size_t kChannelBufferSize = 513;  // indices 0 to 512
  static constexpr std::int32_t kMaxChannelCount = 254;   // length byte N + 1 must fit a byte

  explicit DriverState(platform::Platform& platform);
  ~DriverState();
  DriverState(const DriverState&) = delete;
  DriverState& operator=(const DriverState&) = delete;

  // This thread's record, created all zero on first use with a platform
  // from the installed factory.
  static DriverState& ForCurrentThread();

  // The hidden engine window with the serial link and the send timer,
  // created on first use.
  frmMain& EngineWindow();
  platform::Platform& Platform() { return platform_; }

  std::unique_ptr<ConfigWindow> frmConfig;
  bool OutputEnabled = false;
  std::array<std::uint8_t, kChannelBufferSize> ChannelBuffer{};
  std::int32_t ChannelCount = 0;
  std::uint8_t PortNumber = 0;

 private:
  platform::Platform& platform_;
  std::unique_ptr<frmMain> engineWindow_;
};

}  // namespace tarvolk::engine
