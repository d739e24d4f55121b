#include "output_driver.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace tarvolk::bench {
namespace {

void Check(HRESULT result, const char* step) {
  if (SUCCEEDED(result)) return;
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (HRESULT 0x%08lX)", step,
                static_cast<unsigned long>(result));
  throw std::runtime_error(text);
}

struct DialogInput {
  int channels;
  bool done = false;
};

// Waits for the dialog, types the count into its text box and closes it with
// its close box, as a user would. The dialog runs its own modal loop on the
// host's thread, which handles these messages.
DWORD WINAPI FillInDialog(void* parameter) {
  auto& input = *static_cast<DialogInput*>(parameter);
  const std::wstring count = std::to_wstring(input.channels);
  for (int tries = 0; tries < 500; ++tries, Sleep(20)) {
    HWND dialog = FindWindowW(L"TarvolkDmx.frmConfig", nullptr);
    if (dialog == nullptr || !IsWindowVisible(dialog)) continue;
    HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    if (edit == nullptr) continue;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(count.c_str()));
    input.done = PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
    return 0;
  }
  return 0;
}

}  // namespace

OutputDriver::OutputDriver() {
  CLSID classId{};
  Check(CLSIDFromProgID(L"Tarvolk_DMX.clsOutputDriver", &classId), "CLSIDFromProgID");
  Check(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID__clsOutputDriver,
                         reinterpret_cast<void**>(driver_.GetAddressOf())),
        "CoCreateInstance");
}

void OutputDriver::Init(const wchar_t* title, const wchar_t* fileName) {
  BSTR titleText = SysAllocString(title);
  BSTR fileText = SysAllocString(fileName);
  VARIANT_BOOL result = VARIANT_FALSE;
  const HRESULT status = driver_->Init(&titleText, &fileText, &result);
  SysFreeString(titleText);
  SysFreeString(fileText);
  Check(status, "Init");
}

bool OutputDriver::Enable() {
  VARIANT_BOOL result = VARIANT_FALSE;
  Check(driver_->Enable(&result), "Enable");
  return result == VARIANT_TRUE;
}

void OutputDriver::Disable() {
  VARIANT_BOOL result = VARIANT_FALSE;
  Check(driver_->Disable(&result), "Disable");
}

void OutputDriver::Term() {
  VARIANT_BOOL result = VARIANT_FALSE;
  Check(driver_->Term(&result), "Term");
}

void OutputDriver::ConfigureChannelCount(int channels) {
  DialogInput input{channels};
  HANDLE helper = CreateThread(nullptr, 0, FillInDialog, &input, 0, nullptr);
  if (helper == nullptr) throw std::runtime_error("CreateThread failed");
  VARIANT_BOOL result = VARIANT_FALSE;
  const HRESULT status = driver_->Configure(&result);
  WaitForSingleObject(helper, INFINITE);
  CloseHandle(helper);
  Check(status, "Configure");
  if (!input.done) throw std::runtime_error("the configuration dialog did not show");
}

}  // namespace tarvolk::bench
