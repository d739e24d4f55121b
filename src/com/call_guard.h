#pragma once

#include <string_view>

#include "com/com_api.h"

namespace tarvolk::com {

// Where every failure leaves the component: the HRESULT a caller sees and the
// error info (source, description, interface) it can read with GetErrorInfo.
// Never throws.
HRESULT ReportError(HRESULT result, std::u16string_view description) noexcept;

// Must be called inside a catch block: turns the exception being handled into
// its HRESULT (AutomationError n -> 0x800A0000 + n) and reports it.
HRESULT ReportCurrentException() noexcept;

// Runs a method body so that no exception crosses the COM boundary: S_OK
// when it returns, the reported failure when it throws.
template <typename Body>
HRESULT GuardedCall(Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return ReportCurrentException();
  }
}

}  // namespace tarvolk::com
