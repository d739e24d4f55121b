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
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "frames.h"
#include "json_lookup.h"
#include "line_format.h"

extern char** environ;

namespace tarvolk::dmx_interface {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::Channels;
using testing::Frames;
using testing::JsonNumber;
namespace fs = std::filesystem;

// The program under test; killed and reaped by its own pid if a check fails early.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    args.insert(args.begin(), DMX_INTERFACE_EXE);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~Program() {
    if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
  }

  pid_t Pid() const { return pid_; }

  // The exit status, or -1 if the program is still running after `limit`.
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
  fs::path path;
  TempDir() {
    std::string name = (fs::temp_directory_path() / "dmx-interface-XXXXXX").string();
    path = ::mkdtemp(name.data());
  }
  ~TempDir() { fs::remove_all(path); }
};

bool Exists(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool WaitForLink(const fs::path& link) {
  for (auto waited = 0ms; waited < 10s; waited += 10ms) {
    if (Exists(link)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// Opens the line as a writer would, writes everything (waiting whenever the
// line pushes back) and closes it again.
void WriteAll(const fs::path& link, const Bytes& bytes) {
  const int fd = ::open(link.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0) << "open " << link << ": errno " << errno;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    ASSERT_EQ(errno, EAGAIN);
    pollfd out{fd, POLLOUT, 0};
    ::poll(&out, 1, 100);
  }
  ::close(fd);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), {}};
}

// The t_us and channel list text of each frame record, in order.
std::vector<std::pair<double, std::string>> Records(const std::string& json) {
  std::vector<std::pair<double, std::string>> records;
  for (std::size_t at = json.find("{\"t_us\": "); at != std::string::npos;
       at = json.find("{\"t_us\": ", at + 1)) {
    const std::size_t open = json.find('[', at) + 1;
    records.emplace_back(std::stod(json.substr(at + 9)),
                         json.substr(open, json.find(']', open) - open));
  }
  return records;
}

std::string ListText(const Bytes& values) {
  std::string text;
  for (const std::uint8_t v : values) text += (text.empty() ? "" : ",") + std::to_string(v);
  return text;
}

// User and system time of a running process, from /proc.
double CpuSeconds(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  const std::vector<std::string> values{std::istream_iterator<std::string>(fields), {}};
  // Counting from the state (field 3): utime is field 14, stime 15.
  return (std::stod(values.at(11)) + std::stod(values.at(12))) /
         static_cast<double>(::sysconf(_SC_CLK_TCK));
}

constexpr double kTolerance = 0.03;  // a shared machine's scheduling noise

TEST(EndToEnd, ReadsAtTheLineRateAndKeepsEveryFrameWhole) {
  constexpr std::size_t kChannels = 10;
  constexpr unsigned kFirstOpen = 250;
  constexpr unsigned kFrames = 400;  // 5200 bytes: 3 s of line time
  TempDir dir;
  const fs::path link = dir.path / "line";
  const fs::path json = dir.path / "out.json";
  Program program({"--link", link, "--duration", "4", "--json", json, "--frames", "--quiet"});
  ASSERT_GT(program.Pid(), 0);
  ASSERT_TRUE(WaitForLink(link));

  // Both writes land at once in the pseudo-terminal's buffer: only the
  // interface's own pacing holds them to the line's speed.
  WriteAll(link, Frames(0, kFirstOpen, kChannels));
  WriteAll(link, Frames(kFirstOpen, kFrames - kFirstOpen, kChannels));

  ASSERT_EQ(program.Wait(10s), 0);
  EXPECT_FALSE(Exists(link)) << "the symlink must be removed at exit";
  const std::string result = ReadFile(json);
  EXPECT_EQ(JsonNumber(result, "frames"), kFrames);
  EXPECT_EQ(JsonNumber(result, "bytes"), kFrames * (kChannels + 3));
  EXPECT_EQ(JsonNumber(result, "total"), 0);  // bad frames
  EXPECT_EQ(JsonNumber(result, "stray_bytes"), 0);

  const double frameRate = kLineBytesPerSecond / (kChannels + 3);
  EXPECT_NEAR(JsonNumber(result, "frames_per_s"), frameRate, frameRate * kTolerance);
  EXPECT_NEAR(JsonNumber(result, "line_bytes_per_s"), kLineBytesPerSecond,
              kLineBytesPerSecond * kTolerance);
  EXPECT_NEAR(JsonNumber(result, "line_share"), 1.0, kTolerance);

  const auto records = Records(result);
  ASSERT_EQ(records.size(), kFrames);
  for (unsigned i = 0; i < kFrames; ++i) {
    ASSERT_EQ(records[i].second, ListText(Channels(kChannels, i))) << "frame " << i;
    if (i > 0) {
      ASSERT_GE(records[i].first, records[i - 1].first) << "frame " << i;
    }
  }
  const double spanS = (records.back().first - records.front().first) / 1e6;
  EXPECT_NEAR(spanS, (kFrames - 1) / frameRate, (kFrames - 1) / frameRate * kTolerance);
}

TEST(EndToEnd, IdlesWithoutAWriterAndStopsCleanlyOnSigterm) {
  TempDir dir;
  const fs::path link = dir.path / "line";
  const fs::path json = dir.path / "out.json";
  Program program({"--link", link, "--json", json, "--quiet"});
  ASSERT_GT(program.Pid(), 0);
  ASSERT_TRUE(WaitForLink(link));
  WriteAll(link, Frames(0, 5, 0));
  std::this_thread::sleep_for(1500ms);
  EXPECT_LT(CpuSeconds(program.Pid()), 0.2) << "an idle line should cost next to no CPU";

  ASSERT_EQ(::kill(program.Pid(), SIGTERM), 0);
  ASSERT_EQ(program.Wait(5s), 0);
  EXPECT_FALSE(Exists(link));
  EXPECT_EQ(JsonNumber(ReadFile(json), "frames"), 5);
}

TEST(EndToEnd, ReadsAnExistingSerialDevice) {
  // A pseudo-terminal stands in for a USB-serial adapter: the test writes at
  // its near end as the looped-back cable would.
  int near = -1;
  int far = -1;
  ASSERT_EQ(::openpty(&near, &far, nullptr, nullptr, nullptr), 0);
  const std::string device = ::ptsname(near);
  TempDir dir;
  const fs::path link = dir.path / "line";
  const fs::path json = dir.path / "out.json";
  Program program(
      {"--device", device, "--link", link, "--duration", "1", "--json", json, "--quiet"});
  ASSERT_TRUE(WaitForLink(link));
  EXPECT_EQ(fs::read_symlink(link), device);
  const Bytes frames = Frames(0, 20, 2);
  ASSERT_EQ(::write(near, frames.data(), frames.size()), static_cast<ssize_t>(frames.size()));

  ASSERT_EQ(program.Wait(10s), 0);
  ::close(near);
  ::close(far);
  EXPECT_FALSE(Exists(link));
  EXPECT_EQ(JsonNumber(ReadFile(json), "frames"), 20);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
