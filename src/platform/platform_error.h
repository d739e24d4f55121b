#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace tarvolk::platform {

// What the operating system said when it refused a step: its error number
// and its own text for it, in the user's language.
struct SystemError {
  unsigned long number = 0;
  std::u16string text;
  bool operator==(const SystemError&) const = default;
};

// Thrown by any platform object when the operating system refuses a step
// (a port that cannot be opened, a timer that cannot be created, ...).
class PlatformError : public std::runtime_error {
 public:
  explicit PlatformError(const std::string& what, std::optional<SystemError> system = std::nullopt)
      : std::runtime_error(what), system_(std::move(system)) {}

  // The operating system's own error, when it gave one.
  const std::optional<SystemError>& System() const { return system_; }

 private:
  std::optional<SystemError> system_;
};

}  // namespace tarvolk::platform
