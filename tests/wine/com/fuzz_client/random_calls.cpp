#include "random_calls.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

const std::array<const wchar_t*, 14> kTexts{L"",
                                            L"3",
                                            L" 4 ",
                                            L"255",
                                            L"256",
                                            L"-1",
                                            L"2,5",
                                            L"abc",
                                            L"1e2147483647",
                                            L"&HFFFF",
                                            L"Init",
                                            L"TestHost",
                                            L"Tarvolk_DMX.out.dll",
                                            L"Sub\\Tarvolk_DMX.out.dll"};

// Characters that matter to numbers, registry key names and UTF-16.
const std::array<wchar_t, 12> kCharacters{L'0',  L'7',  L'.', L'e',   L'-',   L' ',
                                          L'\\', L'\0', L'a', 0x00FC, 0xD800, 0xFFFF};

const std::array<LONG, 14> kLongs{0,   1,   -1,  5,   10,  254,      255,
                                  256, 512, 513, 600, 254, LONG_MIN, LONG_MAX};

const std::array<double, 10> kDoubles{0.0,
                                      2.5,
                                      254.6,
                                      -0.4,
                                      1e308,
                                      -1e308,
                                      513.0,
                                      std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::quiet_NaN(),
                                      4294967296.0};

BSTR Repeated(wchar_t c, std::size_t length) {
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (text != nullptr) std::fill(text, text + length, c);
  return text;
}

}  // namespace

BSTR RandomText(Random& random) {
  switch (random.Below(8)) {
    case 0:
      return nullptr;
    case 1:
      return SysAllocString(random.Pick(kTexts));
    case 2:  // a level of a registry key name at and beyond its limit
      return Repeated(L'n', 254 + random.Below(4));
    case 3:
      return random.OneIn(50) ? Repeated(L'm', 1u << 20) : Repeated(L'x', random.Below(40000));
    default: {
      std::wstring text(random.Below(300), L'\0');
      for (wchar_t& c : text)
        c = random.OneIn(4) ? random.Pick(kCharacters)
                            : static_cast<wchar_t>(L'0' + random.Below(75));
      return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
  }
}

Arguments::Arguments(Random& random, IDispatch* self, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    bool owned = false;
    values_.push_back(Make(random, self, owned));
    owned_.push_back(owned);
  }
}

Arguments::~Arguments() {
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (owned_[i]) VariantClear(&values_[i]);
  }
  for (BSTR text : texts_) SysFreeString(text);
  for (VARIANT& inner : variants_) VariantClear(&inner);
}

VARIANT Arguments::MakeArray(Random& random) {
  VARIANT v;
  VariantInit(&v);
  const bool texts = random.OneIn(2);
  const ULONG length = random.Below(4);
  SAFEARRAY* array = SafeArrayCreateVector(texts ? VT_BSTR : VT_I4, 0, length);
  for (LONG i = 0; array != nullptr && i < static_cast<LONG>(length); ++i) {
    if (texts) {
      BSTR text = RandomText(random);
      SafeArrayPutElement(array, &i, text);
      SysFreeString(text);
    } else {
      LONG value = random.Pick(kLongs);
      SafeArrayPutElement(array, &i, &value);
    }
  }
  V_VT(&v) = static_cast<VARTYPE>(VT_ARRAY | (texts ? VT_BSTR : VT_I4));
  V_ARRAY(&v) = array;
  return v;
}

VARIANT Arguments::MakeValue(Random& random, IDispatch* self) {
  VARIANT v;
  VariantInit(&v);
  switch (random.Below(12)) {
    case 0:
      break;  // VT_EMPTY
    case 1:
      V_VT(&v) = VT_NULL;
      break;
    case 2:
    case 3:
      V_VT(&v) = VT_I4;
      V_I4(&v) = random.OneIn(3) ? static_cast<LONG>(random.Next()) : random.Pick(kLongs);
      break;
    case 4:
      V_VT(&v) = VT_I2;
      V_I2(&v) = static_cast<SHORT>(random.Pick(kLongs));
      break;
    case 5:
      V_VT(&v) = VT_R8;
      V_R8(&v) = random.Pick(kDoubles);
      break;
    case 6:
    case 7:
      V_VT(&v) = VT_BSTR;
      V_BSTR(&v) = RandomText(random);
      break;
    case 8:
      V_VT(&v) = VT_BOOL;
      V_BOOL(&v) = random.OneIn(2) ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case 9:  // a missing optional argument, or another number type
      if (random.OneIn(2)) {
        V_VT(&v) = VT_ERROR;
        V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
      } else {
        V_VT(&v) = random.Pick(std::array<VARTYPE, 5>{VT_UI1, VT_I8, VT_CY, VT_DATE, VT_UI4});
        V_I8(&v) = static_cast<LONGLONG>(random.Next()) << random.Below(32);
      }
      break;
    case 10:
      V_VT(&v) = random.OneIn(2) ? VT_DISPATCH : VT_UNKNOWN;
      V_DISPATCH(&v) = random.OneIn(2) ? self : nullptr;
      if (V_DISPATCH(&v) != nullptr) self->AddRef();
      break;
    default:
      v = MakeArray(random);
      break;
  }
  return v;
}

VARIANT Arguments::Make(Random& random, IDispatch* self, bool& owned) {
  VARIANT v;
  VariantInit(&v);
  owned = false;
  switch (random.Below(10)) {
    case 0:
      longs_.push_back(random.Pick(kLongs));
      longsBefore_.emplace_back(&longs_.back(), longs_.back());
      V_VT(&v) = VT_BYREF | VT_I4;
      V_I4REF(&v) = &longs_.back();
      break;
    case 1:
      texts_.push_back(RandomText(random));
      textsBefore_.emplace_back(&texts_.back(), texts_.back());
      V_VT(&v) = VT_BYREF | VT_BSTR;
      V_BSTRREF(&v) = &texts_.back();
      break;
    case 2:
      variants_.push_back(MakeValue(random, self));
      V_VT(&v) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&v) = &variants_.back();
      break;
    case 3:  // any VARTYPE at all with zero data; a reference points at zeros
      V_VT(&v) = static_cast<VARTYPE>(random.Next());
      if ((V_VT(&v) & VT_BYREF) != 0) {
        scratch_.emplace_back();
        V_BYREF(&v) = scratch_.back().data();
      }
      break;
    default:
      v = MakeValue(random, self);
      owned = true;
      break;
  }
  return v;
}

std::string Arguments::Describe() const {
  std::string text;
  char item[16];
  for (const VARIANT& v : values_) {
    std::snprintf(item, sizeof item, " vt 0x%x", static_cast<unsigned>(V_VT(&v)));
    text += item;
  }
  return text.empty() ? " no arguments" : text;
}

bool Arguments::ReferencesUnchanged() const {
  for (const auto& [target, before] : longsBefore_) {
    if (*target != before) return false;
  }
  for (const auto& [target, before] : textsBefore_) {
    if (*target != before) return false;
  }
  return true;
}
