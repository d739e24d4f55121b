#include "engine/port_journal.h"

#include <string_view>
#include <utility>

#include "engine/numeric_text.h"
#include "platform/journal.h"
#include "platform/platform_error.h"
#include "platform/port_listing.h"

namespace tarvolk::engine {
namespace {

std::u16string Port(std::int16_t number) { return u"COM" + ToDecimalText(number); }

// Seconds with one decimal and a decimal comma: "3,2 s".
std::u16string Seconds(std::chrono::nanoseconds duration) {
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() / 100;
  return ToDecimalText(tenths / 10) + u"," + ToDecimalText(tenths % 10) + u" s";
}

void Count(std::u16string& line, std::uint64_t count, std::u16string_view what) {
  if (count == 0) return;
  line += line.empty() ? u"" : u", ";
  line += ToDecimalText(static_cast<std::int64_t>(count)) + u" " + std::u16string(what);
}

}  // namespace

std::u16string PortJournal::WithSystemError(std::u16string line,
                                            const platform::PlatformError& error) {
  return WithSystemError(std::move(line), error.System());
}

std::u16string PortJournal::WithSystemError(std::u16string line,
                                            const std::optional<platform::SystemError>& system) {
  if (!system) return line;
  return line + u" (Windows-Fehler " + ToDecimalText(static_cast<std::int64_t>(system->number)) +
         u": " + system->text + u")";
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

// The plug-in cannot tell a PC that slept unseen from a host that stalled.
void PortJournal::RenewedAfterPause(std::int16_t number, std::int16_t oldNumber, Duration pause) {
  journal_.Write(Where(number, oldNumber) + u" nach einer Pause von " +
                 ToDecimalText(std::chrono::duration_cast<std::chrono::seconds>(pause).count()) +
                 u" s neu geöffnet (der PC schlief oder das Lichtprogramm stand still), die "
                 u"Ausgabe läuft wieder");
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
                                    const std::optional<platform::NeighboursTrouble>& trouble) {
  if (!trouble) return neighboursUnknown_.reset();
  if (neighboursUnknown_ == trouble && neighboursOf_ == number) return;
  neighboursUnknown_ = trouble;
  neighboursOf_ = number;
  using Kind = platform::NeighboursTrouble::Kind;
  std::u16string line;
  switch (trouble->kind) {
    case Kind::kRefused:
      line = u"Windows nennt die Geräte neben " + Port(number) + u" nicht";
      break;
    case Kind::kPartly:
      line = u"Windows nennt die Geräte neben " + Port(number) + u" nur zum Teil";
      break;
    case Kind::kUnanswered:
      line = u"Windows nennt die Geräte neben " + Port(number) + u" nicht (keine Antwort nach " +
             ToDecimalText(platform::kListingAnswerBound.count()) + u" s)";
      break;
    case Kind::kNoThread:
      line =
          u"Windows startet keinen Thread, um die Geräte neben " + Port(number) + u" aufzulisten";
      break;
  }
  journal_.Write(WithSystemError(std::move(line), trouble->system) +
                 u"; ein Gerät desselben Chips, das jetzt eingesteckt wird, kann das Plug-in nach "
                 u"einem Verlust nicht von Ihrem Adapter unterscheiden");
}

void PortJournal::SleepsUntold(const platform::PlatformError& refusal) {
  if (std::exchange(sleepsUntoldSaid_, true)) return;
  journal_.Write(
      WithSystemError(u"Windows meldet dem Plug-in Schlaf und Aufwachen des PCs nicht", refusal) +
      u"; es erkennt einen Schlaf dann an den Uhren des PCs");
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
