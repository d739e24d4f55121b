#include "plugin/stored_settings.h"

#include <gtest/gtest.h>

#include "engine/automation_error.h"
#include "test_support.h"

namespace tarvolk::plugin {
namespace {

using engine::ErrorNumber;

class StoredSettingsTest : public ::testing::Test {
 protected:
  void Store(const std::u16string& text) {
    fixture.platform.settings.values[{u"Host", u"Plugins\\Tarvolk_DMX.out.dll", u"COM"}] = text;
  }
  void Load() {
    LoadPort(fixture.state, fixture.platform.settings, u"Host", u"Tarvolk_DMX.out.dll");
  }

  testing::DriverFixture fixture;
};

TEST_F(StoredSettingsTest, FirstRunLoadsPortOne) {
  Load();
  EXPECT_EQ(fixture.state.PortNumber, 1);
}

TEST_F(StoredSettingsTest, LoadsRoundedNumbers) {
  const std::pair<const char16_t*, int> cases[] = {
      {u"4", 4}, {u"0", 0}, {u"255", 255}, {u" 3 ", 3}, {u"2.5", 2}, {u"254.6", 255}, {u"-0.4", 0}};
  for (const auto& [text, port] : cases) {
    Store(text);
    Load();
    EXPECT_EQ(fixture.state.PortNumber, port);
  }
}

TEST_F(StoredSettingsTest, RefusesTextThatIsNoPortAndKeepsThePort) {
  const std::pair<const char16_t*, ErrorNumber> cases[] = {
      {u"abc", ErrorNumber::kConversion},
      {u"", ErrorNumber::kConversion},
      {u"256", ErrorNumber::kOverflow},
      {u"-1", ErrorNumber::kOverflow},
      {u"255.5", ErrorNumber::kOverflow},
      {u"1e400", ErrorNumber::kOverflow},
      {u"1e9223372036854775807", ErrorNumber::kOverflow}};
  for (const auto& [text, number] : cases) {
    fixture.state.PortNumber = 7;
    Store(text);
    try {
      Load();
      ADD_FAILURE() << "loaded a port from an invalid text";
    } catch (const engine::AutomationError& error) {
      EXPECT_EQ(error.Number(), number);
    }
    EXPECT_EQ(fixture.state.PortNumber, 7);
  }
}

TEST_F(StoredSettingsTest, SavesUnderHostAndPluginFile) {
  fixture.state.PortNumber = 4;
  SavePort(fixture.state, fixture.platform.settings, u"Host", u"Tarvolk_DMX.out.dll");
  fixture.state.PortNumber = 200;
  SavePort(fixture.state, fixture.platform.settings, u"Other Host", u"Tarvolk_DMX.out.dll");

  const auto& values = fixture.platform.settings.values;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values.at({u"Host", u"Plugins\\Tarvolk_DMX.out.dll", u"COM"}), u"4");
  EXPECT_EQ(values.at({u"Other Host", u"Plugins\\Tarvolk_DMX.out.dll", u"COM"}), u"200");
  Load();
  EXPECT_EQ(fixture.state.PortNumber, 4);
}

}  // namespace
}  // namespace tarvolk::plugin
