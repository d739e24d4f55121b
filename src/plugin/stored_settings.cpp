#include "plugin/stored_settings.h"

#include <limits>

#include "engine/automation_error.h"
#include "engine/driver_state.h"
#include "engine/numeric_text.h"
#include "platform/settings_store.h"

namespace tarvolk::plugin {
namespace {

constexpr std::u16string_view kSectionPrefix = u"Plugins\\";
constexpr std::u16string_view kPortKey = u"COM";
constexpr std::u16string_view kDefaultPort = u"1";

std::u16string SectionFor(const std::u16string& fileName) {
  return std::u16string(kSectionPrefix) + fileName;
}

}  // namespace

void LoadPort(engine::DriverState& state, const platform::SettingsStore& store,
              const std::u16string& appTitle, const std::u16string& fileName) {
  const auto text = store.Get(appTitle, SectionFor(fileName), std::u16string(kPortKey))
                        .value_or(std::u16string(kDefaultPort));
  const auto value = engine::ParseNumber(text);
  if (!value) throw engine::AutomationError(engine::ErrorNumber::kConversion);
  const double rounded = engine::RoundHalfToEven(*value);
  if (!(rounded >= 0 && rounded <= std::numeric_limits<std::uint8_t>::max())) {
    throw engine::AutomationError(engine::ErrorNumber::kOverflow);
  }
  state.PortNumber = static_cast<std::uint8_t>(rounded);
}

void SavePort(const engine::DriverState& state, platform::SettingsStore& store,
              const std::u16string& appTitle, const std::u16string& fileName) {
  store.Set(appTitle, SectionFor(fileName), std::u16string(kPortKey),
            engine::ToDecimalText(state.PortNumber));
}

}  // namespace tarvolk::plugin
