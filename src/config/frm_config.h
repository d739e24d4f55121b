#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/driver_state.h"
#include "platform/config_view.h"

namespace tarvolk::config {

inline constexpr std::u16string_view kNotANumberText = u"Bitte geben Sie eine gültige Zahl ein";
inline constexpr std::u16string_view kOutOfRangeText =
    u"Bitte geben Sie eine Zahl zwischen 0 und 254 ein";
// Messages without a title of their own show the component's name.
inline constexpr std::u16string_view kComponentTitle = u"Tarvolk DMX Plugin";
inline constexpr int kPortListSize = 5;  // "COM1" to "COM5"

// The configuration dialog's logic: it shows the channel count and the port
// from the shared state and, when the user closes it, checks the count,
// applies both and reopens the serial link.
class frmConfig final : public engine::ConfigWindow, private platform::ConfigViewEvents {
 public:
  explicit frmConfig(engine::DriverState& state);
  ~frmConfig() override;

  // Loads the controls and shows the window modally; returns once it closed.
  // A call while the window is already open (a host calling again from inside
  // the modal loop) returns at once and leaves the user's input alone.
  void Show() override;

 private:
  void Load();
  bool OnCloseRequest() override;
  // Returns false, after telling the user why, when the text is refused.
  bool AcceptChannelCount();
  // The list entry picked, or else the port the typed text names (0 for none).
  std::uint8_t ChosenPort() const;
  void ApplyPort(std::uint8_t port);

  engine::DriverState& state_;
  std::unique_ptr<platform::ConfigView> view_;
  bool showing_ = false;
};

}  // namespace tarvolk::config
