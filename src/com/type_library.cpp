#include "com/type_library.h"

#include <string>

#include "com/com_error.h"
#include "com/module.h"
#include "com/tarvolk_dmx.h"

namespace tarvolk::com {

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

}  // namespace tarvolk::com
