#pragma once

#include <exception>

#include "platform/config_view.h"
#include "platform/win32/config_controls.h"
#include "platform/win32/own_window.h"
#include "platform/win32/port_list_box.h"

namespace tarvolk::platform::win32 {

// frmConfig: a fixed tool window "Konfiguration" with the channel count's
// text box and the port's drop-down combo box. It is created hidden, shown
// modally as often as asked and hidden again when a close request is granted.
// It belongs to the window that was active when it was shown, so Windows
// destroys it with that window; it is then created anew when next needed.
class ConfigWindow final : public ConfigView, private OwnWindow {
 public:
  // Throws PlatformError when the window cannot be created.
  explicit ConfigWindow(ConfigViewEvents& events);
  ~ConfigWindow() override;

  // The setters (re)create the window when it does not exist; the getters
  // then find nothing: no text and no selection.
  std::u16string ChannelCountText() const override;
  void SetChannelCountText(const std::u16string& text) override;
  void SetPortEntries(const std::vector<std::u16string>& entries, int selected) override;
  bool PortListDropped() const override;
  std::u16string PortText() const override;
  void SetPortText(const std::u16string& text) override;
  void ListPorts() override;
  // Centred on the screen and modal for every window of the thread. Returns
  // when a close request was granted, or at once when the window is destroyed
  // by its owner or a WM_QUIT arrives: both end it without a close request.
  // Whatever the close request threw is thrown here, after the window closed.
  void ShowModal() override;

 private:
  void EnsureWindow();
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void RequestClose();
  HWND Child(ConfigControl control) const { return controls_.handles[control]; }
  // Empty once the window is gone.
  std::u16string ControlText(ConfigControl control) const;

  ConfigViewEvents& events_;
  ConfigControls controls_;
  PortListBox portList_;
  HWND focusBeforeDeactivation_ = nullptr;
  bool showing_ = false;
  bool closing_ = false;
  std::exception_ptr closeFailure_;
};

}  // namespace tarvolk::platform::win32
