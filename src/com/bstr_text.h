#pragma once

#include <string>
#include <string_view>

#include "platform/win32/com/com_api.h"

namespace tarvolk::platform::win32::com {

// Automation text and the core's UTF-16 text are the same code units.
// A NULL BSTR is the empty text.
std::u16string TextFromBstr(BSTR text);
// A new BSTR the caller owns; throws std::bad_alloc when none can be had.
BSTR NewBstr(std::u16string_view text);

}  // namespace tarvolk::platform::win32::com
