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
  // A reclaimed try is waited for only while it holds the number: once its
  // own open failed it lets go, opens nothing more, and the caller opens the
  // port itself rather than wait for what the try does next.
  const Duration deadline = driver.Now() + wait;
  while (attempt->Holding() == number && !(reclaimed && attempt->Finished())) {
    if (driver.Now() >= deadline) {
      if (reclaimed) GiveUpAgain(std::move(attempt));
      throw PlatformError("the port is still being opened");
    }
    driver.Sleep(1);
  }
  if (!reclaimed) return std::nullopt;
  if (!attempt->Finished()) {
    GiveUpAgain(std::move(attempt));
    return std::nullopt;
  }
  return attempt->TakePortAsAsked(number, settings);
}

void GivenUpTries::GiveUpAgain(std::shared_ptr<BackgroundOpen> attempt) {
  attempt->Abandon();
  Add(std::move(attempt));
}

}  // namespace tarvolk::platform::win32::serial
