#pragma once

// What every group of the COM client shares: owned BSTRs, creating the driver
// the way a host does, reading error info, and the expected failures.
#include <windows.h>
// windows.h must come first.
#include <oleauto.h>
#include <wrl/client.h>

#include <string>

#include "com/tarvolk_dmx.h"

using Microsoft::WRL::ComPtr;

// A BSTR the test owns; a default one is NULL.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : text_(SysAllocString(text)) {}
  // Every character, also any NUL inside.
  explicit Bstr(const std::wstring& text)
      : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return text_; }
  BSTR* Out();  // frees the current text first
  std::wstring Text() const;

 private:
  BSTR text_ = nullptr;
};

// CLSIDFromProgID("Tarvolk_DMX.clsOutputDriver") and CoCreateInstance, as a
// host does; records a failed check and returns null when that fails.
ComPtr<_clsOutputDriver> CreateDriver();

// Init(host, file) through the interface slot, checked to succeed.
void InitDriver(_clsOutputDriver* driver, const wchar_t* host, const wchar_t* file);

// The calling thread's error info, taken (and so cleared) with GetErrorInfo.
struct ErrorReport {
  bool present = false;
  std::wstring source;
  std::wstring description;
  GUID guid{};
};
ErrorReport TakeErrorInfo();

// An automation failure as the component reports it.
struct ExpectedFailure {
  HRESULT result;
  const wchar_t* description;
};
inline constexpr ExpectedFailure kOverflow{static_cast<HRESULT>(0x800A0006), L"Überlauf"};
inline constexpr ExpectedFailure kBounds{static_cast<HRESULT>(0x800A0009),
                                         L"Index außerhalb des gültigen Bereichs"};
inline constexpr ExpectedFailure kConversion{static_cast<HRESULT>(0x800A000D),
                                             L"Typen unverträglich"};
inline constexpr wchar_t kErrorSource[] = L"Tarvolk_DMX.clsOutputDriver";
inline constexpr wchar_t kPluginName[] = L"Tarvolk DMX Plugin";

// Checks that the last call on the vtable reported this failure with error
// info naming the component and its interface.
void CheckReportedFailure(HRESULT actual, const ExpectedFailure& expected);
