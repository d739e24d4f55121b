#include "line_endpoint.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace tarvolk::dmx_interface {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Raw bytes at 19200 baud, 8 data bits, no parity, 2 stop bits.
void SetLine(int fd, const std::string& name) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) Fail("tcgetattr " + name);
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
  settings.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (::cfsetispeed(&settings, B19200) != 0 || ::cfsetospeed(&settings, B19200) != 0) {
    Fail("cfsetspeed " + name);
  }
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) Fail("tcsetattr " + name);
}

void SetNonBlocking(int fd, const std::string& name) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl " + name);
}

}  // namespace

LineEndpoint LineEndpoint::CreatePseudoTerminal() {
  int master = -1;
  int slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) Fail("openpty");
  UniqueFd reader(master);
  UniqueFd farEnd(slave);
  char* name = ::ptsname(master);
  if (name == nullptr) Fail("ptsname");
  SetLine(slave, name);
  SetLine(master, "pseudo-terminal master");
  SetNonBlocking(master, "pseudo-terminal master");
  return LineEndpoint(std::move(reader), std::move(farEnd), name);
}

LineEndpoint LineEndpoint::OpenDevice(const std::string& path) {
  UniqueFd device(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (device.Get() < 0) Fail("open " + path);
  SetLine(device.Get(), path);
  return LineEndpoint(std::move(device), UniqueFd(), path);
}

LineEndpoint::LineEndpoint(UniqueFd reader, UniqueFd farEnd, std::string writerPath)
    : reader_(std::move(reader)), farEnd_(std::move(farEnd)), writerPath_(std::move(writerPath)) {}

LineEndpoint::LineEndpoint(LineEndpoint&& other) noexcept
    : reader_(std::move(other.reader_)),
      farEnd_(std::move(other.farEnd_)),
      writerPath_(std::move(other.writerPath_)),
      linkPath_(std::exchange(other.linkPath_, {})) {}

LineEndpoint::~LineEndpoint() {
  if (!linkPath_.empty()) ::unlink(linkPath_.c_str());
}

void LineEndpoint::Publish(const std::string& linkPath) {
  struct stat existing {};
  if (::lstat(linkPath.c_str(), &existing) == 0) {
    if (!S_ISLNK(existing.st_mode)) {
      errno = EEXIST;
      Fail("refusing to replace " + linkPath);
    }
    if (::unlink(linkPath.c_str()) != 0) Fail("unlink " + linkPath);
  }
  if (::symlink(writerPath_.c_str(), linkPath.c_str()) != 0) Fail("symlink " + linkPath);
  linkPath_ = linkPath;
}

}  // namespace tarvolk::dmx_interface
