// Runs the dmx-interface program on a real pseudo-terminal and writes to it
// as the plug-in does: faster than the line, closing and reopening the port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "frames.h"
#include "json_value.h"
#include "line_format.h"

extern char** environ;

namespace tarvolk::dmx_interface {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::Channels;
using testing::JsonValue;
using testing::MakeFrame;

// The program under test, stopped and reaped by its own pid if a check fails early.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    args.insert(args.begin(), DMX_INTERFACE_EXE);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int error = ::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ);
    if (error != 0) pid_ = -1;
  }
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  pid_t Pid() const { return pid_; }

  // Waits for the exit; the status, or -1 if it did not exit in time.
  int Wait(std::chrono::milliseconds limit) {
    for (auto waited = 0ms; waited < limit; waited += 10ms) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    std::string name = (std::filesystem::temp_directory_path() / "dmx-interface-XXXXXX").string();
    path = ::mkdtemp(name.data());
  }
  ~TempDir() { std::filesystem::remove_all(path); }
};

bool Exists(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool WaitForLink(const std::filesystem::path& link) {
  for (auto waited = 0ms; waited < 10s; waited += 10ms) {
    if (Exists(link)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// Opens the line as a writer would and writes everything, waiting whenever
// the line pushes back.
void WriteAll(const std::filesystem::path& link, const Bytes& bytes) {
  const int fd = ::open(link.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0) << "open " << link << ": " << std::strerror(errno);
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      ASSERT_EQ(errno, EAGAIN) << std::strerror(errno);
      pollfd out{fd, POLLOUT, 0};
      ::poll(&out, 1, 100);
    }
  }
  ::close(fd);
}

Bytes Frames(unsigned first, unsigned count, std::size_t channels) {
  Bytes stream;
  for (unsigned i = first; i < first + count; ++i) {
    const Bytes frame = MakeFrame(Channels(channels, i));
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

JsonValue ReadJson(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return testing::ParseJson(text.str());
}

// User and system time of a running process, from /proc.
double CpuSeconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::vector<std::string> values{std::istream_iterator<std::string>(fields), {}};
  // After the name come state (field 3) ... utime (14) and stime (15).
  const double ticks = std::stod(values.at(11)) + std::stod(values.at(12));
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

constexpr double kTolerance = 0.03;  // a shared machine's scheduling noise

TEST(EndToEnd, ReadsAtTheLineRateAndKeepsEveryFrameWhole) {
  constexpr std::size_t kChannels = 10;
  constexpr unsigned kFirstOpen = 250;
  constexpr unsigned kSecondOpen = 150;  // 5200 bytes in all: 3 s of line time
  TempDir dir;
  const auto link = dir.path / "line";
  const auto json = dir.path / "out.json";
  Program program({"--link", link, "--duration", "4", "--json", json, "--frames", "--quiet"});
  ASSERT_GT(program.Pid(), 0);
  ASSERT_TRUE(WaitForLink(link));

  // Both writes land at once in the pseudo-terminal's buffer: only the
  // interface's own pacing holds them to the line's speed.
  WriteAll(link, Frames(0, kFirstOpen, kChannels));
  WriteAll(link, Frames(kFirstOpen, kSecondOpen, kChannels));

  ASSERT_EQ(program.Wait(10s), 0);
  EXPECT_FALSE(Exists(link)) << "the symlink must be removed at exit";

  const JsonValue result = ReadJson(json);
  constexpr unsigned kFrames = kFirstOpen + kSecondOpen;
  EXPECT_EQ(result["frames"].Number(), kFrames);
  EXPECT_EQ(result["bad_frames"]["total"].Number(), 0);
  EXPECT_EQ(result["stray_bytes"].Number(), 0);
  EXPECT_EQ(result["bytes"].Number(), kFrames * (kChannels + 3));

  const double frameRate = kLineBytesPerSecond / (kChannels + 3);
  EXPECT_NEAR(result["frames_per_s"].Number(), frameRate, frameRate * kTolerance);
  EXPECT_NEAR(result["line_bytes_per_s"].Number(), kLineBytesPerSecond,
              kLineBytesPerSecond * kTolerance);
  EXPECT_NEAR(result["line_share"].Number(), 1.0, kTolerance);

  const JsonValue::Array& records = result["frame_records"].Items();
  ASSERT_EQ(records.size(), kFrames);
  for (unsigned i = 0; i < kFrames; ++i) {
    Bytes channels;
    for (const JsonValue& value : records[i]["channels"].Items()) {
      channels.push_back(static_cast<std::uint8_t>(value.Number()));
    }
    ASSERT_EQ(channels, Channels(kChannels, i)) << "frame " << i;
    if (i > 0) {
      ASSERT_GE(records[i]["t_us"].Number(), records[i - 1]["t_us"].Number());
    }
  }
  const double spanS = (records.back()["t_us"].Number() - records.front()["t_us"].Number()) / 1e6;
  EXPECT_NEAR(spanS, (kFrames - 1) / frameRate, (kFrames - 1) / frameRate * kTolerance);
}

TEST(EndToEnd, StopsCleanlyOnSigtermAndIdlesWithoutAWriter) {
  TempDir dir;
  const auto link = dir.path / "line";
  const auto json = dir.path / "out.json";
  Program program({"--link", link, "--json", json, "--quiet"});
  ASSERT_GT(program.Pid(), 0);
  ASSERT_TRUE(WaitForLink(link));
  WriteAll(link, Frames(0, 5, 0));
  std::this_thread::sleep_for(1500ms);

  // An idle line should cost next to no processor time.
  EXPECT_LT(CpuSeconds(program.Pid()), 0.2);

  ASSERT_EQ(::kill(program.Pid(), SIGTERM), 0);
  ASSERT_EQ(program.Wait(5s), 0);
  EXPECT_FALSE(Exists(link));
  EXPECT_EQ(ReadJson(json)["frames"].Number(), 5);
}

TEST(EndToEnd, ReadsAnExistingSerialDevice) {
  // A pseudo-terminal's far end stands in for a USB-serial adapter; the test
  // writes at the near end as the looped-back cable would.
  int near = -1;
  int far = -1;
  ASSERT_EQ(::openpty(&near, &far, nullptr, nullptr, nullptr), 0);
  const std::string device = ::ptsname(near);
  TempDir dir;
  const auto link = dir.path / "line";
  const auto json = dir.path / "out.json";
  Program program(
      {"--device", device, "--link", link, "--duration", "1", "--json", json, "--quiet"});
  ASSERT_GT(program.Pid(), 0);
  ASSERT_TRUE(WaitForLink(link));
  EXPECT_EQ(std::filesystem::read_symlink(link), device);
  const Bytes frames = Frames(0, 20, 2);
  ASSERT_EQ(::write(near, frames.data(), frames.size()), static_cast<ssize_t>(frames.size()));

  ASSERT_EQ(program.Wait(10s), 0);
  ::close(near);
  ::close(far);
  EXPECT_FALSE(Exists(link));
  const JsonValue result = ReadJson(json);
  EXPECT_EQ(result["frames"].Number(), 20);
  EXPECT_EQ(result["bad_frames"]["total"].Number(), 0);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
