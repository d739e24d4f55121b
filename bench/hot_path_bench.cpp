// The two paths that run all the time: the host's SetChannel and the timer tick.
#include <benchmark/benchmark.h>

#include "engine/driver_state.h"
#include "engine/frm_main.h"
#include "fakes/fake_platform.h"
#include "plugin/cls_output_driver.h"

namespace {

using namespace tarvolk;

struct Engine {
  Engine() {
    state.PortNumber = 1;
    driver.Enable();
    state.ChannelCount = 254;
    platform.port->writeLimit = 0;  // the line never drains: measure the frame logic alone
  }
  fakes::FakePlatform platform;
  engine::DriverState state{platform};
  plugin::clsOutputDriver driver{state};
};

void BM_SetChannel(benchmark::State& benchState) {
  Engine engine;
  std::int32_t i = 0;
  for (auto _ : benchState) {
    benchmark::DoNotOptimize(engine.driver.SetChannel(1 + i % 254, i & 0xFF));
    ++i;
  }
}
BENCHMARK(BM_SetChannel);

void BM_BuildFrame254(benchmark::State& benchState) {
  Engine engine;
  for (auto _ : benchState) {
    benchmark::DoNotOptimize(engine.state.EngineWindow().timSend.BuildFrame().data());
  }
}
BENCHMARK(BM_BuildFrame254);

void BM_TickWithBusyLine(benchmark::State& benchState) {
  Engine engine;
  for (auto _ : benchState) {
    engine.platform.clock.Advance(std::chrono::milliseconds(1));
    engine.platform.timer->Fire();
  }
}
BENCHMARK(BM_TickWithBusyLine);

}  // namespace
