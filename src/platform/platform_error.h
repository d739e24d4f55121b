#pragma once

#include <stdexcept>

namespace tarvolk::platform {

// Thrown by any platform object when the operating system refuses a step
// (a port that cannot be opened, a timer that cannot be created, ...).
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tarvolk::platform
