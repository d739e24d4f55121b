// The type library as a host reads it: the library, the creatable class and
// both views of the dual interface (the dispatch view scripts use and the
// vtable view compiled hosts use).
#include <string>

#include "check.h"
#include "client_support.h"
#include "driver_methods.h"
#include "groups.h"

namespace {

// Dual, hidden, not extensible; the vtable half is also oleautomation.
constexpr WORD kDispatchFlags =
    TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
constexpr WORD kVtableFlags = kDispatchFlags | TYPEFLAG_FOLEAUTOMATION;

std::wstring NameOf(ITypeInfo* typeInfo, MEMBERID id) {
  Bstr name;
  typeInfo->GetDocumentation(id, name.Out(), nullptr, nullptr, nullptr);
  return name.Text();
}

// A parameter or result that is a pointer to the given type.
bool PointsTo(const TYPEDESC& type, VARTYPE target) {
  return type.vt == VT_PTR && type.lptdesc != nullptr && type.lptdesc->vt == target;
}

void CheckLibrary(ITypeLib* library) {
  TLIBATTR* attributes = nullptr;
  if (!CHECK_EQ(library->GetLibAttr(&attributes), S_OK)) return;
  CHECK(IsEqualGUID(attributes->guid, LIBID_Tarvolk_DMX));
  CHECK_EQ(attributes->wMajorVerNum, 1);
  CHECK_EQ(attributes->wMinorVerNum, 0);
  CHECK_EQ(attributes->lcid, 0x0409ul);
#ifdef _WIN64
  CHECK_EQ(attributes->syskind, SYS_WIN64);
#else
  CHECK_EQ(attributes->syskind, SYS_WIN32);
#endif
  library->ReleaseTLibAttr(attributes);

  Bstr name;
  library->GetDocumentation(-1, name.Out(), nullptr, nullptr, nullptr);
  CHECK_EQ(name.Text(), std::wstring(L"Tarvolk_DMX"));
}

void CheckClass(ITypeLib* library) {
  ComPtr<ITypeInfo> coclass;
  if (!CHECK_EQ(library->GetTypeInfoOfGuid(CLSID_clsOutputDriver, &coclass), S_OK)) return;
  CHECK_EQ(NameOf(coclass.Get(), MEMBERID_NIL), std::wstring(L"clsOutputDriver"));
  TYPEATTR* attributes = nullptr;
  if (!CHECK_EQ(coclass->GetTypeAttr(&attributes), S_OK)) return;
  CHECK_EQ(attributes->typekind, TKIND_COCLASS);
  CHECK(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
  CHECK_EQ(attributes->cImplTypes, 1);  // the default interface and no event interface
  coclass->ReleaseTypeAttr(attributes);

  INT implementationFlags = 0;
  CHECK_EQ(coclass->GetImplTypeFlags(0, &implementationFlags), S_OK);
  CHECK_EQ(implementationFlags, IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> defaultInterface;
  CHECK_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
  if (!CHECK_EQ(coclass->GetRefTypeInfo(reference, &defaultInterface), S_OK)) return;
  TYPEATTR* interfaceAttributes = nullptr;
  defaultInterface->GetTypeAttr(&interfaceAttributes);
  CHECK(IsEqualGUID(interfaceAttributes->guid, IID__clsOutputDriver));
  defaultInterface->ReleaseTypeAttr(interfaceAttributes);
}

void CheckInterfaceAttributes(ITypeInfo* typeInfo, TYPEKIND kind, WORD flags) {
  TYPEATTR* attributes = nullptr;
  if (!CHECK_EQ(typeInfo->GetTypeAttr(&attributes), S_OK)) return;
  CHECK_EQ(attributes->typekind, kind);
  CHECK(IsEqualGUID(attributes->guid, IID__clsOutputDriver));
  CHECK_EQ(attributes->wTypeFlags & flags, flags);
  CHECK_EQ(attributes->wMajorVerNum, 1);
  typeInfo->ReleaseTypeAttr(attributes);
  CHECK_EQ(NameOf(typeInfo, MEMBERID_NIL), std::wstring(L"_clsOutputDriver"));
}

void CheckNames(ITypeInfo* typeInfo, const MethodShape& method) {
  BSTR names[3] = {};
  UINT count = 0;
  CHECK_EQ(typeInfo->GetNames(method.id, names, 3, &count), S_OK);
  CHECK_EQ(count, static_cast<UINT>(method.parameterCount + 1));
  CHECK_EQ(std::wstring(names[0] ? names[0] : L""), std::wstring(method.name));
  for (int p = 0; p < method.parameterCount && p + 1 < static_cast<int>(count); ++p) {
    CHECK_EQ(std::wstring(names[p + 1] ? names[p + 1] : L""),
             std::wstring(method.parameters[static_cast<std::size_t>(p)].name));
  }
  for (BSTR name : names) SysFreeString(name);
}

// The function of the dispatch view with this dispatch ID (the view may also
// list the inherited IUnknown and IDispatch methods).
FUNCDESC* FindFunction(ITypeInfo* typeInfo, MEMBERID id) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(typeInfo->GetTypeAttr(&attributes))) return nullptr;
  const WORD count = attributes->cFuncs;
  typeInfo->ReleaseTypeAttr(attributes);
  for (UINT index = 0; index < count; ++index) {
    FUNCDESC* function = nullptr;
    if (FAILED(typeInfo->GetFuncDesc(index, &function))) continue;
    if (function->memid == id) return function;
    typeInfo->ReleaseFuncDesc(function);
  }
  return nullptr;
}

// The dispatch view: what IDispatch::GetTypeInfo hands out and scripts see,
// with the [out, retval] parameter turned into the result.
void CheckDispatchView(ITypeInfo* typeInfo) {
  CheckInterfaceAttributes(typeInfo, TKIND_DISPATCH, kDispatchFlags);
  for (const MethodShape& method : kMethods) {
    FUNCDESC* function = FindFunction(typeInfo, method.id);
    if (!check::Record(function != nullptr, check::Text(method.name) + " in the dispatch view",
                       __FILE__, __LINE__)) {
      continue;
    }
    CHECK_EQ(function->invkind, INVOKE_FUNC);
    CHECK_EQ(function->funckind, FUNC_DISPATCH);
    CHECK_EQ(function->elemdescFunc.tdesc.vt, method.result);
    CHECK_EQ(function->cParams, method.parameterCount);
    for (int p = 0; p < method.parameterCount && p < function->cParams; ++p) {
      const ELEMDESC& parameter = function->lprgelemdescParam[p];
      CHECK(PointsTo(parameter.tdesc, method.parameters[static_cast<std::size_t>(p)].type));
      CHECK_EQ(parameter.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT),
               PARAMFLAG_FIN | PARAMFLAG_FOUT);
    }
    typeInfo->ReleaseFuncDesc(function);
    CheckNames(typeInfo, method);
  }
}

// The vtable view: the slots follow IUnknown and IDispatch in table order and
// every method returns HRESULT with its result as [out, retval].
void CheckVtableView(ITypeInfo* typeInfo) {
  CheckInterfaceAttributes(typeInfo, TKIND_INTERFACE, kVtableFlags);
  TYPEATTR* attributes = nullptr;
  if (!CHECK_EQ(typeInfo->GetTypeAttr(&attributes), S_OK)) return;
  CHECK_EQ(attributes->cFuncs, static_cast<WORD>(kMethods.size()));
  CHECK_EQ(attributes->cbSizeVft, static_cast<WORD>((7 + kMethods.size()) * sizeof(void*)));
  typeInfo->ReleaseTypeAttr(attributes);
  for (UINT slot = 0; slot < kMethods.size(); ++slot) {
    const MethodShape& method = kMethods[slot];
    FUNCDESC* function = nullptr;
    if (!CHECK_EQ(typeInfo->GetFuncDesc(slot, &function), S_OK)) continue;
    CHECK_EQ(NameOf(typeInfo, function->memid), std::wstring(method.name));
    CHECK_EQ(function->memid, method.id);
    CHECK_EQ(function->oVft, static_cast<SHORT>((7 + slot) * sizeof(void*)));
    CHECK_EQ(function->funckind, FUNC_PUREVIRTUAL);
    CHECK_EQ(function->invkind, INVOKE_FUNC);
    CHECK_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    if (CHECK_EQ(function->cParams, method.parameterCount + 1)) {
      const ELEMDESC& result = function->lprgelemdescParam[method.parameterCount];
      CHECK(PointsTo(result.tdesc, method.result));
      CHECK_EQ(result.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    }
    typeInfo->ReleaseFuncDesc(function);
  }
}

}  // namespace

void TypeLibraryChecks() {
  check::Group("type library");
  ComPtr<ITypeLib> library;
  if (CHECK_EQ(LoadRegTypeLib(LIBID_Tarvolk_DMX, 1, 0, 0x0409, &library), S_OK)) {
    CheckLibrary(library.Get());
    CheckClass(library.Get());
  }

  ComPtr<_clsOutputDriver> driver = CreateDriver();
  if (!driver) return;
  UINT count = 0;
  CHECK_EQ(driver->GetTypeInfoCount(&count), S_OK);
  CHECK_EQ(count, 1u);
  ComPtr<ITypeInfo> dispatchView;
  if (!CHECK_EQ(driver->GetTypeInfo(0, 0x0409, &dispatchView), S_OK)) return;
  CheckDispatchView(dispatchView.Get());

  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> vtableView;
  CHECK_EQ(dispatchView->GetRefTypeOfImplType(-1, &reference), S_OK);
  if (CHECK_EQ(dispatchView->GetRefTypeInfo(reference, &vtableView), S_OK)) {
    CheckVtableView(vtableView.Get());
  }
  CHECK_EQ(driver->GetTypeInfo(1, 0x0409, &dispatchView), DISP_E_BADINDEX);
}
