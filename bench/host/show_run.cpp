#include "show_run.h"

#include <cstdio>

#include "show_pattern.h"
#include "unix_time.h"

namespace tarvolk::bench {
namespace {

double Seconds(const FILETIME& time) {
  const auto ticks =
      (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<double>(ticks) / 1e7;
}

}  // namespace

double ProcessCpuSeconds() {
  FILETIME created;
  FILETIME exited;
  FILETIME kernel;
  FILETIME user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  return Seconds(kernel) + Seconds(user);
}

ShowRecord RunShow(const ShowSettings& settings, MessageLoop& loop,
                   const std::function<bool(LONG, LONG)>& setChannel) {
  ShowRecord record;
  ChangeGaps gaps(settings.meanGapUs);
  const double cpuBefore = ProcessCpuSeconds();
  record.startUs = demo_host::UnixMicroseconds();
  const long long endUs = record.startUs + static_cast<long long>(settings.seconds * 1e6);
  long long nextUs = record.startUs + gaps.Next();
  for (long long k = 0; nextUs < endUs; ++k, nextUs += gaps.Next()) {
    loop.RunUntil(nextUs);
    const ShowChange change = ShowChangeAt(k, settings.channels);
    if (!setChannel(change.channel, change.value)) ++record.failedChanges;
    record.changeReturnedUs.push_back(demo_host::UnixMicroseconds());
  }
  loop.RunUntil(endUs);
  record.endUs = demo_host::UnixMicroseconds();
  record.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
  return record;
}

void PrintShowRecord(const ShowRecord& record) {
  std::printf("start_us %lld\nend_us %lld\ncpu_s %.6f\nchanges %zu\nfailed_changes %lu\n",
              record.startUs, record.endUs, record.cpuSeconds, record.changeReturnedUs.size(),
              record.failedChanges);
  for (std::size_t k = 0; k < record.changeReturnedUs.size(); ++k) {
    std::printf("change %zu %lld\n", k, record.changeReturnedUs[k]);
  }
}

}  // namespace tarvolk::bench
