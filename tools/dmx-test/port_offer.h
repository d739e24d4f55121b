#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarvolk::dmx_test {

// The test window's port: the one the plug-in opens for this program (the
// one stored for it, COM1 when none is) and what is wrong with what is
// stored; and the ports that lighting programs stored for the plug-in,
// newest first, while it has none of its own or they differ from its own
// (its Term stores one at every end), one of which "Übernehmen" makes its
// own. It writes only the test program's own setting.
class PortOffer {
 public:
  void Attach(HWND window);
  // Reads what is stored again and shows it.
  void Refresh();
  // Stores the port offered as the program's own. Returns what to tell the
  // operator when that failed, nothing when it is stored.
  std::wstring Take();

 private:
  struct Offer {
    std::wstring title;
    int port = 0;
  };
  void ShowOffers(bool shown, const std::wstring& none);
  void FitDroppedList();

  HWND window_ = nullptr;
  std::vector<Offer> offers_;
};

}  // namespace tarvolk::dmx_test
