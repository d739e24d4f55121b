#pragma once

#include <map>
#include <string>
#include <tuple>

#include "platform/settings_store.h"

namespace tarvolk::fakes {

class FakeSettingsStore final : public platform::SettingsStore {
 public:
  using Address = std::tuple<std::u16string, std::u16string, std::u16string>;

  std::optional<std::u16string> Get(const std::u16string& application,
                                    const std::u16string& section,
                                    const std::u16string& key) const override {
    const auto found = values.find({application, section, key});
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  void Set(const std::u16string& application, const std::u16string& section,
           const std::u16string& key, const std::u16string& value) override {
    values[{application, section, key}] = value;
  }

  std::map<Address, std::u16string> values;
};

}  // namespace tarvolk::fakes
