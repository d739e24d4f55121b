#pragma once

// Calling the driver late-bound, as script hosts do.
#include <initializer_list>
#include <string>

#include "client_support.h"

// A VARIANT the test owns.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* Get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

// The outcome of one IDispatch::Invoke.
struct DispatchResult {
  HRESULT status = E_FAIL;
  UINT argumentError = 0;
  EXCEPINFO exception{};
  Variant result;
  ~DispatchResult();
};

// Invokes a method with the arguments in their written order (Invoke wants
// them reversed) and fills outcome.
void InvokeMethod(IDispatch* dispatch, DISPID id, std::initializer_list<VARIANT> arguments,
                  DispatchResult& outcome);

// Resolves a member name with GetIDsOfNames; DISPID_UNKNOWN when that fails.
DISPID IdOfName(IDispatch* dispatch, const wchar_t* name);

VARIANT LongValue(LONG value);
VARIANT LongReference(LONG* value);
VARIANT TextValue(BSTR text);
VARIANT TextReference(BSTR* text);
