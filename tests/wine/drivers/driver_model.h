#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_device_tree.h"
#include "fakes/wire.h"
#include "platform/win32/serial/comm_driver.h"

namespace tarvolk::drivers {

using Duration = std::chrono::nanoseconds;

// A serial port and its driver in the fake clock's time, answering a COM
// port's calls the way a plain, well-behaved driver does: one handle at a
// time, bytes onto the wire at the line's speed, cancels and purges honoured.
// Each model of a real driver (driver_models.h) changes what that driver does
// differently. Work run aside waits in a queue until its open would have
// ended (RunAsideWork, or a Sleep of the caller's that reaches that time), so
// that a background open takes place in the model's time.
class DriverModel : public platform::win32::serial::CommDriver {
 public:
  static constexpr Duration kNever = Duration::max();

  explicit DriverModel(fakes::FakeClock& clock) : clock_(clock) {}

  HANDLE Open(const std::wstring& name) override;
  bool SetupComm(HANDLE port, DWORD inputSize, DWORD outputSize) override;
  bool GetCommState(HANDLE port, DCB& state) override;
  bool SetCommState(HANDLE port, const DCB& state) override;
  bool SetCommTimeouts(HANDLE port, const COMMTIMEOUTS& timeouts) override;
  HANDLE NewEvent() override;
  void CloseEvent(HANDLE event) override;
  bool Write(HANDLE port, const std::uint8_t* bytes, DWORD count, OVERLAPPED& overlapped) override;
  bool WriteResult(HANDLE port, OVERLAPPED& overlapped, DWORD& transferred) override;
  bool CancelIo(HANDLE port) override;
  bool PurgeComm(HANDLE port, DWORD flags) override;
  bool ClearCommError(HANDLE port) override;
  void Close(HANDLE port) override;
  Duration Now() override { return clock_.Now(); }
  Duration TimeAsleep() override { return timeAsleep; }
  void Sleep(DWORD milliseconds) override;
  bool RunAside(std::function<void()> work) override;
  platform::DeviceTree& Devices() override;

  // Runs the work run aside whose opens would have ended by now.
  void RunAsideWork();

  // Every byte that went onto the wire, and the line's byte time.
  const std::vector<fakes::WireByte>& Wire() const { return wire_; }
  Duration ByteTime() const;
  // The line state the port runs with now.
  const DCB& LineState() const { return lineState_; }
  bool IsHeld() const { return holder_ != INVALID_HANDLE_VALUE; }
  // Writes handed over that the driver has not finished yet.
  std::size_t WritesHeld() const;
  // Where on the wire bytes that were handed over never arrived (a write
  // that failed, finished partly or never, a purge): the wire is torn there
  // through the driver, not the port.
  const std::vector<std::size_t>& Tears() const { return tears_; }
  // When the work run aside now will have run.
  Duration AsideDoneBy() const;
  // The writes' events made and not closed yet.
  std::size_t EventsOpen() const { return events_.size(); }
  // Listings that read Device Manager's names.
  int NamedListings() const { return tree_.namedListings; }

  // The adapter pulled out: the port answers nothing and does not open.
  bool deviceGone = false;
  // The PC's time asleep as its clocks tell it (CommDriver::TimeAsleep).
  Duration timeAsleep{0};
  // The COM number the device is on, its node and those above it as
  // Windows lists them (none: not listed at all), Device Manager's name for
  // it, and more devices beside it.
  std::int16_t at = 1;
  // Where Windows lists the device when not at `at`: it re-enumerated under
  // another number while the driver still takes writes on the old handle.
  std::optional<std::int16_t> listedAt;
  std::vector<std::u16string> nodes;
  std::u16string friendlyName;
  std::vector<fakes::DeviceChain> otherDevices;
  int deviceListings = 0;
  bool listingsRefused = false;
  bool listingsPartly = false;  // Windows refuses the device class of this port
  // Opens take this long (on the caller's thread, or aside) and then fail.
  Duration openTime{0};
  bool opensFail = false;
  // SetCommState refuses this many times more with error 31.
  int refusedStates = 0;
  bool refusesBufferSizes = false;

  // What the port was asked, for the tests.
  std::vector<std::wstring> askedToOpen;
  // Opens of the port while a handle to it was open: Windows refuses them
  // as "in use".
  int secondHandles = 0;
  // The time the driver itself took on the caller's thread (slow opens, hangs).
  Duration took{0};
  int opens = 0;
  int closes = 0;
  int eventsMade = 0;
  DWORD outputBufferAsked = 0;
  int setStateCalls = 0;
  std::vector<Duration> setStateTimes;
  int cancels = 0;
  int purges = 0;
  Duration slept{0};  // time the caller spent in Sleep
  int sleeps = 0;

 protected:
  struct WriteJob {
    Duration finishAt;
    DWORD count;  // the bytes it delivers; fewer than handed over: finished partly
    DWORD error;  // ERROR_SUCCESS, or how it ends
  };

  // When a write whose last byte leaves the line at lineEnd finishes, and how;
  // kNever for a write the driver holds for ever. The default: at once.
  virtual WriteJob Finish(Duration now, Duration lineEnd, DWORD count);
  // Whether SetCommState refuses this state, and with which error.
  virtual DWORD Refusal(const DCB& state);
  // How much line time the hardware still sends after the close; kNever for
  // all that was written (a pseudo-terminal keeps everything).
  virtual Duration SentAfterClose() const { return kNever; }
  // Whether it honours cancels and purges.
  virtual bool HonoursCancels() const { return true; }
  // How long after a write its first byte may start (a USB frame, say).
  virtual Duration Latency() const { return Duration{0}; }
  // How long a Sleep asked for `asked` lasts.
  virtual Duration SleepTime(Duration asked) { return asked; }
  // Whether the line runs otherwise than set, so that the device reads noise.
  virtual bool LineGarbled() const { return false; }

  // Writes not finished yet end now, aborted.
  void AbortUnfinishedWrites();
  // Writes not finished yet end at `when`, with `error` and nothing sent.
  void EndUnfinishedWritesAt(Duration when, DWORD error);
  // Bytes not yet on the wire by `time` are dropped.
  void DropFrom(Duration time);
  // The driver takes `time` on the caller's thread.
  void Take(Duration time);
  bool Valid(HANDLE port);
  // When the bytes written so far will all have left the line.
  Duration LineBusyUntil() const { return lineBusyUntil_; }
  fakes::FakeClock& clock_;
  DCB lineState_ = DefaultState();

 private:
  // A write as the driver holds it: the OVERLAPPED and event it completes.
  struct Job {
    WriteJob outcome;
    HANDLE event;
    bool completed;
  };

  static DCB DefaultState();
  // Completes the writes whose time has come as Windows does, in the
  // caller's OVERLAPPED and event; a real driver writing into memory the port
  // has freed brings the host down, and so does this model.
  void CompleteDue();

  std::mutex mutex_;  // a background open may come from another thread
  HANDLE holder_ = INVALID_HANDLE_VALUE;
  std::uintptr_t nextHandle_ = 0x100;
  bool aside_ = false;
  std::vector<fakes::WireByte> wire_;
  Duration lineBusyUntil_{0};
  std::map<OVERLAPPED*, Job> jobs_;
  std::set<HANDLE> events_;
  std::vector<std::size_t> tears_;
  std::vector<std::pair<Duration, std::function<void()>>> asideWork_;
  fakes::FakeDeviceTree tree_;
};

}  // namespace tarvolk::drivers
