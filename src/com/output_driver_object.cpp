#include "com/output_driver_object.h"

#include <algorithm>
#include <utility>

#include "com/bstr_text.h"
#include "com/call_guard.h"
#include "com/com_error.h"
#include "com/module.h"
#include "com/type_library.h"

namespace tarvolk::com {
namespace {

// A result or by-reference argument the client must supply.
template <typename T>
T& Required(T* pointer) {
  if (pointer == nullptr) throw ComError(E_POINTER, u"Ungültiger Zeiger");
  return *pointer;
}

// The arrays a dispatch call hands on must be there for every count it
// gives, and the named arguments are some of the arguments; oleaut32 reads
// them without asking.
bool HoldsItsArguments(const DISPPARAMS& params) {
  return (params.cArgs == 0 || params.rgvarg != nullptr) &&
         (params.cNamedArgs == 0 || params.rgdispidNamedArgs != nullptr) &&
         params.cNamedArgs <= params.cArgs;
}

VARIANT_BOOL AutomationBoolean(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// A method with a boolean result: false until the core answered.
template <typename Body>
HRESULT BooleanCall(VARIANT_BOOL* result, Body&& body) noexcept {
  return GuardedCall([&] {
    VARIANT_BOOL& out = Required(result);
    out = VARIANT_FALSE;
    out = AutomationBoolean(body());
  });
}

}  // namespace

HRESULT OutputDriverObject::Create(REFIID iid, void** object) noexcept {
  return GuardedCall([&] {
    Required(object) = nullptr;
    OutputDriverObject* created = new OutputDriverObject(LoadDriverTypeInfo());
    const HRESULT status = created->QueryInterface(iid, object);
    created->Release();
    ThrowIfFailed(status, u"Die Schnittstelle wird nicht unterstützt");
  });
}

OutputDriverObject::OutputDriverObject(Microsoft::WRL::ComPtr<ITypeInfo> typeInfo)
    : typeInfo_(std::move(typeInfo)) {
  AddModuleReference();
}

OutputDriverObject::~OutputDriverObject() { ReleaseModuleReference(); }

HRESULT OutputDriverObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__clsOutputDriver) {
    *object = static_cast<_clsOutputDriver*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG OutputDriverObject::AddRef() { return ++references_; }

ULONG OutputDriverObject::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT OutputDriverObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT OutputDriverObject::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return typeInfo_.CopyTo(typeInfo);
}

HRESULT OutputDriverObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT nameCount, LCID,
                                          DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (nameCount == 0) return E_INVALIDARG;
  if (std::find(names, names + nameCount, nullptr) != names + nameCount) return E_POINTER;
  return DispGetIDsOfNames(typeInfo_.Get(), names, nameCount, ids);
}

// The type library's Invoke calls the slot and turns a failed call with error
// info into DISP_E_EXCEPTION with the EXCEPINFO filled in.
HRESULT OutputDriverObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr) return E_POINTER;
  if (!HoldsItsArguments(*params)) return E_INVALIDARG;
  return typeInfo_->Invoke(static_cast<_clsOutputDriver*>(this), id, flags, params, result,
                           exception, argumentError);
}

HRESULT OutputDriverObject::Disable(VARIANT_BOOL* result) {
  return BooleanCall(result, [&] { return core_.Disable(); });
}

HRESULT OutputDriverObject::Enable(VARIANT_BOOL* result) {
  return BooleanCall(result, [&] { return core_.Enable(); });
}

HRESULT OutputDriverObject::PluginName(BSTR* result) {
  return GuardedCall([&] {
    BSTR& out = Required(result);
    out = nullptr;
    out = NewBstr(core_.PluginName());
  });
}

HRESULT OutputDriverObject::SetChannel(LONG* channel, LONG* value, VARIANT_BOOL* result) {
  return BooleanCall(result, [&] { return core_.SetChannel(Required(channel), Required(value)); });
}

HRESULT OutputDriverObject::Configure(VARIANT_BOOL* result) {
  return BooleanCall(result, [&] { return core_.Configure(); });
}

HRESULT OutputDriverObject::Init(BSTR* CallingAppTitle, BSTR* MyFilename, VARIANT_BOOL* result) {
  return BooleanCall(result, [&] {
    return core_.Init(TextFromBstr(Required(CallingAppTitle)), TextFromBstr(Required(MyFilename)));
  });
}

HRESULT OutputDriverObject::Term(VARIANT_BOOL* result) {
  return BooleanCall(result, [&] { return core_.Term(); });
}

HRESULT OutputDriverObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID__clsOutputDriver ? S_OK : S_FALSE;
}

}  // namespace tarvolk::com
