// The serial layer's own fuzzer: a host calling at random into the plug-in
// while a driver answers every call at random within what real drivers do,
// then the driver healthy again. Each run is one seed; a failing run prints
// its seed and how to run it alone.
//
//   serial_chaos.exe [--seed S] [--runs N] [--steps K]
//
// TARVOLK_CHAOS_SEED and TARVOLK_CHAOS_RUNS set S and N when the options do
// not (make test: 200 runs from seed 1; make fuzz: many from the time).
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "config/frm_config.h"
#include "engine/open_sequence.h"
#include "model_show.h"
#include "scenarios.h"

namespace tarvolk::drivers {
namespace {

using namespace std::chrono_literals;
using platform::win32::serial::CommPort;
using Random = std::mt19937;

// The errors drivers answer with: access denied, bad command, general
// failure, semaphore timeout, no such device, aborted, not connected.
constexpr DWORD kErrors[] = {5, 22, 31, 121, 433, 995, 1167};
constexpr Duration kSlowestOpen = 3s;

bool Chance(Random& random, double p) { return std::bernoulli_distribution(p)(random); }
Duration Upto(Random& random, Duration most) {
  return Duration(std::uniform_int_distribution<std::int64_t>(0, most.count())(random));
}

// Every call answered at random while it is unhealthy; a plain driver after.
class ChaosDriver final : public DriverModel {
 public:
  ChaosDriver(fakes::FakeClock& clock, Random& random) : DriverModel(clock), random_(random) {}

  // New answers for the next host call: a slow or failing open, the device
  // gone, SetCommState refused, cancels ignored.
  void Stir() {
    deviceGone = Chance(random_, 0.15);
    openTime = Chance(random_, 0.5) ? Duration{0} : Upto(random_, kSlowestOpen);
    opensFail = Chance(random_, 0.3);
    refusedStates = std::uniform_int_distribution(0, 2)(random_);
    ignoresCancels_ = Chance(random_, 0.3);
  }

  // The device back for good: what the driver still held ends now.
  void Heal() {
    healthy_ = true;
    deviceGone = opensFail = false;
    openTime = Duration{0};
    refusedStates = 0;
    ignoresCancels_ = false;
    AbortUnfinishedWrites();
  }

  bool ClearCommError(HANDLE port) override {
    if (healthy_ || !Chance(random_, 0.3)) return DriverModel::ClearCommError(port);
    SetLastError(AnError());
    return false;
  }
  HANDLE Open(const std::wstring& name) override {
    if (healthy_ || !Chance(random_, 0.2)) return DriverModel::Open(name);
    SetLastError(AnError());
    return INVALID_HANDLE_VALUE;
  }

 protected:
  // At once, later, partly or never; or failed at once or later.
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override {
    if (healthy_) return {now, count, ERROR_SUCCESS};
    const Duration later = lineEnd + Upto(random_, 1500ms);
    const auto part = std::uniform_int_distribution<DWORD>(0, count - 1)(random_);
    const WriteJob outcomes[] = {{now, count, 0},      {later, count, 0},  {now, part, 0},
                                 {later, part, 0},     {kNever, count, 0}, {now, 0, AnError()},
                                 {later, 0, AnError()}};
    return outcomes[std::uniform_int_distribution(0, 6)(random_)];
  }
  DWORD Refusal(const DCB& state) override {
    if (!healthy_ && Chance(random_, 0.2)) return AnError();
    return DriverModel::Refusal(state);
  }
  bool HonoursCancels() const override { return !ignoresCancels_; }

 private:
  DWORD AnError() { return kErrors[std::uniform_int_distribution<std::size_t>(0, 6)(random_)]; }

  Random& random_;
  bool healthy_ = false;
  bool ignoresCancels_ = false;
};

struct Failure {
  std::string what;
};

void Check(bool holds, const std::string& what) {
  if (!holds) throw Failure{what};
}

// The wire torn only where the driver lost bytes, or where the host's thread
// ended (the port then goes at once): between two tears every frame is
// whole, and at each tear at most the frame it cut is not.
void CheckWire(const DriverModel& model, std::vector<std::size_t> cuts) {
  const auto& wire = model.Wire();
  cuts.insert(cuts.end(), model.Tears().begin(), model.Tears().end());
  cuts.push_back(wire.size());
  for (auto& cut : cuts) cut = std::min(cut, wire.size());
  std::sort(cuts.begin(), cuts.end());
  std::size_t from = 0;
  bool afterTear = false;
  for (std::size_t i = 0; i < cuts.size(); ++i) {
    const std::size_t to = cuts[i];
    const std::vector<fakes::WireByte> part(wire.begin() + static_cast<std::ptrdiff_t>(from),
                                            wire.begin() + static_cast<std::ptrdiff_t>(to));
    const auto decoded = fakes::DecodeWire(part, model.ByteTime(), Duration::max());
    const bool torn = i + 1 < cuts.size();
    Check(decoded.BadFrames() <= std::uint64_t{afterTear} + std::uint64_t{torn},
          "a frame cut where the driver lost nothing, between bytes " + std::to_string(from) +
              " and " + std::to_string(to));
    from = to;
    afterTear = torn;
  }
}

// How long a host call may wait beyond the driver's own time in it: none,
// the line time of what is queued (a close), or also for the plug-in's own
// try to open the port (Enable and the dialog's close open synchronously).
enum class Waits { kNever, kForTheLine, kForAnOpen };

template <class Call>
void HostCall(Show& show, ChaosDriver& driver, const char* name, Waits waits, Call call) {
  const Duration start = show.Now();
  const Duration took = driver.took;
  Duration allowed{0};
  if (waits != Waits::kNever) allowed += kWaitBound;
  if (waits == Waits::kForAnOpen) allowed += std::max(driver.AsideDoneBy() - start, Duration{0});
  call();
  const Duration waited = show.Now() - start - (driver.took - took);
  Check(waited <= allowed,
        std::string(name) + " held the host's thread " +
            std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()) +
            " ms");
}

// The end of the plug-in's journal, to read beside a failure.
void PrintJournal(const Show& show) {
  const auto& lines = show.Journal();
  for (std::size_t i = lines.size() > 12 ? lines.size() - 12 : 0; i < lines.size(); ++i) {
    std::string narrow;
    for (const char16_t c : lines[i]) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    std::printf("  journal: %s\n", narrow.c_str());
  }
}

// Healthy again: output is back within 2 s, at the line's rate, and the
// wire was torn only where the driver lost bytes.
void CheckHealthyAgain(Show& show, ChaosDriver& driver,
                       const std::vector<std::size_t>& threadEnds) {
  driver.Heal();
  const std::size_t messages = show.Messages().size();
  // Output switched off, or the port given up: the operator switches it on.
  if (!show.Sending() || (!show.Link().IsOpen() && !show.Link().IsReopening())) {
    HostCall(show, driver, "Enable", Waits::kForAnOpen,
             [&] { Check(show.Enable(24), "Enable failed on a healthy driver"); });
  }
  const Duration healthy = show.Now();
  show.Run(4s);
  Check(show.Messages().size() == messages, "a message about a healthy driver");
  const auto decoded = DecodedAfter(driver, healthy + 2s);
  Check(decoded.frames > 0, "no output 2 s after the driver became healthy");
  const double frameTime = std::chrono::duration<double>(driver.ByteTime()).count() *
                           static_cast<double>(decoded.frameBytes) /
                           static_cast<double>(decoded.frames);
  const double tickTime = std::chrono::duration<double>(show.TickInterval()).count();
  // Two seconds at the line's rate or the timer's, whichever is slower.
  Check(static_cast<double>(decoded.frames + 1) >= 0.9 * 2 / std::max(frameTime, tickTime),
        "output back at " + std::to_string(decoded.frames) + " frames in 2 s");
  CheckWire(driver, threadEnds);
  HostCall(show, driver, "Disable", Waits::kForTheLine, [&] { show.Disable(); });
  show.EndThread();
  Check(!driver.IsHeld(), "the port still open after the thread ended");
  Check(driver.EventsOpen() <= CommPort::kMostWritesLeft,
        "events left open beyond those of writes left at a thread's end");
}

void RunShow(Show& show, Random& random, int steps) {
  auto& driver = show.Use<ChaosDriver>(random);
  std::vector<std::size_t> threadEnds;
  for (int step = 0; step < steps; ++step) {
    driver.Stir();
    switch (std::uniform_int_distribution(0, 9)(random)) {
      case 0:
      case 1:
        HostCall(show, driver, "Enable", Waits::kForAnOpen,
                 [&] { show.Enable(std::uniform_int_distribution(1, 254)(random)); });
        break;
      case 2:
        HostCall(show, driver, "Disable", Waits::kForTheLine, [&] { show.Disable(); });
        break;
      case 3:
        HostCall(show, driver, "the dialog's close", Waits::kForAnOpen, [&] {
          show.CloseDialog(std::u16string(1, static_cast<char16_t>(u'1' + random() % 9)) + u"0");
        });
        break;
      case 4:
        HostCall(show, driver, "Term", Waits::kNever, [&] { show.Term(); });
        break;
      case 5:
        HostCall(show, driver, "the thread's end", Waits::kNever, [&] { show.EndThread(); });
        threadEnds.push_back(driver.Wire().size());
        show.NewThread();
        break;
      default:
        HostCall(show, driver, "SetChannel", Waits::kNever, [&] {
          show.SetChannel(std::uniform_int_distribution(1, 520)(random),
                          std::uniform_int_distribution(0, 255)(random));
        });
        break;
    }
    show.longestTickHold = Duration{0};
    show.Run(Upto(random, 1500ms));
    Check(show.longestTickHold <= kWaitBound, "a tick held the host's thread");
    Check(driver.secondHandles == 0, "the port was opened while the plug-in held it");
    Check(driver.WritesHeld() <= CommPort::kMostWritesLeft,
          "the driver holds more writes than the bound");
    // Events of writes: those in use and reused, and those left to drivers.
    Check(driver.EventsOpen() <= 2 * CommPort::kMostWritesLeft + 4,
          "events grow: " + std::to_string(driver.EventsOpen()));
  }
  const std::u16string_view ours[] = {engine::kEnablePortFailureText,
                                      engine::kDialogPortFailureText, config::kNotANumberText,
                                      config::kOutOfRangeText};
  for (const auto& message : show.Messages()) {
    Check(std::ranges::find(ours, message.text) != std::end(ours), "a message not the product's");
  }
  CheckHealthyAgain(show, driver, threadEnds);
}

std::uint32_t runningSeed = 0;
int runningSteps = 0;

void ReportFailure(const char* what) {
  std::printf("FAILED seed %u: %s\nreplay: serial_chaos.exe --seed %u --runs 1 --steps %d\n",
              runningSeed, what, runningSeed, runningSteps);
  std::fflush(stdout);
}

// A crash (the model brings the host down on a write misused, as Windows
// would) still names its seed.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS*) {
  ReportFailure("crashed");
  return EXCEPTION_EXECUTE_HANDLER;
}

void ReportCrashes() {
  std::signal(SIGABRT, [](int) {
    ReportFailure("crashed");
    std::_Exit(3);
  });
  SetUnhandledExceptionFilter(ReportCrash);
}

void RunOnce(std::uint32_t seed, int steps) {
  Random random(seed);
  Show show;
  try {
    RunShow(show, random, steps);
  } catch (const Failure&) {
    PrintJournal(show);
    throw;
  }
}

int Main(int argc, char** argv) {
  const auto fromEnvironment = [](const char* name, long otherwise) {
    const char* value = std::getenv(name);
    return value ? std::strtol(value, nullptr, 10) : otherwise;
  };
  auto seed = static_cast<std::uint32_t>(fromEnvironment("TARVOLK_CHAOS_SEED", 1));
  int runs = static_cast<int>(fromEnvironment("TARVOLK_CHAOS_RUNS", 200));
  int steps = 40;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const long value = std::strtol(argv[i + 1], nullptr, 10);
    if (option == "--seed") seed = static_cast<std::uint32_t>(value);
    if (option == "--runs") runs = static_cast<int>(value);
    if (option == "--steps") steps = static_cast<int>(value);
  }
  std::printf("serial_chaos: %d runs of %d steps from seed %u\n", runs, steps, seed);
  ReportCrashes();
  runningSteps = steps;
  for (int run = 0; run < runs; ++run, ++seed) {
    runningSeed = seed;
    try {
      RunOnce(seed, steps);
    } catch (const Failure& failure) {
      ReportFailure(failure.what.c_str());
      return 1;
    }
  }
  std::printf("serial_chaos: all %d runs held\n", runs);
  return 0;
}

}  // namespace
}  // namespace tarvolk::drivers

int main(int argc, char** argv) { return tarvolk::drivers::Main(argc, argv); }
