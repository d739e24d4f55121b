// Defines the component's identifiers, which the generated header declares.
#include <windows.h>
// windows.h must come first.
#include <initguid.h>

#include "com/tarvolk_dmx.h"
