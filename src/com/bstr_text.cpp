#include "com/bstr_text.h"

#include <new>

namespace tarvolk::com {

static_assert(sizeof(OLECHAR) == sizeof(char16_t));

std::u16string TextFromBstr(BSTR text) {
  if (text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR NewBstr(std::u16string_view text) {
  BSTR result = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()));
  if (result == nullptr) throw std::bad_alloc();
  return result;
}

}  // namespace tarvolk::com
