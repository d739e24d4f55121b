// Init and Term against the per-user settings: Init loads the stored port
// (failing on a bad text), Term writes the port back under the names Init kept.
#include <optional>
#include <string>

#include "check.h"
#include "client_support.h"
#include "dispatch_call.h"
#include "driver_methods.h"
#include "groups.h"
#include "stored_port.h"

namespace {

constexpr wchar_t kHost[] = L"TestHost";
constexpr wchar_t kPlaceholder[] = L"before Term";

struct LoadCase {
  const wchar_t* stored;           // nullptr: no value yet
  const ExpectedFailure* failure;  // null: Init succeeds
  const wchar_t* termStores;       // the port Term writes back afterwards
};

// In order, on one object: a failed load leaves the port as it was.
const LoadCase kLoadCases[] = {
    {nullptr, nullptr, L"1"},  // first run: port 1
    {L"4", nullptr, L"4"},
    {L"abc", &kConversion, L"4"},
    {L"256", &kOverflow, L"4"},
    {L"", &kConversion, L"4"},
    {L"255", nullptr, L"255"},
    {L"0", nullptr, L"0"},
    {L"1e2147483647", &kOverflow, L"0"},  // an exponent at the limit of a Windows long
};

std::wstring Stored(const std::wstring& host) { return ReadStoredPort(host).value_or(L"(absent)"); }

// Term, with the stored value first replaced so that its write is seen.
void CheckTermStores(_clsOutputDriver* driver, const wchar_t* expected) {
  WriteStoredPort(kHost, kPlaceholder);
  VARIANT_BOOL result = VARIANT_TRUE;
  CHECK_EQ(driver->Term(&result), S_OK);
  CHECK_EQ(result, VARIANT_FALSE);
  CHECK_EQ(Stored(kHost), std::wstring(expected));
}

void CheckLoadCases(_clsOutputDriver* driver) {
  for (const LoadCase& c : kLoadCases) {
    WriteStoredPort(kHost, c.stored);
    Bstr host(kHost);
    Bstr file(kPluginFile);
    BSTR hostValue = host.Get();
    BSTR fileValue = file.Get();
    VARIANT_BOOL result = VARIANT_TRUE;
    const HRESULT status = driver->Init(&hostValue, &fileValue, &result);
    if (c.failure != nullptr) {
      CheckReportedFailure(status, *c.failure);
    } else {
      CHECK_EQ(status, S_OK);
    }
    CHECK_EQ(result, VARIANT_FALSE);
    CHECK(hostValue == host.Get());  // the caller's texts stay its own
    CHECK_EQ(host.Text(), std::wstring(kHost));
    CheckTermStores(driver, c.termStores);
  }
}

// A NULL BSTR is the empty text: no host name, so nothing is read and the
// default port 1 is loaded into the thread's shared state.
void CheckNullTexts(_clsOutputDriver* driver) {
  ComPtr<_clsOutputDriver> other = CreateDriver();
  if (!other) return;
  WriteStoredPort(kHost, L"4");
  BSTR none = nullptr;
  VARIANT_BOOL result = VARIANT_TRUE;
  CHECK_EQ(other->Init(&none, &none, &result), S_OK);
  CHECK_EQ(result, VARIANT_FALSE);
  CheckTermStores(driver, L"1");
}

void CheckThroughDispatch(_clsOutputDriver* driver) {
  ComPtr<IDispatch> dispatch;
  if (!CHECK_EQ(
          driver->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf())),
          S_OK)) {
    return;
  }
  Bstr host(kHost);
  Bstr file(kPluginFile);
  BSTR hostValue = host.Get();
  BSTR fileValue = file.Get();

  WriteStoredPort(kHost, L"3");
  DispatchResult loaded;
  InvokeMethod(dispatch.Get(), IdOfName(dispatch.Get(), L"Init"),
               {TextReference(&hostValue), TextReference(&fileValue)}, loaded);
  CHECK_EQ(loaded.status, S_OK);
  CHECK_EQ((*loaded.result).vt, VT_BOOL);
  CHECK_EQ((*loaded.result).boolVal, VARIANT_FALSE);
  CHECK(hostValue == host.Get());

  WriteStoredPort(kHost, L"abc");
  DispatchResult refused;
  InvokeMethod(dispatch.Get(), kInitId, {TextValue(host.Get()), TextValue(file.Get())}, refused);
  CHECK_EQ(refused.status, DISP_E_EXCEPTION);
  CHECK_EQ(refused.exception.scode, kConversion.result);
  CHECK_EQ(
      std::wstring(refused.exception.bstrDescription ? refused.exception.bstrDescription : L""),
      std::wstring(kConversion.description));

  WriteStoredPort(kHost, kPlaceholder);
  DispatchResult term;
  InvokeMethod(dispatch.Get(), kTermId, {}, term);
  CHECK_EQ(term.status, S_OK);
  CHECK_EQ((*term.result).boolVal, VARIANT_FALSE);
  CHECK_EQ(Stored(kHost), std::wstring(L"3"));
}

struct Names {
  std::wstring host;
  std::wstring file;
};

// Init and then Term on the object with these names; both report false.
HRESULT InitWith(_clsOutputDriver* driver, const Names& names) {
  Bstr host(names.host);
  Bstr file(names.file);
  BSTR hostValue = host.Get();
  BSTR fileValue = file.Get();
  VARIANT_BOOL result = VARIANT_TRUE;
  const HRESULT status = driver->Init(&hostValue, &fileValue, &result);
  CHECK_EQ(result, VARIANT_FALSE);
  return status;
}

HRESULT Term(_clsOutputDriver* driver) {
  VARIANT_BOOL result = VARIANT_TRUE;
  const HRESULT status = driver->Term(&result);
  CHECK_EQ(result, VARIANT_FALSE);
  return status;
}

// Names no registry key can carry address nothing: Init reads nothing (the
// thread's port becomes 1), Term writes nothing and still succeeds. Where the
// registry API itself would cut the name short (at a NUL, or a trailing
// backslash under Wine) it reaches kHost's value, here "4"; elsewhere the
// names' own key must stay empty.
void CheckNamesThatNameNoKey(_clsOutputDriver* driver) {
  const std::wstring nul(1, L'\0');
  std::wstring deep;  // every level fits, the whole path does not
  for (int level = 0; level < 130; ++level) deep += std::wstring(255, L'd') + L"\\";
  deep += kPluginFile;
  const struct {
    Names names;
    bool readsAsKHost;
  } cases[] = {
      {{std::wstring(32767, L'h'), kPluginFile}, false},
      {{std::wstring(256, L'h'), kPluginFile}, false},
      {{kHost + nul + L"x", kPluginFile}, true},
      {{L"", kPluginFile}, false},
      {{kHost, std::wstring(256, L'f')}, false},
      {{kHost, kPluginFile + nul + L"x"}, true},
      {{kHost, L""}, false},
      {{kHost, L"Sub\\\\Tarvolk_DMX.out.dll"}, false},
      {{kHost, std::wstring(kPluginFile) + L"\\"}, true},
      {{kHost, deep}, false},
  };
  ComPtr<_clsOutputDriver> other = CreateDriver();
  if (!other) return;
  for (const auto& [names, readsAsKHost] : cases) {
    WriteStoredPort(kHost, L"4");
    CHECK_EQ(InitWith(other.Get(), names), S_OK);
    CHECK_EQ(Term(other.Get()), S_OK);
    CHECK_EQ(Stored(kHost), std::wstring(L"4"));
    if (!readsAsKHost) CHECK(!ReadStoredPort(names.host, names.file));
    CheckTermStores(driver, L"1");
  }
}

// Names at the limits still address their own key, a backslash in the file
// name making deeper levels.
void CheckNamesAtTheLimits(_clsOutputDriver* driver) {
  const Names cases[] = {
      {std::wstring(255, L'h'), kPluginFile},
      {kHost, std::wstring(255, L'f')},
      {kHost, L"Sub\\Tarvolk_DMX.out.dll"},
  };
  ComPtr<_clsOutputDriver> other = CreateDriver();
  if (!other) return;
  for (const Names& names : cases) {
    WriteStoredPort(names.host, L"5", names.file);
    CHECK_EQ(InitWith(other.Get(), names), S_OK);
    CheckTermStores(driver, L"5");
    WriteStoredPort(names.host, kPlaceholder, names.file);
    CHECK_EQ(Term(other.Get()), S_OK);
    CHECK_EQ(ReadStoredPort(names.host, names.file).value_or(L"(absent)"), std::wstring(L"5"));
  }
}

// A key the registry refuses for a reason of its own (here: no lasting key
// under a volatile one) fails Term with Windows' reason, in German.
void CheckRefusedWrite() {
  constexpr wchar_t kVolatileHost[] = L"VolatileHost";
  MakeVolatileHostKey(kVolatileHost);
  ComPtr<_clsOutputDriver> other = CreateDriver();
  if (!other) return;
  CHECK_EQ(InitWith(other.Get(), {kVolatileHost, kPluginFile}), S_OK);
  CheckReportedFailure(
      Term(other.Get()),
      {HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE),
       L"Die Einstellungen konnten nicht gespeichert werden (Windows-Fehler 1021)"});
}

}  // namespace

void SettingsChecks() {
  check::Group("Init and Term with the stored port");
  ComPtr<_clsOutputDriver> driver = CreateDriver();
  if (!driver) return;
  CheckLoadCases(driver.Get());
  CheckNullTexts(driver.Get());
  CheckThroughDispatch(driver.Get());
  CheckNamesThatNameNoKey(driver.Get());
  CheckNamesAtTheLimits(driver.Get());
  CheckRefusedWrite();
}
