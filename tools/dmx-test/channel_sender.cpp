#include "channel_sender.h"

#include <algorithm>
#include <utility>

namespace tarvolk::dmx_test {

ChannelSender::ChannelSender(PluginSession& plugin, Nested nested, Failed failed)
    : plugin_(plugin), nested_(std::move(nested)), failed_(std::move(failed)) {
  picture_.SetCount(kEnabledCount);
}

// The plug-in shows its own message when the port does not open.
bool ChannelSender::Enable() {
  bool enabled = false;
  if (!nested_([&] { enabled = plugin_.Enable(); })) return false;
  output_ = enabled;
  sentCount_ = enabled ? std::optional(kEnabledCount) : std::nullopt;
  return enabled;
}

bool ChannelSender::SwitchOn(int count) { return Enable() && ApplyCount(count, true); }

void ChannelSender::SwitchOff() {
  if (const std::wstring failure = plugin_.Disable(); !failure.empty()) {
    failed_(L"Disable", failure);
  }
  output_ = false;
  sentCount_.reset();
}

void ChannelSender::ConfigurationClosed() {
  if (!output_) return SwitchOff();
  sentCount_.reset();
}

bool ChannelSender::SetEvery(int count, int value) {
  picture_.SetAll(value);
  return ApplyCount(count, true);
}

bool ChannelSender::StartChase(int count) {
  picture_.SetAll(0);
  if (!ApplyCount(count, true)) return false;
  ChaseStep();
  return true;
}

void ChannelSender::ChaseStep() {
  for (const int channel : picture_.ChaseStep()) Send(channel, channel);
}

bool ChannelSender::SetOne(int count, int channel, int value) {
  if (!ApplyCount(count, false)) return false;
  picture_.Set(channel, value);
  Send(channel, channel);
  return true;
}

// Channels beyond the count are dark; every channel the plug-in carries is
// sent when the count changed, or when asked.
bool ChannelSender::ApplyCount(int count, bool sendAll) {
  const bool changed = count != picture_.Count();
  picture_.SetCount(count);
  const int carried = std::max(count, kEnabledCount);
  if (output_ && (!sentCount_ || carried < *sentCount_)) {
    if (!Enable()) return false;
    sendAll = true;
  }
  if (sendAll || changed || sentCount_ != carried) Send(1, carried);
  if (output_) sentCount_ = carried;
  return true;
}

void ChannelSender::Send(int first, int last) {
  for (int channel = first; channel <= last; ++channel) {
    const std::wstring failure = plugin_.SetChannel(channel, picture_.Value(channel));
    if (!failure.empty()) return failed_(L"SetChannel", failure);
  }
}

}  // namespace tarvolk::dmx_test
