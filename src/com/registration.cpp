#include "com/registration.h"

#include <cwchar>
#include <string>

#include "com/com_error.h"
#include "com/module.h"
#include "com/registry_keys.h"
#include "com/tarvolk_dmx.h"
#include "com/type_library.h"

namespace tarvolk::com {
namespace {

constexpr wchar_t kProgId[] = L"Tarvolk_DMX.clsOutputDriver";
constexpr wchar_t kClassVersion[] = L"1.0";
constexpr std::u16string_view kTypeLibraryRefused = u"Die Typbibliothek wurde nicht registriert";

std::wstring ClassKey() { return L"CLSID\\" + GuidText(CLSID_clsOutputDriver); }

void RegisterClass() {
  const std::wstring classKey = ClassKey();
  SetClassesValue(classKey, kProgId);
  SetClassesValue(classKey + L"\\InprocServer32", ModulePath());
  SetClassesValue(classKey + L"\\InprocServer32", L"Apartment", L"ThreadingModel");
  SetClassesValue(classKey + L"\\ProgID", kProgId);
  SetClassesValue(classKey + L"\\TypeLib", GuidText(LIBID_Tarvolk_DMX));
  SetClassesValue(classKey + L"\\Version", kClassVersion);
  SetClassesValue(kProgId, kProgId);
  SetClassesValue(std::wstring(kProgId) + L"\\CLSID", GuidText(CLSID_clsOutputDriver));
}

void RegisterTypeLibrary() {
  std::wstring path = ModulePath();
  ThrowIfFailed(RegisterTypeLib(LoadOwnTypeLibrary().Get(), path.data(), nullptr),
                kTypeLibraryRefused);
}

// Unregisters exactly the version, locale and system the embedded library
// declares. The 32- and 64-bit builds share the version key, so only this
// build's own entry under it says whether there is anything to remove.
void UnregisterTypeLibrary() {
  const auto library = LoadOwnTypeLibrary();
  TLIBATTR* attributes = nullptr;
  ThrowIfFailed(library->GetLibAttr(&attributes), kTypeLibraryRefused);
  const TLIBATTR copy = *attributes;
  library->ReleaseTLibAttr(attributes);
  wchar_t entry[48];
  // Version and locale in hex, as registered: "1.0\\409\\win32".
  swprintf(entry, 48, L"%x.%x\\%lx\\%ls", copy.wMajorVerNum, copy.wMinorVerNum,
           static_cast<unsigned long>(copy.lcid), copy.syskind == SYS_WIN64 ? L"win64" : L"win32");
  if (!ClassesKeyExists(L"TypeLib\\" + GuidText(copy.guid) + L"\\" + entry)) return;
  ThrowIfFailed(
      UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind),
      kTypeLibraryRefused);
}

}  // namespace

void RegisterServer() {
  try {
    RegisterClass();
    RegisterTypeLibrary();
  } catch (...) {
    try {
      UnregisterServer();  // leave no half registration behind
    } catch (...) {
      // The first failure is the one to report.
    }
    throw;
  }
}

void UnregisterServer() {
  UnregisterTypeLibrary();
  DeleteClassesTree(ClassKey());
  DeleteClassesTree(kProgId);
}

}  // namespace tarvolk::com
