#pragma once

// The one way the component's files include COM and Automation: the lean
// Windows API of the platform layer, then OLE.
#include "platform/win32/windows_api.h"
// windows_api.h must come first.
#include <ole2.h>
#include <oleauto.h>
