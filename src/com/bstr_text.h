#pragma once

#include <string>
#include <string_view>

#include "com/com_api.h"

namespace tarvolk::com {

// Automation text and the core's UTF-16 text are the same code units.
// A NULL BSTR is the empty text.
std::u16string TextFromBstr(BSTR text);
// A new BSTR the caller owns; throws std::bad_alloc when none can be had.
BSTR NewBstr(std::u16string_view text);

}  // namespace tarvolk::com
