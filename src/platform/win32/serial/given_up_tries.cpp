#include "platform/win32/serial/given_up_tries.h"

#include <algorithm>

#include "platform/platform_error.h"
#include "platform/win32/serial/comm_open.h"

namespace tarvolk::platform::win32::serial {

// A try that has ended and holds nothing is forgotten.
void GivenUpTries::Add(std::shared_ptr<BackgroundOpen> attempt) {
  const std::lock_guard lock(mutex_);
  std::erase_if(tries_, [](const auto& other) { return other->Finished() && !other->Holding(); });
  tries_.push_back(std::move(attempt));
}

std::optional<OpenedPort> GivenUpTries::TakeBack(CommDriver& driver, std::int16_t number,
                                                 const LineSettings& settings, Duration wait) {
  std::shared_ptr<BackgroundOpen> attempt;
  bool reclaimed = false;
  {
    const std::lock_guard lock(mutex_);
    const auto mine = std::find_if(tries_.begin(), tries_.end(),
                                   [&](const auto& other) { return other->Holding() == number; });
    if (mine == tries_.end()) return std::nullopt;
    attempt = *mine;
    reclaimed = attempt->Reclaim();
    if (reclaimed) tries_.erase(mine);
  }
  const Duration deadline = driver.Now() + wait;
  while (reclaimed ? !attempt->Finished() : attempt->Holding() == number) {
    if (driver.Now() >= deadline) {
      if (reclaimed) {
        attempt->Abandon();
        Add(std::move(attempt));
      }
      throw PlatformError("the port is still being opened");
    }
    driver.Sleep(1);
  }
  if (!reclaimed || !attempt->Opened()) return std::nullopt;
  OpenedPort opened = attempt->TakePort();
  if (opened.number == number && attempt->Asked().settings == settings) return opened;
  // Opened with other settings, or its adapter elsewhere: not what is wanted.
  driver.Close(opened.handle);
  return std::nullopt;
}

}  // namespace tarvolk::platform::win32::serial
