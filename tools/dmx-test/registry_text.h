#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "report_facts.h"

namespace tarvolk::dmx_test {

// A text value of a registry key (the key's default value for a null name),
// read as the plug-in reads its stored port: a length that is no whole
// number of characters loses its odd byte, and the text ends at its first
// NUL. Nothing when the key or the value is not there; why, when the value
// is of another type (REG_EXPAND_SZ counts as text where `expandable`), too
// long, or the registry refused it.
std::optional<Fact> ReadRegistryText(HKEY root, const std::wstring& key, const wchar_t* name,
                                     REGSAM view = 0, bool expandable = false);

// The same from a key already open.
std::optional<Fact> ReadRegistryText(HKEY key, const wchar_t* name, bool expandable = false);

}  // namespace tarvolk::dmx_test
