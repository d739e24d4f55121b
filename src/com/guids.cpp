// Defines the identifiers the generated header only declares (class, default
// interface, library), once for the whole DLL.
#include "com/com_api.h"
// com_api.h must come first.
#include <initguid.h>

#include "com/tarvolk_dmx.h"
