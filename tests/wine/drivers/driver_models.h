#pragma once

#include <atomic>
#include <random>

#include "driver_model.h"

// Models of the serial drivers lighting operators own, each named after what
// it imitates. Each differs from the plain DriverModel only where that driver
// does.
namespace tarvolk::drivers {

// Writes finish at once and every byte leaves at the line's speed, even after
// the close: a pseudo-terminal under Wine, and what the port long assumed.
class InstantWrites final : public DriverModel {
 public:
  using DriverModel::DriverModel;
};

// A UART whose driver finishes a write only when its last byte has left the
// wire (a 16550 with its FIFO switched off, or a driver that reports late).
class WireTimeUart final : public DriverModel {
 public:
  using DriverModel::DriverModel;

 protected:
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override;
  Duration SentAfterClose() const override { return Duration{0}; }
};

// A 16550 UART with its 16-byte FIFO: a write finishes once its last byte is
// in the FIFO, and the FIFO still empties after the close.
class Fifo16550 final : public DriverModel {
 public:
  static constexpr DWORD kFifoBytes = 16;
  using DriverModel::DriverModel;

 protected:
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override;
  Duration SentAfterClose() const override { return ByteTime() * kFifoBytes; }
};

// A USB adapter: its 4 KB buffer takes a write at once and sends it at the
// line's speed from the next USB frame (1 ms) on, and drops what it still
// holds at the close. Beside it,
// Windows' clock: a Sleep ends on one of its 15.625 ms ticks, up to 1 ms
// before the time asked.
class UsbAdapter final : public DriverModel {
 public:
  static constexpr DWORD kBufferBytes = 4096;
  static constexpr Duration kClockTick = std::chrono::microseconds(15625);
  static constexpr Duration kUsbFrame = std::chrono::milliseconds(1);
  explicit UsbAdapter(fakes::FakeClock& clock, unsigned seed = 1)
      : DriverModel(clock), random_(seed) {}

 protected:
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override;
  Duration SentAfterClose() const override { return Duration{0}; }
  Duration Latency() const override { return kUsbFrame; }
  Duration SleepTime(Duration asked) override;

 private:
  std::mt19937 random_;
};

// A CH340 whose driver, once the port was closed, refuses SetCommState with
// error 31 on every later handle until the adapter is replugged; the adapter
// keeps the line state it had.
class Ch340Reopen final : public DriverModel {
 public:
  using DriverModel::DriverModel;
  void Replug() { refusing_ = false; }

 protected:
  DWORD Refusal(const DCB& state) override;

 private:
  bool refusing_ = false;
  int closesSeen_ = 0;
};

// A port a terminal program used last: GetCommState returns what it left
// (Xon equal to Xoff, limits beyond the input buffer, CTS and Xon/Xoff flow
// control, error and end-of-file characters). The driver refuses equal Xon
// and Xoff characters and hangs for seconds on limits beyond its buffer.
class InheritedLineState final : public DriverModel {
 public:
  static constexpr Duration kHang = std::chrono::seconds(3);
  explicit InheritedLineState(fakes::FakeClock& clock);

 protected:
  DWORD Refusal(const DCB& state) override;
};

// A driver that never finishes a write after a device fault, and ignores
// cancels and purges, until the device recovers: then it finishes what it
// held, aborted, and every later write at once. Another port beside it
// (workingAt) works all along.
class BlackHole final : public DriverModel {
 public:
  using DriverModel::DriverModel;
  void Recover();
  std::int16_t workingAt = 0;

 protected:
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override;
  bool HonoursCancels() const override { return recovered_; }
  Duration SentAfterClose() const override { return Duration{0}; }

 private:
  bool recovered_ = false;
};

// A driver that takes a write into an idle line at once, and reports every
// later one finished only long after its last byte left (a system under
// load), yet within the second the port allows.
class LateReports final : public DriverModel {
 public:
  static constexpr Duration kLate = std::chrono::milliseconds(970);
  using DriverModel::DriverModel;

 protected:
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override {
    const bool idle = lineEnd - ByteTime() * count <= now;
    return {idle ? now : lineEnd + kLate, count, ERROR_SUCCESS};
  }
};

// Takes each write and fails it a moment later, while the port still answers.
class AcceptThenFail final : public DriverModel {
 public:
  static constexpr Duration kFailsAfter = std::chrono::milliseconds(1);
  using DriverModel::DriverModel;

 protected:
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override;
};

// A CH340 whose driver keeps its handle while the PC sleeps and wakes, and
// whose chip wakes with its line settings lost: writes still succeed, but the
// device reads noise until the port is opened anew or its line set again. A
// write finishes once its last bytes fit the chip's buffer; one still held at
// the sleep fails a moment after the wake.
class Ch340KeepsHandleAtWake final : public DriverModel {
 public:
  static constexpr DWORD kChipBufferBytes = 8;
  static constexpr Duration kFailsAfterWake = std::chrono::milliseconds(300);
  using DriverModel::DriverModel;
  HANDLE Open(const std::wstring& name) override;
  bool SetCommState(HANDLE port, const DCB& state) override;
  // Windows' notices, each on a thread of its own: the PC is about to sleep
  // (PBT_APMSUSPEND), has woken (PBT_APMRESUMEAUTOMATIC), its user returns
  // (PBT_APMRESUMESUSPEND).
  void GoToSleep();
  void WakeUp();
  void UserReturns();
  // The PC sleeps for `span` (S3: every clock but the unbiased one moves
  // on), or a process Modern Standby froze stands still for it (no clock
  // tells): no thread runs meanwhile.
  void Sleeps(Duration span);
  void FrozenFor(Duration span);

 protected:
  WriteJob Finish(Duration now, Duration lineEnd, DWORD count) override;
  bool LineGarbled() const override { return lineLost_; }

 private:
  void PowerGoes(Duration span);

  std::atomic<bool> lineLost_{false};
};

// A Bluetooth port, or a sleeping CDC device: every open takes three seconds
// and then fails.
class SlowOpen final : public DriverModel {
 public:
  static constexpr Duration kOpenTime = std::chrono::seconds(3);
  explicit SlowOpen(fakes::FakeClock& clock) : DriverModel(clock) {
    openTime = kOpenTime;
    opensFail = true;
  }
};

}  // namespace tarvolk::drivers
