// Every method a script-free host may call, through its interface slot:
// results as automation booleans and text, failures as HRESULT with error info.
#include <string>

#include "check.h"
#include "client_support.h"
#include "groups.h"
#include "set_channel_cases.h"

namespace {

void CheckSimpleResults(_clsOutputDriver* driver) {
  Bstr name;
  CHECK_EQ(driver->PluginName(name.Out()), S_OK);
  CHECK_EQ(name.Text(), std::wstring(kPluginName));

  VARIANT_BOOL result = VARIANT_FALSE;
  CHECK_EQ(driver->Disable(&result), S_OK);
  CHECK_EQ(result, VARIANT_TRUE);
  CHECK_EQ(static_cast<int>(result), -1);  // the automation true, not 1
}

void CheckSetChannel(_clsOutputDriver* driver) {
  for (const SetChannelCase& c : kSetChannelCases) {
    LONG channel = c.channel;
    LONG value = c.value;
    VARIANT_BOOL result = 123;
    const HRESULT status = driver->SetChannel(&channel, &value, &result);
    if (c.failure != nullptr) {
      CheckReportedFailure(status, *c.failure);
    } else {
      CHECK_EQ(status, S_OK);
    }
    CHECK_EQ(result, c.result);
    // By-reference arguments come back untouched.
    CHECK_EQ(channel, c.channel);
    CHECK_EQ(value, c.value);
  }
}

void CheckNullPointers(_clsOutputDriver* driver) {
  LONG channel = 1;
  LONG value = 1;
  VARIANT_BOOL result = VARIANT_FALSE;
  Bstr text(L"x");
  BSTR textValue = text.Get();
  CHECK_EQ(driver->Disable(nullptr), E_POINTER);
  CHECK_EQ(driver->PluginName(nullptr), E_POINTER);
  CHECK_EQ(driver->SetChannel(nullptr, &value, &result), E_POINTER);
  CHECK_EQ(driver->SetChannel(&channel, nullptr, &result), E_POINTER);
  CHECK_EQ(driver->SetChannel(&channel, &value, nullptr), E_POINTER);
  CHECK_EQ(driver->Init(nullptr, &textValue, &result), E_POINTER);
  CHECK_EQ(driver->Init(&textValue, nullptr, &result), E_POINTER);
  CHECK_EQ(driver->Term(nullptr), E_POINTER);
  const ErrorReport report = TakeErrorInfo();
  CHECK(report.present);
  CHECK_EQ(report.source, std::wstring(kErrorSource));
}

void CheckInterfaces(_clsOutputDriver* driver) {
  ComPtr<IUnknown> identity;
  ComPtr<IDispatch> dispatch;
  ComPtr<ISupportErrorInfo> errorInfo;
  ComPtr<IClassFactory> notImplemented;
  CHECK_EQ(driver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.GetAddressOf())),
           S_OK);
  CHECK_EQ(driver->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf())),
           S_OK);
  CHECK_EQ(driver->QueryInterface(IID_ISupportErrorInfo,
                                  reinterpret_cast<void**>(errorInfo.GetAddressOf())),
           S_OK);
  CHECK_EQ(driver->QueryInterface(IID_IClassFactory,
                                  reinterpret_cast<void**>(notImplemented.GetAddressOf())),
           E_NOINTERFACE);
  CHECK(!notImplemented);
  if (errorInfo) {
    CHECK_EQ(errorInfo->InterfaceSupportsErrorInfo(IID__clsOutputDriver), S_OK);
    CHECK_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
  }
  ComPtr<IUnknown> identityAgain;
  if (errorInfo) {
    errorInfo->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identityAgain.GetAddressOf()));
  }
  CHECK(identity.Get() == identityAgain.Get());  // one object behind every interface
}

}  // namespace

void VtableChecks() {
  check::Group("methods through the vtable");
  ComPtr<_clsOutputDriver> driver = CreateDriver();
  if (!driver) return;
  CheckSimpleResults(driver.Get());
  CheckSetChannel(driver.Get());
  CheckNullPointers(driver.Get());
  CheckInterfaces(driver.Get());
}
