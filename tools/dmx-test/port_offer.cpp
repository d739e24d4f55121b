#include "port_offer.h"

#include <algorithm>

#include "plugin_session.h"
#include "port_setting.h"
#include "report_text.h"
#include "resource_ids.h"
#include "stored_ports.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

bool IsOwnTitle(const std::wstring& title) {
  return CompareStringOrdinal(title.c_str(), -1, PluginSession::kTitle, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

void PortOffer::Attach(HWND window) {
  window_ = window;
  Refresh();
}

void PortOffer::Refresh() {
  const PortReading own = PortFromSetting(OwnStoredPort());
  SetDlgItemTextW(window_, IDC_PORT, own.text.c_str());
  SetDlgItemTextW(window_, IDC_PORT_NOTE, own.trouble.c_str());
  offers_.clear();
  const StoredPortList stored = ListStoredPorts();
  for (const StoredPort& port : stored.ports) {
    const PortReading reading = PortFromSetting(port.value);
    if (IsOwnTitle(port.title) || !reading.OwnPort()) continue;
    if (!own.OwnPort() || reading.port != own.port) offers_.push_back({port.title, reading.port});
  }
  const HWND list = GetDlgItem(window_, IDC_OFFER);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const Offer& offer : offers_) {
    SendMessageW(list, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(OfferText(offer.title, offer.port).c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, 0, 0);
  FitDroppedList();
  ShowOffers(!own.OwnPort() || !offers_.empty(),
             stored.listed.Read() ? L"keiner (kein Lichtprogramm hat eine gespeichert)"
                                  : FactText(stored.listed));
}

// Offers shown or none; all hidden once the program has a port of its own
// and no lighting program another.
void PortOffer::ShowOffers(bool shown, const std::wstring& none) {
  const bool any = !offers_.empty();
  SetDlgItemTextW(window_, IDC_NO_OFFER, none.c_str());
  ShowWindow(GetDlgItem(window_, IDC_OFFER_LABEL), shown ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(window_, IDC_OFFER), shown && any ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(window_, IDC_TAKE_OFFER), shown && any ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(window_, IDC_NO_OFFER), shown && !any ? SW_SHOW : SW_HIDE);
}

// A long title shows whole in the dropped list, as wide as its longest entry.
void PortOffer::FitDroppedList() {
  const HWND list = GetDlgItem(window_, IDC_OFFER);
  const HDC context = GetDC(list);
  const HGDIOBJ oldFont =
      SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const Offer& offer : offers_) {
    const std::wstring text = OfferText(offer.title, offer.port);
    SIZE size{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max(widest, size.cx);
  }
  SelectObject(context, oldFont);
  ReleaseDC(list, context);
  const int margins = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
  SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margins), 0);
}

std::wstring PortOffer::Take() {
  const auto chosen = SendDlgItemMessageW(window_, IDC_OFFER, CB_GETCURSEL, 0, 0);
  if (chosen < 0 || static_cast<std::size_t>(chosen) >= offers_.size()) {
    return L"Bitte wählen Sie zuerst das Lichtprogramm, dessen Schnittstelle Sie übernehmen.";
  }
  if (const DWORD error = StoreOwnPort(offers_[static_cast<std::size_t>(chosen)].port);
      error != ERROR_SUCCESS) {
    return FailureText(L"Die Schnittstelle ließ sich nicht speichern", error);
  }
  return {};
}

}  // namespace tarvolk::dmx_test
