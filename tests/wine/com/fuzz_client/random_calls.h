#pragma once

// Random material for dispatch calls: a seeded generator and the arguments of
// one Invoke with everything they point to.
#include <array>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "client_support.h"

// The same seed names the same calls in every build and on every machine.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  std::uint32_t Next() { return static_cast<std::uint32_t>(engine_()); }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }
  bool OneIn(std::uint32_t n) { return Below(n) == 0; }
  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& choices) {
    return choices[Below(static_cast<std::uint32_t>(N))];
  }

 private:
  std::mt19937 engine_;
};

// Texts a host might pass, and texts no host should: empty, NULL, numbers,
// names at and beyond the registry's limits, NULs, backslashes, surrogates,
// now and then a megabyte.
BSTR RandomText(Random& random);

// The arguments of one Invoke (in Invoke's reversed order), owning every
// text, array and by-reference target. Types range over the usual ones,
// arrays, references, interfaces and any 16-bit VARTYPE at all; a reference
// never holds a NULL pointer (oleaut32 dereferences those unchecked).
class Arguments {
 public:
  Arguments(Random& random, IDispatch* self, std::size_t count);
  ~Arguments();
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  VARIANT* Data() { return values_.empty() ? nullptr : values_.data(); }
  std::size_t Count() const { return values_.size(); }
  // "vt 0x4003 vt 0x8 ...", for a failure message.
  std::string Describe() const;
  // Whether every by-reference target still holds what it held before the call.
  bool ReferencesUnchanged() const;

 private:
  // One argument; owned tells whether clearing it frees what it holds.
  VARIANT Make(Random& random, IDispatch* self, bool& owned);
  // A plain value that owns what it holds.
  VARIANT MakeValue(Random& random, IDispatch* self);
  VARIANT MakeArray(Random& random);

  std::vector<VARIANT> values_;
  std::vector<bool> owned_;  // whether values_[i] is cleared on destruction
  std::deque<LONG> longs_;
  std::deque<BSTR> texts_;
  std::deque<VARIANT> variants_;
  std::deque<std::array<std::uint64_t, 4>> scratch_;  // zeroed, for any other reference
  std::vector<std::pair<const LONG*, LONG>> longsBefore_;
  std::vector<std::pair<const BSTR*, BSTR>> textsBefore_;
};
