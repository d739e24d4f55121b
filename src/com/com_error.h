#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "com/com_api.h"

namespace tarvolk::com {

// A failed COM step inside the component, with the German text a client
// reads from the error info.
class ComError : public std::exception {
 public:
  ComError(HRESULT result, std::u16string_view description)
      : result_(result), description_(description) {}

  HRESULT Result() const { return result_; }
  const std::u16string& Description() const { return description_; }
  const char* what() const noexcept override { return "COM failure"; }

 private:
  HRESULT result_;
  std::u16string description_;
};

// Throws ComError for an HRESULT that failed; passes any success through.
inline void ThrowIfFailed(HRESULT result, std::u16string_view description) {
  if (FAILED(result)) throw ComError(result, description);
}

// Throws ComError for the calling thread's last Windows error.
[[noreturn]] inline void ThrowLastError(std::u16string_view description) {
  throw ComError(HRESULT_FROM_WIN32(GetLastError()), description);
}

}  // namespace tarvolk::com
