#pragma once

#include <functional>
#include <optional>
#include <string>

#include "channel_picture.h"
#include "plugin_session.h"

namespace tarvolk::dmx_test {

// What the test program sends through the plug-in: output on and off, the
// channel count, every channel, a chase, one channel. The plug-in carries at
// least the 10 channels Enable sets, and only Enable lowers its count, so a
// smaller count enables output again. Enable may run a loop of its own: it
// goes through `nested`, which tells whether the window is still open after
// it. A call the plug-in fails goes to `failed`.
class ChannelSender {
 public:
  using Nested = std::function<bool(const std::function<void()>&)>;
  using Failed = std::function<void(const std::wstring& call, const std::wstring& failure)>;
  static constexpr int kEnabledCount = 10;

  ChannelSender(PluginSession& plugin, Nested nested, Failed failed);

  bool OutputOn() const { return output_; }
  // Each returns false when output went off, or the window closed, meanwhile.
  bool SwitchOn(int count);
  void SwitchOff();
  bool SetEvery(int count, int value);
  bool StartChase(int count);
  void ChaseStep();
  bool SetOne(int count, int channel, int value);
  // The plug-in's configuration closed: it may have set the count, and it
  // opened the port and started sending, as for a host whose output is on.
  // With output off here, that port is released again for other programs.
  void ConfigurationClosed();

 private:
  bool Enable();
  bool ApplyCount(int count, bool sendAll);
  void Send(int first, int last);

  PluginSession& plugin_;
  Nested nested_;
  Failed failed_;
  ChannelPicture picture_;
  bool output_ = false;
  // The plug-in's channel count as last set here; nothing when unknown.
  std::optional<int> sentCount_;
};

}  // namespace tarvolk::dmx_test
