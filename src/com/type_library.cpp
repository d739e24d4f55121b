#include "platform/win32/com/type_library.h"

#include <string>

#include "platform/win32/com/com_error.h"
#include "platform/win32/com/module.h"
#include "platform/win32/com/tarvolk_dmx.h"

namespace tarvolk::platform::win32::com {

Microsoft::WRL::ComPtr<ITypeLib> LoadOwnTypeLibrary() {
  const std::wstring path = ModulePath();
  Microsoft::WRL::ComPtr<ITypeLib> library;
  ThrowIfFailed(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library),
                u"Die Typbibliothek der Komponente ist nicht lesbar");
  return library;
}

Microsoft::WRL::ComPtr<ITypeInfo> LoadDriverTypeInfo() {
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo;
  ThrowIfFailed(LoadOwnTypeLibrary()->GetTypeInfoOfGuid(IID__clsOutputDriver, &typeInfo),
                u"Die Typbibliothek der Komponente ist nicht lesbar");
  return typeInfo;
}

}  // namespace tarvolk::platform::win32::com
