#include "dispatch_call.h"

#include <iterator>
#include <vector>

DispatchResult::~DispatchResult() {
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

void InvokeMethod(IDispatch* dispatch, DISPID id, std::initializer_list<VARIANT> arguments,
                  DispatchResult& outcome) {
  std::vector<VARIANT> reversed(std::rbegin(arguments), std::rend(arguments));
  DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  outcome.status =
      dispatch->Invoke(id, IID_NULL, 0x0409, DISPATCH_METHOD, &parameters, outcome.result.Get(),
                       &outcome.exception, &outcome.argumentError);
}

DISPID IdOfName(IDispatch* dispatch, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0x0409, &id))) return DISPID_UNKNOWN;
  return id;
}

VARIANT LongValue(LONG value) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT LongReference(LONG* value) {
  VARIANT v;
  V_VT(&v) = VT_I4 | VT_BYREF;
  V_I4REF(&v) = value;
  return v;
}

VARIANT TextValue(BSTR text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  return v;
}

VARIANT TextReference(BSTR* text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&v) = text;
  return v;
}
