#pragma once

#include <string_view>

namespace tarvolk::platform {

// The plug-in's own record of what happened to its port, for whoever looks
// after a show: one line in German an event, to which the platform adds the
// local date and time. Writing never fails and takes no longer than
// appending to a file; a record that cannot be written is skipped.
class Journal {
 public:
  virtual ~Journal() = default;
  virtual void Write(std::u16string_view line) = 0;
};

}  // namespace tarvolk::platform
