#pragma once

#include <wrl/client.h>

#include "com/com_api.h"

namespace tarvolk::com {

// The type library embedded in this DLL (resource 1 TYPELIB), loaded without
// touching the registry. Throws ComError when it cannot be loaded.
Microsoft::WRL::ComPtr<ITypeLib> LoadOwnTypeLibrary();

// The type description of _clsOutputDriver that IDispatch is implemented with.
Microsoft::WRL::ComPtr<ITypeInfo> LoadDriverTypeInfo();

}  // namespace tarvolk::com
