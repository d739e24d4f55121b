#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/line_settings.h"

namespace tarvolk::platform::win32::serial {

class BackgroundOpen;
class CommDriver;
struct OpenedPort;

// Tries to open a port that were given up while still under way, by any
// port on one driver (a port closed, or its thread ended). A try holds its
// port's number from the start of its open until it hands the port over or
// closes it, so whichever port opens that number next takes the try back
// rather than open the port a second time and be told it is in use.
class GivenUpTries {
 public:
  using Duration = std::chrono::nanoseconds;

  void Add(std::shared_ptr<BackgroundOpen> attempt);

  // The port `number` as the plug-in's own try opened it, when one holds that
  // number: waited for while it does (at most `wait`) and taken over.
  // Nothing when none holds it, when its open failed (the caller opens the
  // port itself), or it opened the port otherwise than asked (closed again);
  // a try that is letting the port go is waited for until it has. Throws
  // PlatformError when the try outlasts the wait; it is given up again, and
  // the next call waits anew.
  std::optional<OpenedPort> TakeBack(CommDriver& driver, std::int16_t number,
                                     const LineSettings& settings, Duration wait);

 private:
  void GiveUpAgain(std::shared_ptr<BackgroundOpen> attempt);

  std::mutex mutex_;
  std::vector<std::shared_ptr<BackgroundOpen>> tries_;
};

}  // namespace tarvolk::platform::win32::serial
