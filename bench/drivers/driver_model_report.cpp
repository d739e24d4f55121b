// Prints what the plug-in's COM port does on models of real drivers, on
// Windows' clock (15.625 ms ticks, sleeps that end on them): frames cut when
// output is switched off and on at random moments on a USB adapter that drops
// its buffer at the close, and how much a port that takes seconds to refuse
// each open holds up the host's thread while it is lost. One row a case.
#include <chrono>
#include <cstdio>

#include "driver_models.h"
#include "scenarios.h"

namespace {

using namespace tarvolk::drivers;

double Ms(Duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void PrintCloseRow() {
  constexpr int kCycles = 200;
  Show show;
  show.Use<UsbAdapter>();
  const CloseCycles result = RunCloseCycles(show, kCycles, 7);
  std::printf("%-12s %6s %6s %6s %6s %18s\n", "#usb-close", "cycles", "whole", "torn", "bad",
              "longest_disable_ms");
  std::printf("%-12s %6d %6llu %6llu %6llu %18.1f\n", "usb-adapter", kCycles,
              static_cast<unsigned long long>(result.decoded.frames),
              static_cast<unsigned long long>(result.decoded.torn),
              static_cast<unsigned long long>(result.decoded.BadFrames()),
              Ms(result.longestDisable));
}

void PrintSlowLossRow() {
  constexpr Duration kLost = std::chrono::seconds(60);
  Show show;
  auto& port = show.Use<InstantWrites>();
  const SlowLoss result = RunSlowLoss(show, port, SlowOpen::kOpenTime, kLost);
  std::printf("\n%-12s %6s %6s %6s %9s %16s %10s %11s\n", "#slow-port", "open_s", "lost_s", "tries",
              "held_ms", "longest_stall_ms", "held_share", "resumed_ms");
  std::printf("%-12s %6.0f %6.0f %6d %9.1f %16.1f %10.4f %11.1f\n", "slow-port",
              Ms(SlowOpen::kOpenTime) / 1000, Ms(kLost) / 1000, result.tries, Ms(result.tickHold),
              Ms(result.longestTickHold), Ms(result.tickHold) / Ms(kLost), Ms(result.resumedAfter));
}

}  // namespace

int main() {
  PrintCloseRow();
  PrintSlowLossRow();
  return 0;
}
