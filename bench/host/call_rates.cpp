#include "call_rates.h"

#include <cstdio>
#include <functional>
#include <stdexcept>

#include "unix_time.h"

namespace tarvolk::bench {
namespace {

constexpr LONG kChannels = 254;
constexpr int kBatch = 1000;

double CallsPerSecond(MessageLoop& loop, double seconds,
                      const std::function<bool(LONG, LONG)>& call) {
  const long long start = demo_host::UnixMicroseconds();
  const long long end = start + static_cast<long long>(seconds * 1e6);
  long long calls = 0;
  long long now = start;
  for (; now < end; now = demo_host::UnixMicroseconds()) {
    for (int i = 0; i < kBatch; ++i, ++calls) {
      if (!call(static_cast<LONG>(1 + calls % kChannels), static_cast<LONG>(calls & 0xFF))) {
        throw std::runtime_error("SetChannel failed while measuring");
      }
    }
    loop.RunPending();
  }
  return static_cast<double>(calls) / (static_cast<double>(now - start) / 1e6);
}

bool InvokeSetChannel(IDispatch* dispatch, DISPID id, LONG channel, LONG value, bool byReference) {
  VARIANTARG arguments[2];  // last argument first
  if (byReference) {
    arguments[0].vt = VT_I4 | VT_BYREF;
    arguments[0].plVal = &value;
    arguments[1].vt = VT_I4 | VT_BYREF;
    arguments[1].plVal = &channel;
  } else {
    arguments[0].vt = VT_I4;
    arguments[0].lVal = value;
    arguments[1].vt = VT_I4;
    arguments[1].lVal = channel;
  }
  DISPPARAMS parameters{arguments, nullptr, 2, 0};
  VARIANT result;
  VariantInit(&result);
  const HRESULT status = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                          &parameters, &result, nullptr, nullptr);
  return SUCCEEDED(status) && result.vt == VT_BOOL && result.boolVal == VARIANT_TRUE;
}

}  // namespace

void MeasureCallRates(OutputDriver& driver, MessageLoop& loop, double seconds) {
  _clsOutputDriver* slots = driver.Slots();
  IDispatch* dispatch = slots;  // the dual interface is its own IDispatch
  DISPID id = 0;
  auto* name = const_cast<LPOLESTR>(L"SetChannel");
  if (FAILED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) {
    throw std::runtime_error("GetIDsOfNames(SetChannel) failed");
  }
  std::printf("calls_per_s vtable %.0f\n", CallsPerSecond(loop, seconds, [&](LONG c, LONG v) {
                return driver.SetChannel(c, v);
              }));
  std::printf("calls_per_s dispatch_by_value %.0f\n",
              CallsPerSecond(loop, seconds, [&](LONG c, LONG v) {
                return InvokeSetChannel(dispatch, id, c, v, false);
              }));
  std::printf("calls_per_s dispatch_by_reference %.0f\n",
              CallsPerSecond(loop, seconds, [&](LONG c, LONG v) {
                return InvokeSetChannel(dispatch, id, c, v, true);
              }));
}

}  // namespace tarvolk::bench
