#pragma once

#include <cstdint>
#include <string>

namespace tarvolk::engine {
class DriverState;
}

namespace tarvolk::plugin {

inline constexpr std::u16string_view kPluginName = u"Tarvolk DMX Plugin";

// The class the host creates and calls. Each object keeps only the two names
// the host passed to Init; everything else is the thread's shared DriverState,
// so several objects on one thread drive one serial link and one buffer.
//
// Failures the host must see are thrown as engine::AutomationError before the
// failing step changes anything. Port trouble is not such a failure: the user
// is told in a message box and the method reports false.
class clsOutputDriver {
 public:
  // An object on the calling thread's shared state.
  clsOutputDriver();
  explicit clsOutputDriver(engine::DriverState& state);

  // Stops the timer, closes the link and switches output off. Always true.
  bool Disable();
  // Opens the link, sets 10 channels, starts the timer and switches output
  // on. False, after a message box, when the port cannot be opened.
  bool Enable();
  std::u16string PluginName() const;
  // Stores a channel value. Channels above 512 are ignored (false); a negative
  // channel is a bounds error (9), a value outside 0..255 an overflow (6).
  // Writing above the channel count raises it (up to 254) and recomputes the period.
  bool SetChannel(std::int32_t channel, std::int32_t value);
  // Shows the configuration dialog modally. Always false.
  bool Configure();
  // Keeps both names and loads the stored port. Always false; a stored text
  // that is not a port fails with 13 or 6, the names being kept already.
  bool Init(const std::u16string& CallingAppTitle, const std::u16string& MyFilename);
  // Stores the port under the names Init kept. Always false.
  bool Term();

 private:
  engine::DriverState& state_;
  std::u16string callingAppTitle_;
  std::u16string myFilename_;
};

}  // namespace tarvolk::plugin
