#pragma once

#include <string>
#include <vector>

#include "platform/journal.h"

namespace tarvolk::fakes {

// A journal that keeps its lines.
class FakeJournal final : public platform::Journal {
 public:
  void Write(std::u16string_view line) override { lines.emplace_back(line); }
  std::vector<std::u16string> lines;
};

}  // namespace tarvolk::fakes
