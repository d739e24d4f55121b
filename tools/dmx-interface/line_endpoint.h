#pragma once

#include <string>

#include "unique_fd.h"

namespace tarvolk::dmx_interface {

// The device end of the serial line, read non-blocking. For a
// pseudo-terminal it also holds the far end open, so the line does not hang
// up while no writer has it open and a writer may close and reopen it.
// Removes its published symlink when destroyed. Throws std::system_error.
class LineEndpoint {
 public:
  static LineEndpoint CreatePseudoTerminal();
  static LineEndpoint OpenDevice(const std::string& path);

  LineEndpoint(LineEndpoint&& other) noexcept;
  LineEndpoint& operator=(LineEndpoint&&) = delete;
  LineEndpoint(const LineEndpoint&) = delete;
  LineEndpoint& operator=(const LineEndpoint&) = delete;
  ~LineEndpoint();

  // Publishes the path a writer opens as a symlink; a stale symlink there is replaced.
  void Publish(const std::string& linkPath);

  int ReadFd() const { return reader_.Get(); }
  // Where a writer opens the line (the far end of a pseudo-terminal, or the device).
  const std::string& WriterPath() const { return writerPath_; }
  const std::string& LinkPath() const { return linkPath_; }

 private:
  LineEndpoint(UniqueFd reader, UniqueFd farEnd, std::string writerPath);

  UniqueFd reader_;
  UniqueFd farEnd_;
  std::string writerPath_;
  std::string linkPath_;
};

}  // namespace tarvolk::dmx_interface
