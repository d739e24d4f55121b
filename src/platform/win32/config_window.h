#pragma once

#include <array>
#include <exception>
#include <optional>

#include "platform/config_view.h"
#include "platform/win32/own_window.h"
#include "platform/win32/twips.h"

namespace tarvolk::platform::win32 {

// frmConfig: a fixed tool window "Konfiguration" with the channel count's
// text box and the port's drop-down combo box. It is created hidden, shown
// modally as often as asked and hidden again when a close request is granted.
class ConfigWindow final : public ConfigView, private OwnWindow {
 public:
  // Throws PlatformError when the window cannot be created.
  explicit ConfigWindow(ConfigViewEvents& events);

  std::u16string ChannelCountText() const override;
  void SetChannelCountText(const std::u16string& text) override;
  int SelectedPortIndex() const override;
  void SetSelectedPortIndex(int index) override;
  // Whatever the close request threw is thrown here, after the window closed.
  void ShowModal() override;

 private:
  enum Control { kLabel1, kTxtChannelCount, kLabel2, kLabel3, kCombo1, kControlCount };

  void CreateControls(const ScreenDpi& dpi);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void RequestClose();
  // Returns the exit code of a WM_QUIT that ended the loop.
  std::optional<WPARAM> RunModalLoop();
  HWND Child(Control control) const { return controls_[control]; }

  ConfigViewEvents& events_;
  std::array<HWND, kControlCount> controls_{};
  HWND focusBeforeDeactivation_ = nullptr;
  bool showing_ = false;
  bool closing_ = false;
  std::exception_ptr closeFailure_;
};

}  // namespace tarvolk::platform::win32
