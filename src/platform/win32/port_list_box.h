#pragma once

#include <string>
#include <vector>

#include "platform/config_view.h"
#include "platform/win32/serial/port_lister.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// Combo1's list as Windows shows it: entries replaced without touching what
// the user has chosen or is typing, a drop-down list wide enough for its
// longest entry, and the ports present, listed beside the window's thread and
// listed again when Windows reports a device arriving or leaving. The answers
// are collected on a window timer of the dialog while one is due.
class PortListBox {
 public:
  explicit PortListBox(ConfigViewEvents& events);

  // The dialog window whose messages reach OnMessage, its combo box and the
  // height of the combo box's field; again whenever the window is created anew.
  void Attach(HWND dialog, HWND combo, int fieldHeight);
  void SetEntries(const std::vector<std::u16string>& entries, int selected);
  void ListPorts();
  // Takes the dialog's timer and device-change messages while it shows;
  // returns true for a message that was the list's alone.
  bool OnMessage(UINT message, WPARAM wParam);
  // The dialog closed: nothing is collected or refreshed until it shows again.
  void Stop();

 private:
  void CollectAnswer();
  void FitDroppedList();

  ConfigViewEvents& events_;
  serial::PortLister lister_;
  HWND dialog_ = nullptr;
  HWND combo_ = nullptr;
  int fieldHeight_ = 0;
  bool refreshDue_ = false;
  bool listingDue_ = false;
  std::vector<std::u16string> entries_;
};

}  // namespace tarvolk::platform::win32
