// The journal's file as a show PC treats it: a second host writing beside
// this one, and a debug viewer that has stopped reading. Each run has a
// Wine prefix of its own, so the files are left where they are.
#include "platform/win32/file_journal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace tarvolk::platform::win32 {
namespace {

std::string NewFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  CreateDirectoryA((temp + name).c_str(), nullptr);
  return temp + name;
}

std::string Read(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

std::size_t Count(const std::string& text, const std::string& line) {
  std::size_t count = 0;
  for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
  return count;
}

TEST(FileJournal, TwoWritersAtTheMarkLoseNoHistory) {
  const std::string folder = NewFolder("two-writers");
  std::string history;
  while (history.size() < FileJournal::kRotateAt - 40) history += "history\r\n";
  std::ofstream(folder + "\\Protokoll.txt", std::ios::binary) << history;
  const auto write = [&folder](const char16_t* line) {
    FileJournal journal({folder.begin(), folder.end()});  // as a host process of its own
    for (int i = 0; i < 200; ++i) journal.Write(line);
  };
  std::thread first(write, u"first host"), second(write, u"second host");
  first.join();
  second.join();
  const std::string old = Read(folder + "\\Protokoll.1.txt");
  const std::string all = old + Read(folder + "\\Protokoll.txt");
  EXPECT_EQ(old.substr(0, history.size()), history) << "the history kept whole";
  EXPECT_EQ(Count(all, " first host\r\n"), 200u);
  EXPECT_EQ(Count(all, " second host\r\n"), 200u);
}

// A lock file that cannot be opened (here a folder of its name) keeps
// writers from taking turns, not the journal from rotating.
TEST(FileJournal, RotatesWithoutItsLockFile) {
  const std::string folder = NewFolder("no-lock-file");
  CreateDirectoryA((folder + "\\Protokoll.lock").c_str(), nullptr);
  std::ofstream(folder + "\\Protokoll.txt", std::ios::binary)
      << std::string(FileJournal::kRotateAt, 'x');
  FileJournal({folder.begin(), folder.end()}).Write(u"past the mark");
  EXPECT_EQ(Read(folder + "\\Protokoll.1.txt").size(), FileJournal::kRotateAt);
  EXPECT_EQ(Count(Read(folder + "\\Protokoll.txt"), " past the mark\r\n"), 1u);
}

// DebugView running but not reading: every OutputDebugString waits 10 s for it.
TEST(FileJournal, AStalledDebugViewerHoldsNoWriterUp) {
  CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
  CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
  CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
  const std::string folder = NewFolder("stalled-viewer");
  FileJournal journal({folder.begin(), folder.end()});
  const ULONGLONG before = GetTickCount64();
  for (int i = 0; i < 3; ++i) journal.Write(u"COM7 verloren");
  EXPECT_LT(GetTickCount64() - before, 2000u);
  EXPECT_EQ(Count(Read(folder + "\\Protokoll.txt"), " COM7 verloren\r\n"), 3u);
}

}  // namespace
}  // namespace tarvolk::platform::win32
