#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarvolk::fuzz {

// Each input byte is one UTF-16 code unit: every ASCII text can be spelt,
// and anything above ASCII is refused by the reader alike.
inline std::u16string TextOf(const std::uint8_t* data, std::size_t size) {
  return std::u16string(data, data + size);
}

// Ends the run when an invariant does not hold; libFuzzer keeps the input.
inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

}  // namespace tarvolk::fuzz
