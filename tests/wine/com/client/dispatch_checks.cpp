// Every method late-bound through IDispatch, by name and by dispatch ID:
// results as VARIANTs, failures as DISP_E_EXCEPTION with EXCEPINFO.
#include <string>

#include "check.h"
#include "dispatch_call.h"
#include "driver_methods.h"
#include "groups.h"
#include "set_channel_cases.h"

namespace {

void CheckNames(IDispatch* dispatch) {
  for (const MethodShape& method : kMethods) CHECK_EQ(IdOfName(dispatch, method.name), method.id);
  CHECK_EQ(IdOfName(dispatch, L"setchannel"), kSetChannelId);  // names ignore case
  CHECK_EQ(IdOfName(dispatch, L"NoSuchMethod"), DISPID_UNKNOWN);

  LPOLESTR names[] = {const_cast<LPOLESTR>(L"SetChannel"), const_cast<LPOLESTR>(L"value"),
                      const_cast<LPOLESTR>(L"channel")};
  DISPID ids[3] = {};
  CHECK_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 3, 0x0409, ids), S_OK);
  CHECK_EQ(ids[0], kSetChannelId);
  CHECK_EQ(ids[1], 1);
  CHECK_EQ(ids[2], 0);
}

void CheckFailure(const DispatchResult& outcome, const ExpectedFailure& expected) {
  CHECK_EQ(outcome.status, DISP_E_EXCEPTION);
  CHECK_EQ(outcome.exception.scode, expected.result);
  CHECK_EQ(outcome.exception.wCode, 0);
  CHECK_EQ(std::wstring(outcome.exception.bstrSource ? outcome.exception.bstrSource : L""),
           std::wstring(kErrorSource));
  CHECK_EQ(
      std::wstring(outcome.exception.bstrDescription ? outcome.exception.bstrDescription : L""),
      std::wstring(expected.description));
}

void CheckSimpleResults(IDispatch* dispatch, DISPID pluginNameId, DISPID disableId) {
  DispatchResult name;
  InvokeMethod(dispatch, pluginNameId, {}, name);
  CHECK_EQ(name.status, S_OK);
  if (CHECK_EQ((*name.result).vt, VT_BSTR)) {
    CHECK_EQ(std::wstring((*name.result).bstrVal), std::wstring(kPluginName));
  }
  DispatchResult disable;
  InvokeMethod(dispatch, disableId, {}, disable);
  CHECK_EQ(disable.status, S_OK);
  CHECK_EQ((*disable.result).vt, VT_BOOL);
  CHECK_EQ((*disable.result).boolVal, VARIANT_TRUE);
}

// byReference: VT_BYREF | VT_I4, as compiled late-bound hosts pass a Long
// variable; otherwise VT_I4 values, as scripts pass literals.
void CheckSetChannel(IDispatch* dispatch, DISPID id, bool byReference) {
  for (const SetChannelCase& c : kSetChannelCases) {
    LONG channel = c.channel;
    LONG value = c.value;
    DispatchResult outcome;
    if (byReference) {
      InvokeMethod(dispatch, id, {LongReference(&channel), LongReference(&value)}, outcome);
    } else {
      InvokeMethod(dispatch, id, {LongValue(channel), LongValue(value)}, outcome);
    }
    if (c.failure != nullptr) {
      CheckFailure(outcome, *c.failure);
      continue;
    }
    CHECK_EQ(outcome.status, S_OK);
    CHECK_EQ((*outcome.result).vt, VT_BOOL);
    CHECK_EQ((*outcome.result).boolVal, c.result);
    CHECK_EQ(channel, c.channel);  // nothing written back
    CHECK_EQ(value, c.value);
  }
}

void CheckRejectedCalls(IDispatch* dispatch) {
  DispatchResult tooFew;
  InvokeMethod(dispatch, kSetChannelId, {LongValue(1)}, tooFew);
  CHECK_EQ(tooFew.status, DISP_E_BADPARAMCOUNT);

  // What a script's ByRef variable arrives as: the type library cannot
  // hand a VARIANT* to a long* parameter.
  Variant scriptVariable;
  V_VT(scriptVariable.Get()) = VT_I4;
  V_I4(scriptVariable.Get()) = 1;
  VARIANT byRefVariant;
  V_VT(&byRefVariant) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&byRefVariant) = scriptVariable.Get();
  DispatchResult mismatch;
  InvokeMethod(dispatch, kSetChannelId, {byRefVariant, LongValue(1)}, mismatch);
  CHECK_EQ(mismatch.status, DISP_E_TYPEMISMATCH);

  DispatchResult unknown;
  InvokeMethod(dispatch, 0x12345, {}, unknown);
  CHECK_EQ(unknown.status, DISP_E_MEMBERNOTFOUND);

  DISPPARAMS none{nullptr, nullptr, 0, 0};
  Variant result;
  CHECK_EQ(dispatch->Invoke(kPluginNameId, IID_IDispatch, 0x0409, DISPATCH_METHOD, &none,
                            result.Get(), nullptr, nullptr),
           DISP_E_UNKNOWNINTERFACE);
}

}  // namespace

void DispatchChecks() {
  check::Group("methods through IDispatch");
  ComPtr<_clsOutputDriver> driver = CreateDriver();
  if (!driver) return;
  ComPtr<IDispatch> dispatch;
  if (!CHECK_EQ(driver.As(&dispatch), S_OK)) return;

  CheckNames(dispatch.Get());
  // By dispatch ID as compiled hosts call, and by the ID that the name resolves to.
  CheckSimpleResults(dispatch.Get(), kPluginNameId, kDisableId);
  CheckSimpleResults(dispatch.Get(), IdOfName(dispatch.Get(), L"PluginName"),
                     IdOfName(dispatch.Get(), L"Disable"));
  CheckSetChannel(dispatch.Get(), kSetChannelId, false);
  CheckSetChannel(dispatch.Get(), kSetChannelId, true);
  CheckSetChannel(dispatch.Get(), IdOfName(dispatch.Get(), L"SetChannel"), false);
  CheckRejectedCalls(dispatch.Get());
}
