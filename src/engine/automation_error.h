#pragma once

#include <stdexcept>
#include <string>

namespace tarvolk::engine {

// The automation error numbers that reach the host.
enum class ErrorNumber : int {
  kOverflow = 6,        // a number that does not fit its target
  kBounds = 9,          // an index outside ChannelBuffer
  kConversion = 13,     // text that is not a number
  kInvalidValue = 380,  // a control given a value it does not accept
};

// A failed host call. Thrown before the failing step changes anything; the
// component layer turns it into the automation error the host sees.
class AutomationError : public std::runtime_error {
 public:
  explicit AutomationError(ErrorNumber number);

  ErrorNumber Number() const { return number_; }
  // The German description a script host shows for it.
  const std::u16string& Description() const { return description_; }

 private:
  ErrorNumber number_;
  std::u16string description_;
};

}  // namespace tarvolk::engine
