#include "engine/port_journal.h"

#include <string_view>
#include <utility>

#include "engine/numeric_text.h"
#include "platform/journal.h"
#include "platform/platform_error.h"

namespace tarvolk::engine {
namespace {

std::u16string Port(std::int16_t number) { return u"COM" + ToDecimalText(number); }

// Seconds with one decimal and a decimal comma: "3,2 s".
std::u16string Seconds(std::chrono::nanoseconds duration) {
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() / 100;
  return ToDecimalText(tenths / 10) + u"," + ToDecimalText(tenths % 10) + u" s";
}

bool SameError(const platform::PlatformError& a, const platform::PlatformError& b) {
  const auto number = [](const platform::PlatformError& error) {
    return error.System() ? std::optional(error.System()->number) : std::nullopt;
  };
  return std::string_view(a.what()) == b.what() && number(a) == number(b);
}

void Count(std::u16string& line, std::uint64_t count, std::u16string_view what) {
  if (count == 0) return;
  line += line.empty() ? u"" : u", ";
  line += ToDecimalText(static_cast<std::int64_t>(count)) + u" " + std::u16string(what);
}

}  // namespace

std::u16string PortJournal::WithSystemError(std::u16string line,
                                            const platform::PlatformError& error) {
  if (!error.System()) return line;
  return line + u" (Windows-Fehler " +
         ToDecimalText(static_cast<std::int64_t>(error.System()->number)) + u": " +
         error.System()->text + u")";
}

void PortJournal::Opened(std::int16_t number,
                         const std::optional<platform::AdapterSighting>& adapter) {
  journal_.Write(Port(number) + u" geöffnet" +
                 (adapter ? u" (" + platform::Describe(*adapter) + u")" : u""));
}

std::u16string PortJournal::RefusalLine(std::int16_t number, const platform::PlatformError& error) {
  return WithSystemError(Port(number) + u" lässt sich nicht öffnen", error);
}

void PortJournal::Refused(std::int16_t number, const platform::PlatformError& error) {
  journal_.Write(RefusalLine(number, error));
}

void PortJournal::TryFailed(std::int16_t number, const platform::PlatformError& error) {
  WriteForTry(RefusalLine(number, error));
}

void PortJournal::WriteForTry(std::u16string line) {
  if (line == lastFailedTry_) return;
  journal_.Write(line);
  lastFailedTry_ = std::move(line);
}

void PortJournal::Lost(std::int16_t number, std::u16string_view why) {
  lastFailedTry_.clear();
  journal_.Write(Port(number) + u" verloren: " + std::u16string(why));
}

// "COM7", or "Adapter von COM7 an COM9" when it was found under another number.
std::u16string PortJournal::Where(std::int16_t number, std::int16_t oldNumber) {
  if (number == oldNumber) return Port(number);
  return u"Adapter von " + Port(oldNumber) + u" an " + Port(number);
}

void PortJournal::Back(std::int16_t number, std::int16_t lostNumber, Duration after) {
  journal_.Write(Where(number, lostNumber) + u" wieder geöffnet nach " + Seconds(after));
}

void PortJournal::RenewedAfterWake(std::int16_t number, std::int16_t oldNumber) {
  journal_.Write(Where(number, oldNumber) +
                 u" nach dem Aufwachen des PCs neu geöffnet, die Ausgabe läuft wieder");
}

void PortJournal::DriverHoldsWrites(std::int16_t number, std::int16_t heldOn, Duration askedEvery) {
  const std::u16string driver =
      heldOn == number ? u"Der Treiber" : u"Der Treiber von " + Port(heldOn);
  WriteForTry(Port(number) + u" bleibt zu: " + driver +
              u" gibt zu viele Schreibaufträge nicht zurück. Das Plug-in fragt alle " +
              ToDecimalText(std::chrono::duration_cast<std::chrono::seconds>(askedEvery).count()) +
              u" s wieder nach und öffnet die Schnittstelle, sobald der Treiber sie freigibt. "
              u"Das geschieht meist, wenn Sie den Adapter an " +
              Port(heldOn) + u" abziehen und wieder einstecken.");
}

void PortJournal::Closed(std::int16_t number) { journal_.Write(Port(number) + u" geschlossen"); }

// Called at every tick: the line is made only when the trouble changed.
void PortJournal::NeighboursUnknown(std::int16_t number,
                                    const std::optional<platform::PlatformError>& trouble) {
  if (!trouble) return neighboursUnknown_.reset();
  if (neighboursUnknown_ && neighboursOf_ == number && SameError(*neighboursUnknown_, *trouble)) {
    return;
  }
  neighboursUnknown_ = trouble;
  neighboursOf_ = number;
  journal_.Write(
      WithSystemError(u"Windows nennt die Geräte neben " + Port(number) + u" nicht", *trouble) +
      u"; ein Gerät desselben Chips, das jetzt eingesteckt wird, kann das Plug-in nach einem "
      u"Verlust nicht von Ihrem Adapter unterscheiden");
}

void PortJournal::Summarise(Duration now, const Trouble& total) {
  if (!summaryDue_) {
    summaryDue_ = now + kSummaryEvery;
    summarised_ = total;
    return;
  }
  if (now < *summaryDue_) return;
  std::u16string line;
  Count(line, total.framesWithoutPort - summarised_.framesWithoutPort,
        u"Bilder ohne Schnittstelle");
  Count(line, total.writeFailures - summarised_.writeFailures, u"Schreibfehler");
  Count(line, total.reopenAttempts - summarised_.reopenAttempts,
        u"Versuche, die Schnittstelle wieder zu öffnen");
  if (!line.empty()) journal_.Write(u"In der letzten Minute: " + line);
  summarised_ = total;
  summaryDue_ = now + kSummaryEvery;
}

}  // namespace tarvolk::engine
