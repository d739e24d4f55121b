#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/port_list.h"
#include "engine/driver_state.h"
#include "platform/config_view.h"

namespace tarvolk::config {

inline constexpr std::u16string_view kNotANumberText = u"Bitte geben Sie eine gültige Zahl ein";
inline constexpr std::u16string_view kOutOfRangeText =
    u"Bitte geben Sie eine Zahl zwischen 0 und 254 ein";
// Messages without a title of their own show the component's name.
inline constexpr std::u16string_view kComponentTitle = u"Tarvolk DMX Plugin";

// The configuration dialog's logic: it shows the channel count and the port
// from the shared state, lists the ports present (live, while it shows) and,
// when the user closes it, checks the count, applies both and reopens the
// serial link.
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
  void OnPortsListed(const platform::PortListing& listing) override;
  void OnDevicesChanged() override;
  void OnPortListClosed() override;
  // Gives the view the port list anew when it changed, keeping what the user
  // has chosen or is typing.
  void RefreshPortList();
  // Lists the entries with `port`'s selected, or nothing for 0.
  void ShowPortList(std::uint8_t port);
  // Says once in the journal why the list offers no more than COM1 to COM5.
  void RecordListingTrouble(const platform::PortListing& listing);
  // Returns false, after telling the user why, when the text is refused.
  bool AcceptChannelCount();
  // The port of the entry whose text the combo box shows, picked or typed.
  std::optional<std::uint8_t> ShownEntryPort() const;
  // That entry's port, or else the port the typed text names (0 for none).
  std::uint8_t ChosenPort() const;
  void ApplyPort(std::uint8_t port);

  engine::DriverState& state_;
  std::unique_ptr<platform::ConfigView> view_;
  bool showing_ = false;
  std::vector<PortEntry> portEntries_;
  // The ports present as last listed; none before the first answer of a showing.
  std::optional<std::vector<platform::NamedPort>> presentPorts_;
  // An answer came while the list was dropped down: applied when it closes,
  // so that the entry under the mouse never shifts.
  bool refreshWhenClosed_ = false;
  std::uint8_t loadedPort_ = 0;
  std::u16string listingTrouble_;
};

}  // namespace tarvolk::config
