#include "engine/driver_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "fakes/fake_platform.h"
#include "plugin/cls_output_driver.h"

namespace tarvolk::engine {
namespace {

std::unique_ptr<platform::Platform> MakeFakePlatform() {
  return std::make_unique<fakes::FakePlatform>();
}

TEST(DriverStateTest, StartsAllZero) {
  fakes::FakePlatform platform;
  DriverState state(platform);
  EXPECT_FALSE(state.OutputEnabled);
  EXPECT_EQ(state.ChannelCount, 0);
  EXPECT_EQ(state.PortNumber, 0);
  for (const auto value : state.ChannelBuffer) ASSERT_EQ(value, 0);
  EXPECT_EQ(state.frmConfig, nullptr);
  EXPECT_EQ(platform.timersCreated, 0) << "the engine window is created on first use";
  state.EngineWindow();
  state.EngineWindow();
  EXPECT_EQ(platform.timersCreated, 1);
  EXPECT_EQ(platform.serialPortsCreated, 1);
}

TEST(DriverStateTest, ObjectsShareTheirThreadsRecordOnly) {
  platform::InstallPlatformFactory(&MakeFakePlatform);
  plugin::clsOutputDriver first;
  plugin::clsOutputDriver second;
  first.SetChannel(7, 99);
  EXPECT_EQ(DriverState::ForCurrentThread().ChannelBuffer[7], 99);
  second.SetChannel(8, 42);
  EXPECT_EQ(&DriverState::ForCurrentThread(), &DriverState::ForCurrentThread());

  std::uint8_t seenOnOtherThread = 0xFF;
  std::uint8_t writtenOnOtherThread = 0;
  const DriverState* otherRecord = nullptr;
  std::thread other([&] {
    plugin::clsOutputDriver third;
    third.SetChannel(9, 5);
    seenOnOtherThread = DriverState::ForCurrentThread().ChannelBuffer[7];
    writtenOnOtherThread = DriverState::ForCurrentThread().ChannelBuffer[9];
    otherRecord = &DriverState::ForCurrentThread();
  });
  other.join();
  EXPECT_EQ(seenOnOtherThread, 0);
  EXPECT_EQ(writtenOnOtherThread, 5);
  EXPECT_NE(otherRecord, &DriverState::ForCurrentThread());
  EXPECT_EQ(DriverState::ForCurrentThread().ChannelBuffer[9], 0);
  EXPECT_EQ(DriverState::ForCurrentThread().ChannelBuffer[8], 42);
}

}  // namespace
}  // namespace tarvolk::engine
