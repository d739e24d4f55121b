#include "com/call_guard.h"

#include <exception>
#include <new>
#include <string>

#include "com/com_error.h"
#include "com/tarvolk_dmx.h"
#include "engine/automation_error.h"
#include "platform/settings_store.h"
#include "platform/win32/wide_text.h"

namespace tarvolk::com {
namespace {

constexpr std::u16string_view kErrorSource = u"Tarvolk_DMX.clsOutputDriver";
constexpr std::u16string_view kOutOfMemory = u"Nicht genügend Speicher";
constexpr std::u16string_view kInternalError = u"Interner Fehler";
constexpr std::u16string_view kSettingsNotSaved =
    u"Die Einstellungen konnten nicht gespeichert werden";

// Automation errors travel in the control facility, as script hosts expect:
// error number n arrives as Err.Number n.
HRESULT AutomationResult(engine::ErrorNumber number) {
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<int>(number));
}

// The store's refusal arrives with Windows' own reason, in the form COM
// gives such errors.
HRESULT SettingsWriteResult(const platform::SettingsWriteError& error) {
  const HRESULT result = HRESULT_FROM_WIN32(static_cast<DWORD>(error.SystemError()));
  return FAILED(result) ? result : E_FAIL;  // a refusal never reads as success
}

std::u16string SettingsWriteText(const platform::SettingsWriteError& error) {
  const std::string code = std::to_string(error.SystemError());
  return std::u16string(kSettingsNotSaved) + u" (Windows-Fehler " +
         std::u16string(code.begin(), code.end()) + u")";
}

// The text of a standard exception, which the library writes in ASCII.
std::u16string InternalErrorText(const char* what) {
  std::u16string text(kInternalError);
  text += u": ";
  for (const char* c = what; *c != '\0'; ++c) text += static_cast<char16_t>(*c);
  return text;
}

}  // namespace

HRESULT ReportError(HRESULT result, std::u16string_view description) noexcept {
  ICreateErrorInfo* creator = nullptr;
  if (FAILED(CreateErrorInfo(&creator))) return result;
  try {
    const std::wstring source = platform::win32::WideCopy(kErrorSource);
    const std::wstring text = platform::win32::WideCopy(description);
    creator->SetGUID(IID__clsOutputDriver);
    creator->SetSource(const_cast<LPOLESTR>(source.c_str()));
    creator->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
  } catch (const std::bad_alloc&) {
    // The HRESULT still tells the caller what failed.
  }
  creator->Release();
  return result;
}

HRESULT ReportCurrentException() noexcept {
  try {
    throw;
  } catch (const engine::AutomationError& error) {
    return ReportError(AutomationResult(error.Number()), error.Description());
  } catch (const ComError& error) {
    return ReportError(error.Result(), error.Description());
  } catch (const platform::SettingsWriteError& error) {
    try {
      return ReportError(SettingsWriteResult(error), SettingsWriteText(error));
    } catch (...) {
      return ReportError(SettingsWriteResult(error), kSettingsNotSaved);
    }
  } catch (const std::bad_alloc&) {
    return ReportError(E_OUTOFMEMORY, kOutOfMemory);
  } catch (const std::exception& error) {
    try {
      return ReportError(E_FAIL, InternalErrorText(error.what()));
    } catch (...) {
      return ReportError(E_FAIL, kInternalError);
    }
  } catch (...) {
    return ReportError(E_FAIL, kInternalError);
  }
}

}  // namespace tarvolk::com
