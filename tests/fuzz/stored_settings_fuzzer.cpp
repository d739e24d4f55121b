// Any stored text: LoadPort either sets a port 0..255, which SavePort then
// writes so that it loads again unchanged, or fails with a conversion (13,
// for text the number reader refuses) or overflow (6) error and leaves the
// port as it was.
#include <optional>

#include "engine/automation_error.h"
#include "engine/driver_state.h"
#include "engine/numeric_text.h"
#include "fakes/fake_platform.h"
#include "fuzz/fuzz_support.h"
#include "plugin/stored_settings.h"

namespace {

using tarvolk::engine::ErrorNumber;
using tarvolk::fuzz::Require;

constexpr char16_t kHost[] = u"Host";
constexpr char16_t kFile[] = u"Tarvolk_DMX.out.dll";
constexpr std::uint8_t kPortBefore = 7;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = tarvolk::fuzz::TextOf(data, size);
  tarvolk::fakes::FakePlatform platform;
  tarvolk::engine::DriverState state{platform};
  state.PortNumber = kPortBefore;
  auto& values = platform.settings.values;
  values[{kHost, u"Plugins\\Tarvolk_DMX.out.dll", u"COM"}] = text;

  try {
    tarvolk::plugin::LoadPort(state, platform.settings, kHost, kFile);
  } catch (const tarvolk::engine::AutomationError& error) {
    Require(state.PortNumber == kPortBefore, "a refused text leaves the port alone");
    const bool isNumber = tarvolk::engine::ParseNumber(text).has_value();
    Require(error.Number() == (isNumber ? ErrorNumber::kOverflow : ErrorNumber::kConversion),
            "a text that is no number is a conversion error, a number out of range an overflow");
    return 0;
  }
  const std::optional<double> value = tarvolk::engine::ParseNumber(text);
  Require(value.has_value(), "only a number loads");
  Require(tarvolk::engine::RoundHalfToEven(*value) == state.PortNumber,
          "the port is the number rounded");

  const std::uint8_t loaded = state.PortNumber;
  tarvolk::plugin::SavePort(state, platform.settings, kHost, kFile);
  state.PortNumber = kPortBefore;
  tarvolk::plugin::LoadPort(state, platform.settings, kHost, kFile);
  Require(state.PortNumber == loaded, "a saved port loads unchanged");
  Require(values.size() == 1, "the port is saved where it was loaded from");
  return 0;
}
