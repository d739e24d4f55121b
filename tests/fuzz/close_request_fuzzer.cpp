// Any text typed into the channel count and any port selection: closing the
// dialog ends in either acceptance with a count of 0 to 254 or one of the two
// count messages with the count unchanged; the selected port is applied
// either way, with the port message only for no selection (port 0).
#include <algorithm>
#include <numeric>
#include <string>

#include "config/frm_config.h"
#include "engine/driver_state.h"
#include "engine/frame_transmitter.h"
#include "engine/numeric_text.h"
#include "engine/open_sequence.h"
#include "fakes/fake_platform.h"
#include "fuzz/fuzz_support.h"
#include "plugin/cls_output_driver.h"

namespace {

namespace config = tarvolk::config;
using tarvolk::fuzz::Require;

constexpr std::int32_t kCountBefore = 33;

// The selection a close attempt leaves in Combo1: -1 (nothing, or a typed
// text) or one of the five entries; every text meets every selection.
int SelectionOf(const std::uint8_t* data, std::size_t size) {
  return static_cast<int>(std::accumulate(data, data + size, 0u) % (config::kPortListSize + 1)) - 1;
}

std::size_t CountShown(const tarvolk::fakes::FakeMessageBox& messages, std::u16string_view text) {
  return static_cast<std::size_t>(std::count_if(
      messages.shown.begin(), messages.shown.end(),
      [text](const tarvolk::fakes::ShownMessage& shown) { return shown.text == text; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = tarvolk::fuzz::TextOf(data, size);
  const int selection = SelectionOf(data, size);
  tarvolk::fakes::FakePlatform platform;
  tarvolk::engine::DriverState state{platform};
  tarvolk::plugin::clsOutputDriver driver{state};
  state.ChannelCount = kCountBefore;
  platform.closeAttempts.push_back({text, selection});
  driver.Configure();

  const auto& events = platform.log.Events();
  const bool accepted = std::find(events.begin(), events.end(), "view.closed") != events.end();
  const auto& messages = platform.messages;
  const std::size_t countMessages =
      CountShown(messages, config::kNotANumberText) + CountShown(messages, config::kOutOfRangeText);
  if (accepted) {
    Require(countMessages == 0, "an accepted count shows no count message");
    Require(state.ChannelCount >= 0 && state.ChannelCount <= 254, "an accepted count is 0..254");
    const auto value = tarvolk::engine::ParseNumber(text);
    Require(value && tarvolk::engine::RoundHalfToEven(*value) == state.ChannelCount,
            "the count is the typed number rounded");
    Require(platform.timer->IntervalMs() == tarvolk::engine::SendInterval(state.ChannelCount),
            "the period follows the accepted count");
  } else {
    Require(countMessages == 1, "a refused count shows exactly one count message");
    Require(state.ChannelCount == kCountBefore, "a refused count changes nothing");
  }
  for (const auto& shown : messages.shown) {
    if (shown.text == config::kNotANumberText || shown.text == config::kOutOfRangeText) {
      Require(shown.title == config::kComponentTitle && shown.style == 48,
              "count messages carry the component's title and an exclamation icon");
    }
  }
  Require(state.PortNumber == selection + 1, "the selection sets the port, none sets 0");
  const std::size_t portMessages = CountShown(messages, tarvolk::engine::kDialogPortFailureText);
  Require(portMessages == (selection < 0 ? 1u : 0u), "only port 0 fails to open");
  Require(messages.shown.size() == countMessages + portMessages, "no other message is shown");
  return 0;
}
