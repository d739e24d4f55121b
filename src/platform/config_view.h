#pragma once

#include <string>
#include <vector>

#include "platform/port_listing.h"

namespace tarvolk::platform {

// Receives what happens in the configuration window, on its thread.
class ConfigViewEvents {
 public:
  // The close request (close box, Alt+F4); returns false to keep the window open.
  virtual bool OnCloseRequest() = 0;
  // The answer to ListPorts.
  virtual void OnPortsListed(const PortListing& listing) = 0;
  // Windows reported devices arriving or leaving while the window shows.
  virtual void OnDevicesChanged() = 0;
  // The port list, dropped down, closed up again; what the user picked in it
  // is in the combo box already.
  virtual void OnPortListClosed() = 0;

 protected:
  ~ConfigViewEvents() = default;
};

// The configuration window as its logic sees it: the text of txtChannelCount
// and the entries, selection and text of Combo1.
class ConfigView {
 public:
  virtual ~ConfigView() = default;

  virtual std::u16string ChannelCountText() const = 0;
  virtual void SetChannelCountText(const std::u16string& text) = 0;

  // Replaces the port list's entries and selects entry `selected`, which the
  // combo box then shows; with -1 nothing is selected and the combo box keeps
  // its text (what the user is typing).
  virtual void SetPortEntries(const std::vector<std::u16string>& entries, int selected) = 0;
  // Whether the port list is dropped down (the user is choosing in it).
  virtual bool PortListDropped() const = 0;
  // The combo box's text, picked from the list or typed.
  virtual std::u16string PortText() const = 0;
  // Shows text in the combo box with no list entry selected.
  virtual void SetPortText(const std::u16string& text) = 0;
  // Lists the ports present beside this thread and never waits for it;
  // OnPortsListed follows on this thread.
  virtual void ListPorts() = 0;

  // Shows the window modally and returns once a close request was granted.
  virtual void ShowModal() = 0;
};

}  // namespace tarvolk::platform
