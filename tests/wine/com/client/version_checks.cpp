// The German version block of the registered DLL, read the way Explorer does.
#include <string>
#include <vector>

#include "check.h"
#include "client_support.h"
#include "groups.h"

namespace {

struct VersionText {
  const wchar_t* name;
  const wchar_t* text;
};

const VersionText kVersionTexts[] = {
    {L"CompanyName", L"Privat"},
    {L"FileVersion", L"1.00.0008"},
    {L"InternalName", L"Tarvolk_DMX.out"},
    {L"OriginalFilename", L"Tarvolk_DMX.out.dll"},
    {L"ProductName", L"Tarvolk DMX Plugin 0,07"},
    {L"ProductVersion", L"1.00.0008"},
    {L"OLESelfRegister", L""},
};

// InprocServer32 of the class, which regsvr32 set to the DLL's full path.
std::wstring RegisteredPath() {
  wchar_t classId[39] = {};
  StringFromGUID2(CLSID_clsOutputDriver, classId, 39);
  const std::wstring key = std::wstring(L"CLSID\\") + classId + L"\\InprocServer32";
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof(path);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return path;
}

std::wstring LoadedPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"Tarvolk_DMX.out.dll"), path, MAX_PATH);
  return path;
}

void CheckFixedPart(const std::vector<BYTE>& block) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (!CHECK(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size))) return;
  CHECK_EQ(fixed->dwSignature, 0xFEEF04BDul);
  CHECK_EQ(fixed->dwFileVersionMS, 0x00010000ul);  // 1.0
  CHECK_EQ(fixed->dwFileVersionLS, 0x00000008ul);  // .0.8
  CHECK_EQ(fixed->dwProductVersionMS, 0x00010000ul);
  CHECK_EQ(fixed->dwProductVersionLS, 0x00000008ul);
  CHECK_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

void CheckTranslation(const std::vector<BYTE>& block) {
  WORD* translation = nullptr;
  UINT size = 0;
  if (!CHECK(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                            reinterpret_cast<void**>(&translation), &size))) {
    return;
  }
  CHECK_EQ(size, 4u);  // exactly one language and code page
  if (size < 4) return;
  CHECK_EQ(translation[0], 0x0407);  // German
  CHECK_EQ(translation[1], 1200);    // Unicode
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

const LPCWSTR kVersionType = MAKEINTRESOURCEW(16);  // RT_VERSION, whatever UNICODE says

// The resource itself carries the block's language, German and nothing else.
void CheckResourceLanguage(HMODULE module) {
  std::vector<WORD> languages;
  EnumResourceLanguagesW(module, kVersionType, MAKEINTRESOURCEW(VS_VERSION_INFO), AddLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  CHECK(languages == std::vector<WORD>{MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)});
  const auto find = [module](WORD language) {
    return FindResourceExW(module, kVersionType, MAKEINTRESOURCEW(VS_VERSION_INFO), language) !=
           nullptr;
  };
  CHECK(find(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)));
  CHECK(!find(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
}

void CheckTexts(const std::vector<BYTE>& block) {
  for (const VersionText& expected : kVersionTexts) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040704B0\\") + expected.name;
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!check::Record(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text),
                                      &length) != FALSE,
                       check::Text(query) + " present", __FILE__, __LINE__)) {
      continue;
    }
    CHECK_EQ(std::wstring(length > 0 && text != nullptr ? text : L""), std::wstring(expected.text));
  }
}

}  // namespace

void VersionChecks() {
  check::Group("version block");
  const std::wstring path = RegisteredPath();
  CHECK(!path.empty());
  CHECK_EQ(CompareStringOrdinal(path.c_str(), -1, LoadedPath().c_str(), -1, TRUE), CSTR_EQUAL);

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (!CHECK(size > 0)) return;
  std::vector<BYTE> block(size);
  if (!CHECK(GetFileVersionInfoW(path.c_str(), 0, size, block.data()))) return;
  CheckFixedPart(block);
  CheckTranslation(block);
  CheckTexts(block);
  CheckResourceLanguage(GetModuleHandleW(L"Tarvolk_DMX.out.dll"));
}
