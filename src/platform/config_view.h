#pragma once

#include <string>

namespace tarvolk::platform {

// Receives the configuration window's close request (close box, Alt+F4).
class ConfigViewEvents {
 public:
  // Returns false to keep the window open.
  virtual bool OnCloseRequest() = 0;

 protected:
  ~ConfigViewEvents() = default;
};

// The configuration window as its logic sees it: the text of txtChannelCount
// and the selection and text of Combo1, whose list holds "COM1" to "COM5".
class ConfigView {
 public:
  virtual ~ConfigView() = default;

  virtual std::u16string ChannelCountText() const = 0;
  virtual void SetChannelCountText(const std::u16string& text) = 0;

  // Index into the port list, -1 when nothing is selected (also after the
  // user typed a text of their own into the combo box).
  virtual int SelectedPortIndex() const = 0;
  // Selects list entry index (0 to 4), which the combo box then shows.
  virtual void SetSelectedPortIndex(int index) = 0;
  // The combo box's text, picked from the list or typed.
  virtual std::u16string PortText() const = 0;
  // Shows text in the combo box with no list entry selected.
  virtual void SetPortText(const std::u16string& text) = 0;

  // Shows the window modally and returns once a close request was granted.
  virtual void ShowModal() = 0;
};

}  // namespace tarvolk::platform
