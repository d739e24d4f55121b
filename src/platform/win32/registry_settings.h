#pragma once

#include "platform/settings_store.h"

namespace tarvolk::platform::win32 {

// The per-user application settings of the registry:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>,
// one REG_SZ value per key. Every level of <application>\<section> must be
// able to name a key (1 to 255 characters, no NUL); other names address nothing.
class RegistrySettings final : public SettingsStore {
 public:
  std::optional<std::u16string> Get(const std::u16string& application,
                                    const std::u16string& section,
                                    const std::u16string& key) const override;
  void Set(const std::u16string& application, const std::u16string& section,
           const std::u16string& key, const std::u16string& value) override;
};

}  // namespace tarvolk::platform::win32
