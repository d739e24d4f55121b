#include "config/frm_config.h"

#include <algorithm>
#include <utility>

#include "config/port_name.h"
#include "engine/frm_main.h"
#include "engine/numeric_text.h"
#include "engine/open_sequence.h"
#include "engine/port_journal.h"
#include "platform/message_box.h"
#include "platform/platform.h"

namespace tarvolk::config {

frmConfig::frmConfig(engine::DriverState& state)
    : state_(state), view_(state.Platform().CreateConfigView(*this)) {}

frmConfig::~frmConfig() = default;

void frmConfig::Show() {
  if (showing_) return;
  showing_ = true;
  struct ShowingReset {
    bool& showing;
    ~ShowingReset() { showing = false; }
  } reset{showing_};
  Load();
  view_->ShowModal();
}

void frmConfig::Load() {
  view_->SetChannelCountText(engine::ToDecimalText(state_.ChannelCount));
  // A stored port beyond COM5 is listed too, present or not, rather than
  // locking the user out of the one place where the port can be repaired.
  loadedPort_ = state_.PortNumber;
  // What was present when the window last showed may have gone since.
  presentPorts_.reset();
  refreshWhenClosed_ = false;
  portEntries_.clear();
  ShowPortList(loadedPort_);
  if (loadedPort_ == 0) view_->SetPortText(u"");
  view_->ListPorts();
}

void frmConfig::RefreshPortList() { ShowPortList(ShownEntryPort().value_or(0)); }

void frmConfig::ShowPortList(std::uint8_t port) {
  std::vector<PortEntry> entries = PortList(presentPorts_, {loadedPort_, port});
  // Rebuilding the same list would only reset the user's choice in it.
  if (entries == portEntries_) return;
  portEntries_ = std::move(entries);
  std::vector<std::u16string> texts;
  int selected = -1;
  for (const PortEntry& entry : portEntries_) {
    if (entry.port == port) selected = static_cast<int>(texts.size());
    texts.push_back(entry.text);
  }
  view_->SetPortEntries(texts, selected);
}

void frmConfig::OnPortsListed(const platform::PortListing& listing) {
  RecordListingTrouble(listing);
  // Without an answer the list stays as it is; typing a port still works.
  if (listing.failure || listing.overdue) return;
  presentPorts_ = listing.ports;
  if (view_->PortListDropped()) {
    refreshWhenClosed_ = true;
    return;
  }
  RefreshPortList();
}

void frmConfig::OnDevicesChanged() { view_->ListPorts(); }

void frmConfig::OnPortListClosed() {
  if (std::exchange(refreshWhenClosed_, false)) RefreshPortList();
}

void frmConfig::RecordListingTrouble(const platform::PortListing& listing) {
  constexpr std::u16string_view kOnlyTheFirstFive =
      u"; die Konfiguration bietet COM1 bis COM5, jede andere Nummer lässt sich eintippen";
  std::u16string line;
  if (listing.overdue) {
    line = u"Windows nennt die vorhandenen Schnittstellen nicht (keine Antwort nach " +
           engine::ToDecimalText(platform::kListingAnswerBound.count()) + u" s)" +
           std::u16string(kOnlyTheFirstFive);
  } else if (listing.failure) {
    line = engine::PortJournal::WithSystemError(
               u"Windows nennt die vorhandenen Schnittstellen nicht", *listing.failure) +
           std::u16string(kOnlyTheFirstFive);
  } else if (listing.partly) {
    line = engine::PortJournal::WithSystemError(
               u"Windows nennt die vorhandenen Schnittstellen nur zum Teil", *listing.partly) +
           u"; eine Nummer, die in der Liste fehlt, lässt sich eintippen";
  }
  if (!line.empty() && line != listingTrouble_) state_.Platform().Record().Write(line);
  listingTrouble_ = std::move(line);
}

bool frmConfig::OnCloseRequest() {
  // Read before a message box, in whose loop the host may take the window away.
  const std::uint8_t port = ChosenPort();
  const bool accepted = AcceptChannelCount();
  // The port is applied even when the count was refused.
  ApplyPort(port);
  return accepted;
}

bool frmConfig::AcceptChannelCount() {
  auto& messages = state_.Platform().MessageBoxes();
  const auto value = engine::ParseNumber(view_->ChannelCountText());
  if (!value) {
    messages.Show(kNotANumberText, kComponentTitle, platform::MessageBox::kExclamation);
    return false;
  }
  const double rounded = engine::RoundHalfToEven(*value);
  if (!(rounded >= 0 && rounded <= engine::DriverState::kMaxChannelCount)) {
    messages.Show(kOutOfRangeText, kComponentTitle, platform::MessageBox::kExclamation);
    return false;
  }
  state_.ChannelCount = static_cast<std::int32_t>(rounded);
  state_.EngineWindow().timSend.SetSendInterval();
  return true;
}

// What the user sees decides, not the list's selection, which a list rebuilt
// under the mouse may have lost or moved.
std::optional<std::uint8_t> frmConfig::ShownEntryPort() const {
  const std::u16string text = view_->PortText();
  const auto shown = std::find_if(portEntries_.begin(), portEntries_.end(),
                                  [&text](const PortEntry& entry) { return entry.text == text; });
  if (shown == portEntries_.end()) return std::nullopt;
  return shown->port;
}

std::uint8_t frmConfig::ChosenPort() const {
  // Any port can be typed, listed or not.
  if (const auto shown = ShownEntryPort()) return *shown;
  return PortFromText(view_->PortText());
}

void frmConfig::ApplyPort(std::uint8_t port) {
  engine::RunPortSteps(state_, engine::kDialogPortFailureText, [&] {
    engine::OpenSerialLinkForDialog(state_, port);
    state_.EngineWindow().timSend.StartSending();
  });
}

}  // namespace tarvolk::config
