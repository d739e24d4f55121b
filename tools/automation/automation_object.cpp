#include "automation_object.h"

#include <oleauto.h>

#include <cstdio>
#include <string>

namespace tarvolk::automation {
namespace {

void Check(HRESULT result, const char* step) {
  if (FAILED(result)) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (HRESULT 0x%08lX)", step,
                  static_cast<unsigned long>(result));
    throw CreationError(text, result);
  }
}

// Automation errors raised by a component carry their number in the low word
// of a FACILITY_CONTROL code (9 arrives as 0x800A0009).
std::wstring ErrorText(HRESULT result, EXCEPINFO& exception) {
  if (result == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
    const HRESULT code = exception.scode != 0 ? exception.scode : exception.wCode;
    const std::wstring description =
        exception.bstrDescription != nullptr ? exception.bstrDescription : L"";
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    if (HRESULT_FACILITY(code) == FACILITY_CONTROL) {
      return L"error " + std::to_wstring(HRESULT_CODE(code)) + L": " + description;
    }
    result = code;
  }
  wchar_t text[32];
  std::swprintf(text, 32, L"HRESULT 0x%08lX", static_cast<unsigned long>(result));
  return text;
}

std::wstring ResultText(const VARIANT& result) {
  switch (result.vt) {
    case VT_BOOL:
      return result.boolVal == VARIANT_FALSE ? L"false" : L"true";
    case VT_BSTR:
      return L"\"" + std::wstring(result.bstrVal != nullptr ? result.bstrVal : L"") + L"\"";
    case VT_EMPTY:
      return L"(nothing)";
    default:
      return L"(variant type " + std::to_wstring(result.vt) + L")";
  }
}

}  // namespace

AutomationObject::AutomationObject(const wchar_t* progId) {
  CLSID classId{};
  Check(CLSIDFromProgID(progId, &classId), "CLSIDFromProgID");
  Check(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                         reinterpret_cast<void**>(&dispatch_)),
        "CoCreateInstance");
}

AutomationObject::~AutomationObject() { dispatch_->Release(); }

CallOutcome AutomationObject::Call(const wchar_t* method, std::vector<ByRefArgument> arguments) {
  DISPID id = 0;
  auto* name = const_cast<LPOLESTR>(method);
  HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(result)) {
    EXCEPINFO none{};
    return {true, ErrorText(result, none)};
  }
  // Strings go as BSTRs; every argument by reference, last argument first.
  std::vector<BSTR> strings(arguments.size(), nullptr);
  std::vector<VARIANTARG> passed(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    VARIANTARG& slot = passed[arguments.size() - 1 - i];
    VariantInit(&slot);
    if (auto* number = std::get_if<LONG>(&arguments[i])) {
      slot.vt = VT_I4 | VT_BYREF;
      slot.plVal = number;
    } else {
      strings[i] = SysAllocString(std::get<std::wstring>(arguments[i]).c_str());
      slot.vt = VT_BSTR | VT_BYREF;
      slot.pbstrVal = &strings[i];
    }
  }
  DISPPARAMS parameters{passed.data(), nullptr, static_cast<UINT>(passed.size()), 0};
  VARIANT value;
  VariantInit(&value);
  EXCEPINFO exception{};
  UINT badArgument = 0;
  result = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                             &value, &exception, &badArgument);
  for (BSTR text : strings) SysFreeString(text);
  CallOutcome outcome = SUCCEEDED(result) ? CallOutcome{false, ResultText(value)}
                                          : CallOutcome{true, ErrorText(result, exception)};
  VariantClear(&value);
  return outcome;
}

}  // namespace tarvolk::automation
