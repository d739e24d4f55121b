#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvolk::dmx_test {

// One value of the support report: its text, or why it could not be read.
struct Fact {
  std::wstring text;         // the value, when it was read
  std::wstring why;          // in German, why it could not be; empty when it was
  unsigned long error = 0;   // Windows' error number behind `why`, 0 for none
  std::wstring windowsSays;  // Windows' own text for that error

  bool Read() const { return why.empty(); }
};

inline Fact Known(std::wstring text) { return {std::move(text), {}, 0, {}}; }
inline Fact Unknown(std::wstring why, unsigned long error = 0, std::wstring windowsSays = {}) {
  return {{}, std::move(why), error, std::move(windowsSays)};
}

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct SystemFacts {
  Fact version;       // "10.0, Build 19045"
  Fact architecture;  // "x64 (64 Bit)"
  Fact wakeNotices;   // whether user32 offers RegisterSuspendResumeNotification
};

struct ProgramFacts {
  int bits = 32;
  Fact file;
  Fact version;
};

// The plug-in's class as one registry view (32 or 64 bit) registers it. What
// follows an unread class ID or server is not looked at, nor the file's
// version and architecture when it is missing.
struct Registration {
  int bits = 32;
  Fact classId;
  Fact server;
  Fact threadingModel;
  Fact file;  // whether the server's file is there
  Fact version;
  Fact machine;
};

// The port the plug-in stored for one program title.
struct StoredPort {
  std::wstring title;
  // The COM value's text; why when it holds none; nothing when there is none.
  std::optional<Fact> value;
  Fact storedAt;  // when the key was last written, "2026-12-09 15:20"
};

struct StoredPortList {
  Fact listed;                    // why the titles could not be listed, if so
  std::vector<StoredPort> ports;  // newest first
};

// A COM port present, as Device Manager knows it.
struct PortDevice {
  Fact name;  // Device Manager's name, "USB Serial Port (COM7)"
  Fact portName;
  Fact hardwareId;
  Fact instanceId;
  Fact provider;
  Fact driverVersion;
  Fact driverDate;
};

struct PortList {
  Fact listed;  // why Windows did not list them, if so
  std::vector<PortDevice> ports;
};

struct JournalFacts {
  static constexpr std::size_t kLines = 200;
  Fact file;
  Fact lines;        // its last kLines lines, CR LF between them
  bool utf8 = true;  // false: bytes that are no UTF-8 stand as U+FFFD in `lines`
  Fact olderLines;   // whether the rotated Protokoll.1.txt holds older ones
};

// Everything the support report says.
struct ReportFacts {
  LocalTime made;
  SystemFacts system;
  ProgramFacts program;
  std::vector<Registration> registrations;
  StoredPortList storedPorts;
  PortList ports;
  JournalFacts journal;
};

}  // namespace tarvolk::dmx_test
