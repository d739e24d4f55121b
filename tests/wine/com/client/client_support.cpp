#include "client_support.h"

#include "check.h"

BSTR* Bstr::Out() {
  SysFreeString(text_);
  text_ = nullptr;
  return &text_;
}

std::wstring Bstr::Text() const {
  return text_ == nullptr ? std::wstring() : std::wstring(text_, SysStringLen(text_));
}

ComPtr<_clsOutputDriver> CreateDriver() {
  CLSID classId{};
  ComPtr<_clsOutputDriver> driver;
  if (!CHECK_EQ(CLSIDFromProgID(L"Tarvolk_DMX.clsOutputDriver", &classId), S_OK)) return driver;
  CHECK(IsEqualCLSID(classId, CLSID_clsOutputDriver));
  CHECK_EQ(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID__clsOutputDriver,
                            reinterpret_cast<void**>(driver.GetAddressOf())),
           S_OK);
  return driver;
}

void InitDriver(_clsOutputDriver* driver, const wchar_t* host, const wchar_t* file) {
  Bstr hostText(host);
  Bstr fileText(file);
  BSTR hostValue = hostText.Get();
  BSTR fileValue = fileText.Get();
  VARIANT_BOOL result = VARIANT_TRUE;
  CHECK_EQ(driver->Init(&hostValue, &fileValue, &result), S_OK);
}

ErrorReport TakeErrorInfo() {
  ErrorReport report;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, &info) != S_OK || !info) return report;
  report.present = true;
  Bstr source;
  Bstr description;
  info->GetSource(source.Out());
  info->GetDescription(description.Out());
  info->GetGUID(&report.guid);
  report.source = source.Text();
  report.description = description.Text();
  return report;
}

void CheckReportedFailure(HRESULT actual, const ExpectedFailure& expected) {
  CHECK_EQ(actual, expected.result);
  const ErrorReport report = TakeErrorInfo();
  if (!CHECK(report.present)) return;
  CHECK_EQ(report.source, std::wstring(kErrorSource));
  CHECK_EQ(report.description, std::wstring(expected.description));
  CHECK(IsEqualGUID(report.guid, IID__clsOutputDriver));
}
