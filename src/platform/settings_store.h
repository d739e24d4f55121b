#pragma once

#include <optional>
#include <string>

namespace tarvolk::platform {

// The per-user application settings: text values addressed by application,
// section path (levels separated by a backslash) and key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // nullopt when the value (or its section) does not exist.
  virtual std::optional<std::u16string> Get(const std::u16string& application,
                                            const std::u16string& section,
                                            const std::u16string& key) const = 0;
  // Creates the section as needed and replaces any earlier value.
  // Throws PlatformError when the store refuses.
  virtual void Set(const std::u16string& application, const std::u16string& section,
                   const std::u16string& key, const std::u16string& value) = 0;
};

}  // namespace tarvolk::platform
