// bench-host: the host side of `make bench`, under Wine.
//   bench-host clock
//       answers every line on stdin with this process's wall clock (Unix us),
//       so the bench can compare it with the native clock
//   bench-host show CHANNELS SECONDS GAP_US on|off
//       the plug-in through COM: Init, Enable (on) or never (off), the channel
//       count raised to CHANNELS, then the show pattern for SECONDS
//   bench-host naive CHANNELS SECONDS GAP_US PORT
//       the same show through a naive driver writing COM PORT itself
//   bench-host calls SECONDS
//       SetChannel calls per second with output on at 254 channels
// Results go to stdout as "key value" lines.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "call_rates.h"
#include "engine/frame_transmitter.h"
#include "message_loop.h"
#include "naive_driver.h"
#include "output_driver.h"
#include "show_run.h"
#include "tick_probe.h"
#include "unix_time.h"

namespace {

using namespace tarvolk::bench;

constexpr wchar_t kTitle[] = L"Tarvolk Bench";
constexpr wchar_t kFileName[] = L"Tarvolk_DMX.out.dll";
// Enable sets 10 channels; fewer can only be had through the dialog.
constexpr int kEnableChannels = 10;
// Lets the driver's ticks settle and the line fill before anything is measured.
constexpr long long kSettleUs = 1'000'000;

// The period the driver's timer runs at for this count: Enable keeps the
// first 10 ms; a raised count or the dialog set SendInterval.
UINT DriverPeriodMs(int channels) {
  if (channels == kEnableChannels) return tarvolk::engine::FrameTransmitter::kInitialIntervalMs;
  return static_cast<UINT>(tarvolk::engine::SendInterval(channels));
}

void AnswerClockProbes() {
  char line[64];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    std::printf("%lld\n", tarvolk::demo_host::UnixMicroseconds());
    std::fflush(stdout);
  }
}

void PrintShowHeader(const char* mode, int channels, UINT periodMs) {
  std::printf("mode %s\nchannels %d\nperiod_ms %u\n", mode, channels, periodMs);
}

// The interval list goes out as one line, for its percentiles.
void PrintTicks(const TickProbe::Ticks& ticks) {
  std::printf("ticks %lu\nfirst_tick_us %lld\nlast_tick_us %lld\ntick_intervals_us", ticks.count,
              ticks.firstUs, ticks.lastUs);
  for (const long long interval : ticks.intervalsUs) std::printf(" %lld", interval);
  std::printf("\n");
}

void RunDriverShow(const ShowSettings& settings, bool outputOn) {
  OutputDriver driver;
  MessageLoop loop;
  driver.Init(kTitle, kFileName);
  if (outputOn) {
    if (!driver.Enable()) throw std::runtime_error("Enable returned false");
    if (settings.channels < kEnableChannels) driver.ConfigureChannelCount(settings.channels);
  }
  // Raises the count (and recomputes the period) above 10, as a host does.
  if (!driver.SetChannel(settings.channels, 0)) throw std::runtime_error("SetChannel(N) failed");
  loop.RunUntil(tarvolk::demo_host::UnixMicroseconds() + kSettleUs);
  const UINT periodMs = DriverPeriodMs(settings.channels);
  TickProbe probe(periodMs);
  const ShowRecord record =
      RunShow(settings, loop, [&](LONG c, LONG v) { return driver.SetChannel(c, v); });
  const TickProbe::Ticks ticks = probe.Stop();
  if (outputOn) driver.Disable();
  driver.Term();
  PrintShowHeader(outputOn ? "on" : "off", settings.channels, periodMs);
  PrintTicks(ticks);
  PrintShowRecord(record);
}

void RunNaiveShow(const ShowSettings& settings, int port) {
  NaiveDriver driver(port, settings.channels);
  MessageLoop loop;
  const auto periodMs = static_cast<UINT>(tarvolk::engine::SendInterval(settings.channels));
  loop.AddTimer(periodMs, [&] { driver.SendFrame(); });
  const ShowRecord record =
      RunShow(settings, loop, [&](LONG c, LONG v) { return driver.SetChannel(c, v); });
  PrintShowHeader("naive", settings.channels, periodMs);
  std::printf("blocked_us %lld\nlongest_block_us %lld\nframes_written %zu\nframes_built_us",
              driver.BlockedUs(), driver.LongestBlockUs(), driver.FramesBuiltUs().size());
  for (const long long built : driver.FramesBuiltUs()) std::printf(" %lld", built);
  std::printf("\n");
  PrintShowRecord(record);
}

void RunCallRates(double seconds) {
  OutputDriver driver;
  MessageLoop loop;
  driver.Init(kTitle, kFileName);
  if (!driver.Enable()) throw std::runtime_error("Enable returned false");
  if (!driver.SetChannel(254, 0)) throw std::runtime_error("SetChannel(254) failed");
  loop.RunUntil(tarvolk::demo_host::UnixMicroseconds() + kSettleUs);
  MeasureCallRates(driver, loop, seconds);
  driver.Disable();
  driver.Term();
}

int Usage() {
  std::fputs(
      "usage: bench-host clock | show CHANNELS SECONDS GAP_US on|off |\n"
      "       naive CHANNELS SECONDS GAP_US PORT | calls SECONDS\n",
      stderr);
  return 2;
}

ShowSettings ParseShow(const std::vector<std::string>& args) {
  ShowSettings settings;
  settings.channels = std::atoi(args[1].c_str());
  settings.seconds = std::atof(args[2].c_str());
  settings.meanGapUs = std::atoll(args[3].c_str());
  if (settings.channels < 1 || settings.channels > 254 || settings.seconds <= 0 ||
      settings.meanGapUs < 2) {
    throw std::invalid_argument("bad show arguments");
  }
  return settings;
}

int Run(const std::vector<std::string>& args) {
  const std::string mode = args.empty() ? "" : args[0];
  if (mode == "clock" && args.size() == 1) {
    AnswerClockProbes();
  } else if (mode == "show" && args.size() == 5 && (args[4] == "on" || args[4] == "off")) {
    RunDriverShow(ParseShow(args), args[4] == "on");
  } else if (mode == "naive" && args.size() == 5) {
    RunNaiveShow(ParseShow(args), std::atoi(args[4].c_str()));
  } else if (mode == "calls" && args.size() == 2) {
    RunCallRates(std::atof(args[1].c_str()));
  } else {
    return Usage();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fputs("bench-host: CoInitializeEx failed\n", stderr);
    return 1;
  }
  int status = 1;
  try {
    status = Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench-host: %s\n", error.what());
  }
  std::fflush(stdout);
  CoUninitialize();
  return status;
}
