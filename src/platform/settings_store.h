#pragma once

#include <optional>
#include <string>

#include "platform/platform_error.h"

namespace tarvolk::platform {

// Thrown by SettingsStore::Set when the store refuses to write (no right to,
// a parent that forbids it...). systemError is the operating system's reason.
class SettingsWriteError : public PlatformError {
 public:
  SettingsWriteError(const std::string& what, unsigned long systemError)
      : PlatformError(what), systemError_(systemError) {}
  unsigned long SystemError() const { return systemError_; }

 private:
  unsigned long systemError_;
};

// The per-user application settings: text values addressed by application,
// section path (levels separated by a backslash) and key.
//
// Names a store cannot address (the registry, for one, names no empty level
// and none longer than 255 characters) address nothing: Get finds nothing
// there and Set writes nothing, so a value never lands anywhere but where its
// names say.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // nullopt when the value (or its section) does not exist.
  virtual std::optional<std::u16string> Get(const std::u16string& application,
                                            const std::u16string& section,
                                            const std::u16string& key) const = 0;
  // Creates the section as needed and replaces any earlier value.
  // Throws SettingsWriteError when the store refuses.
  virtual void Set(const std::u16string& application, const std::u16string& section,
                   const std::u16string& key, const std::u16string& value) = 0;
};

}  // namespace tarvolk::platform
