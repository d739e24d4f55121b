#pragma once

#include <windows.h>

#include <string>

#include "report_facts.h"

namespace tarvolk::dmx_test {

// Windows' own text for an error (a Win32 error or an HRESULT), without its
// line end; empty when it has none.
std::wstring WindowsSays(DWORD error);

// A fact that could not be read: why, in German, with Windows' error.
Fact WindowsFailure(std::wstring why, DWORD error);

// What the operator reads of a failure: why, Windows' text and its number.
std::wstring FailureText(const std::wstring& why, DWORD error);

}  // namespace tarvolk::dmx_test
