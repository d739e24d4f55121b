#pragma once

#include <string>

#include "com/com_api.h"

namespace tarvolk::com {

// Sets the default value of HKEY_CLASSES_ROOT\path (or the named value),
// creating the key as needed. Throws ComError when the registry refuses.
void SetClassesValue(const std::wstring& path, const std::wstring& text,
                     const wchar_t* valueName = nullptr);

// Removes HKEY_CLASSES_ROOT\path with everything below it; a missing key is
// fine. Throws ComError when the registry refuses.
void DeleteClassesTree(const std::wstring& path);

bool ClassesKeyExists(const std::wstring& path);

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, as the registry spells identifiers.
std::wstring GuidText(REFGUID guid);

}  // namespace tarvolk::com
