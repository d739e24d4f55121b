#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform_error.h"
#include "platform/serial_adapter.h"
#include "platform/serial_port.h"

namespace tarvolk::platform {
class Journal;
}  // namespace tarvolk::platform

namespace tarvolk::engine {

// What the serial link writes to the platform's journal, in German: the port
// opened, refused, lost, back and closed, and once a minute at most what went
// wrong meanwhile. Never a line per frame, nor one per try to reopen a lost
// port that fails as the one before.
class PortJournal {
 public:
  using Duration = std::chrono::nanoseconds;
  static constexpr Duration kSummaryEvery = std::chrono::minutes(1);

  // What went wrong while output ran, counted since the link was made.
  struct Trouble {
    std::uint64_t framesWithoutPort = 0;
    std::uint64_t writeFailures = 0;
    std::uint64_t reopenAttempts = 0;
  };

  explicit PortJournal(platform::Journal& journal) : journal_(journal) {}

  void Opened(std::int16_t number, const std::optional<platform::AdapterSighting>& adapter);
  void Refused(std::int16_t number, const platform::PlatformError& error);
  // A try to reopen the lost port failed: written only when it failed
  // otherwise than the try before.
  void TryFailed(std::int16_t number, const platform::PlatformError& error);
  // why: what the link saw, in German.
  void Lost(std::int16_t number, std::u16string_view why);
  void Back(std::int16_t number, std::int16_t lostNumber, Duration after);
  // The port is being opened anew after a wake or a pause: the next try that
  // fails is written, whatever the tries before said.
  void Renewing() { lastFailedTry_.clear(); }
  // Opened again after the PC woke, so that the line is set up anew.
  void RenewedAfterWake(std::int16_t number, std::int16_t oldNumber);
  // Opened again after no tick came for `pause`.
  void RenewedAfterPause(std::int16_t number, std::int16_t oldNumber, Duration pause);
  // The lost port stays closed while the driver of port heldOn (itself or
  // another) holds every write it may keep: written once, until something
  // else happens to the port.
  void DriverHoldsWrites(std::int16_t number, std::int16_t heldOn, Duration askedEvery);
  void Closed(std::int16_t number);
  // At every tick while the port is open: why the devices beside its adapter
  // are not known, written once until that changes.
  void NeighboursUnknown(std::int16_t number,
                         const std::optional<platform::NeighboursTrouble>& trouble);
  // The operating system does not tell of the PC's sleeps: written once.
  void SleepsUntold(const platform::PlatformError& refusal);
  // At every tick while output runs: a line when a minute has passed and
  // anything went wrong in it.
  void Summarise(Duration now, const Trouble& total);

  // The line, followed by the operating system's error when it gave one:
  // "... (Windows-Fehler 2: Das System kann die angegebene Datei nicht finden.)"
  static std::u16string WithSystemError(std::u16string line, const platform::PlatformError& error);
  static std::u16string WithSystemError(std::u16string line,
                                        const std::optional<platform::SystemError>& system);

 private:
  static std::u16string RefusalLine(std::int16_t number, const platform::PlatformError& error);
  static std::u16string Where(std::int16_t number, std::int16_t oldNumber);
  // Writes the line unless it is the one written last by a try.
  void WriteForTry(std::u16string line);

  platform::Journal& journal_;
  std::u16string lastFailedTry_;
  // The trouble last said of the port's neighbours, and the port it was said of.
  std::optional<platform::NeighboursTrouble> neighboursUnknown_;
  std::int16_t neighboursOf_ = 0;
  bool sleepsUntoldSaid_ = false;
  std::optional<Duration> summaryDue_;
  Trouble summarised_;
};

}  // namespace tarvolk::engine
