#pragma once

#include <string>
#include <vector>

namespace tarvolk::fakes {

// One ordered record of what the fakes were asked to do, so that tests can
// state the exact order of steps across the serial port, timer and message box.
class EventLog {
 public:
  void Add(std::string event) { events_.push_back(std::move(event)); }
  const std::vector<std::string>& Events() const { return events_; }
  void Clear() { events_.clear(); }

 private:
  std::vector<std::string> events_;
};

}  // namespace tarvolk::fakes
