// Random IDispatch calls on the driver: any dispatch ID, flags, argument
// count and types, named arguments and missing pointers. Whatever comes, the
// process lives and every result is one a client can act on: S_OK, a
// DISP_E_* code, E_POINTER, E_INVALIDARG, or an automation error
// (0x800A0000 + n) with error info; a DISP_E_EXCEPTION carries such an
// error in its EXCEPINFO. Configure is left out: its modal window would wait
// for a user.
#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "check.h"
#include "dispatch_call.h"
#include "driver_methods.h"
#include "fuzz_client.h"
#include "random_calls.h"

namespace {

constexpr DISPID kConfigureId = 0x60030004;
constexpr int kFailureLimit = 20;  // a broken build fails the same way thousands of times

bool IsDispatchError(HRESULT status) {
  return status >= DISP_E_UNKNOWNINTERFACE && status <= static_cast<HRESULT>(0x80020013);
}

bool IsAutomationError(HRESULT status) {
  return (static_cast<unsigned long>(status) & 0xFFFF0000ul) == 0x800A0000ul;
}

// A result the class may give through its dispatch interface.
bool IsAllowed(HRESULT status) {
  return status == S_OK || IsDispatchError(status) || status == E_POINTER ||
         status == E_INVALIDARG || IsAutomationError(status);
}

bool HasErrorInfo() {
  IErrorInfo* info = nullptr;
  const bool present = GetErrorInfo(0, &info) == S_OK && info != nullptr;
  if (info != nullptr) info->Release();
  return present;
}

ComPtr<IDispatch> NewDispatch() {
  ComPtr<_clsOutputDriver> driver = CreateDriver();
  ComPtr<IDispatch> dispatch;
  if (driver) CHECK_EQ(driver.As(&dispatch), S_OK);
  return dispatch;
}

class DispatchFuzzer {
 public:
  explicit DispatchFuzzer(std::uint32_t seed) : random_(seed), dispatch_(NewDispatch()) {}

  void Call(long index) {
    index_ = index;
    SetErrorInfo(0, nullptr);
    if (random_.OneIn(500)) dispatch_ = NewDispatch();  // objects come and go; the engine stays
    if (!dispatch_) return;
    const std::uint32_t kind = random_.Below(20);
    if (kind < 16) {
      Invoke();
    } else if (kind < 19) {
      GetIDsOfNames();
    } else {
      GetTypeInfo();
    }
  }

  void Report(long calls) const {
    CHECK_EQ(failures_, 0);
    std::printf("%ld calls: %ld Invoke, %ld GetIDsOfNames, %ld type info; results:", calls,
                invokes_, lookups_, calls - invokes_ - lookups_);
    for (const auto& [status, count] : results_) {
      std::printf(" 0x%08lx x%ld", static_cast<unsigned long>(status), count);
    }
    std::printf("\n");
  }

 private:
  // Every check names the call it is about.
  void Expect(bool holds, const char* what, const std::string& detail = {}) {
    if (holds || ++failures_ > kFailureLimit) return;
    check::Record(false, what, __FILE__, __LINE__,
                  "call " + std::to_string(index_) + ":" + call_ + detail);
  }

  void ExpectResult(HRESULT status) {
    ++results_[status];
    Expect(IsAllowed(status), "a result a client can act on", " -> " + check::Text(status));
    if (IsAutomationError(status)) {
      Expect(HasErrorInfo(), "an automation error comes with error info");
    }
  }

  DISPID RandomId() {
    static constexpr std::array<DISPID, 8> kSpecial{
        DISPID_VALUE, DISPID_UNKNOWN, DISPID_PROPERTYPUT, DISPID_NEWENUM, DISPID_EVALUATE, 1,
        0x60020000,   0x60030007};
    for (;;) {
      DISPID id = 0;
      switch (random_.Below(6)) {
        case 0:
        case 1:
        case 2:
          id = kMethods[random_.Below(kMethods.size())].id;
          break;
        case 3:
          id = kMethods[0].id + static_cast<DISPID>(random_.Below(16)) - 4;
          break;
        case 4:
          id = random_.Pick(kSpecial);
          break;
        default:
          id = static_cast<DISPID>(random_.Next());
          break;
      }
      if (id != kConfigureId) return id;
    }
  }

  WORD RandomFlags() {
    switch (random_.Below(4)) {
      case 0:
      case 1:
        return DISPATCH_METHOD;
      case 2:
        return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
      default:
        return static_cast<WORD>(random_.Next());
    }
  }

  // Mostly as many arguments as the method takes, so that calls get through.
  std::size_t RandomCount(DISPID id) {
    for (const MethodShape& method : kMethods) {
      if (method.id == id && random_.Below(3) != 0) {
        return static_cast<std::size_t>(method.parameterCount);
      }
    }
    return random_.OneIn(8) ? random_.Below(9) : random_.Below(3);
  }

  void Invoke() {
    const DISPID id = RandomId();
    const WORD flags = RandomFlags();
    const IID& iid = random_.OneIn(20) ? IID_IDispatch : IID_NULL;
    const LCID locale = random_.Pick(std::array<LCID, 4>{0, 0x0409, 0x0407, random_.Next()});
    Arguments arguments(random_, dispatch_.Get(), RandomCount(id));
    std::vector<DISPID> named;
    const std::size_t namedCount =
        random_.OneIn(6) ? random_.Below(static_cast<std::uint32_t>(arguments.Count() + 1)) : 0;
    for (std::size_t i = 0; i < namedCount; ++i) {
      named.push_back(random_.OneIn(2)   ? DISPID_PROPERTYPUT
                      : random_.OneIn(2) ? static_cast<DISPID>(random_.Below(3))
                                         : static_cast<DISPID>(random_.Next()));
    }
    DISPPARAMS params{arguments.Data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(arguments.Count()), static_cast<UINT>(named.size())};
    // Counts the arrays do not back up: the component must refuse them unread.
    if (random_.OneIn(30)) params.rgvarg = nullptr;
    if (random_.OneIn(30)) params.rgdispidNamedArgs = nullptr;
    if (random_.OneIn(30)) params.cNamedArgs = params.cArgs + 1 + random_.Below(3);
    if (params.cNamedArgs > named.size()) params.rgdispidNamedArgs = nullptr;

    Variant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const bool withResult = !random_.OneIn(5);
    const bool withException = !random_.OneIn(5);
    const bool withArgumentError = !random_.OneIn(5);
    const bool withParams = !random_.OneIn(30);
    char head[128];
    std::snprintf(head, sizeof head, " Invoke(0x%lx, flags 0x%x, %u args, %u named%s%s%s%s%s)",
                  static_cast<unsigned long>(id), flags, params.cArgs, params.cNamedArgs,
                  iid == IID_NULL ? "" : ", IID_IDispatch", withParams ? "" : ", no params",
                  withResult ? "" : ", no result", withException ? "" : ", no excepinfo",
                  withArgumentError ? "" : ", no argerr");
    call_ = head + arguments.Describe();
    const HRESULT status = dispatch_->Invoke(
        id, iid, locale, flags, withParams ? &params : nullptr, withResult ? result.Get() : nullptr,
        withException ? &exception : nullptr, withArgumentError ? &argumentError : nullptr);

    ExpectResult(status);
    if (status == DISP_E_EXCEPTION && withException) {
      Expect(IsAutomationError(exception.scode), "the exception is an automation error",
             " scode " + check::Text(exception.scode));
      Expect(exception.bstrDescription != nullptr && SysStringLen(exception.bstrDescription) > 0,
             "the exception is described");
    }
    if (status == S_OK && withResult) {
      const VARTYPE type = V_VT(result.Get());
      Expect(type == VT_BOOL || type == VT_BSTR || type == VT_EMPTY, "a boolean or text result",
             " result vt " + std::to_string(type));
    }
    Expect(arguments.ReferencesUnchanged(), "nothing is written back through a reference");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    ++invokes_;
  }

  void GetIDsOfNames() {
    static constexpr std::array<const wchar_t*, 8> kOtherNames{
        L"setchannel", L"channel", L"value",   L"CallingAppTitle",
        L"MyFilename", L"",        L"Nothing", L"Configure"};
    std::vector<BSTR> owned;
    std::vector<LPOLESTR> names;
    const std::size_t count = random_.Below(5);
    for (std::size_t i = 0; i < count; ++i) {
      switch (random_.Below(3)) {
        case 0:
          names.push_back(const_cast<LPOLESTR>(kMethods[random_.Below(kMethods.size())].name));
          break;
        case 1:
          names.push_back(const_cast<LPOLESTR>(random_.Pick(kOtherNames)));
          break;
        default:
          owned.push_back(RandomText(random_));  // now and then NULL
          names.push_back(owned.back());
          break;
      }
    }
    std::vector<DISPID> ids(count + 1, 0);
    const IID& iid = random_.OneIn(20) ? IID_IDispatch : IID_NULL;
    names.push_back(nullptr);  // room behind the names, so that no count leaves the array NULL
    LPOLESTR* nameArray = random_.OneIn(15) ? nullptr : names.data();
    DISPID* idArray = random_.OneIn(15) ? nullptr : ids.data();
    call_ = " GetIDsOfNames(" + std::to_string(count) + " names" + (nameArray ? "" : ", no names") +
            (idArray ? "" : ", no ids") + ")";
    const HRESULT status =
        dispatch_->GetIDsOfNames(iid, nameArray, static_cast<UINT>(count), 0x0409, idArray);
    ExpectResult(status);
    if (status == S_OK) {
      bool known = false;
      for (const MethodShape& method : kMethods) known = known || ids[0] == method.id;
      Expect(known, "a name resolves to one of the seven methods");
    }
    for (BSTR text : owned) SysFreeString(text);
    ++lookups_;
  }

  void GetTypeInfo() {
    if (random_.OneIn(2)) {
      UINT count = 0;
      const bool withCount = !random_.OneIn(4);
      call_ = withCount ? " GetTypeInfoCount" : " GetTypeInfoCount(NULL)";
      const HRESULT status = dispatch_->GetTypeInfoCount(withCount ? &count : nullptr);
      ExpectResult(status);
      Expect(status != S_OK || count == 1, "one type info");
      return;
    }
    ITypeInfo* info = nullptr;
    const UINT which = random_.OneIn(2) ? 0 : random_.Next();
    const bool withInfo = !random_.OneIn(4);
    call_ = " GetTypeInfo(" + std::to_string(which) + (withInfo ? ")" : ", NULL)");
    const HRESULT status =
        dispatch_->GetTypeInfo(which, random_.Next(), withInfo ? &info : nullptr);
    ExpectResult(status);
    if (info != nullptr) info->Release();
  }

 public:
  // What a crash report names: the call under way.
  const std::string& CurrentCall() const { return call_; }
  long CurrentIndex() const { return index_; }

 private:
  Random random_;
  long invokes_ = 0;
  long lookups_ = 0;
  int failures_ = 0;
  long index_ = 0;
  std::string call_;
  std::map<HRESULT, long> results_;
  ComPtr<IDispatch> dispatch_;
};

const DispatchFuzzer* running = nullptr;

// A crash ends the process, but first it says which call caused it.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
  if (running != nullptr) {
    std::printf("CRASH (exception 0x%08lx) in call %ld:%s\n",
                static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
                running->CurrentIndex(), running->CurrentCall().c_str());
    std::fflush(stdout);
  }
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void FuzzDispatch(std::uint32_t seed, long calls) {
  check::Group("random dispatch calls, seed " + std::to_string(seed));
  DispatchFuzzer fuzzer(seed);
  running = &fuzzer;
  SetUnhandledExceptionFilter(ReportCrash);
  for (long index = 0; index < calls; ++index) fuzzer.Call(index);
  fuzzer.Report(calls);
  running = nullptr;
}
