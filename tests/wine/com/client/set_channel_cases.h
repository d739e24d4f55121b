#pragma once

#include <climits>

#include "client_support.h"

// SetChannel's edge cases, run through the vtable and through dispatch alike.
struct SetChannelCase {
  LONG channel;
  LONG value;
  VARIANT_BOOL result;
  const ExpectedFailure* failure;  // null for a call that succeeds
};

inline constexpr SetChannelCase kSetChannelCases[] = {
    {513, 0, VARIANT_FALSE, nullptr},    // above the buffer: ignored
    {600, 256, VARIANT_FALSE, nullptr},  // ignored before the value is looked at
    {0, 9, VARIANT_TRUE, nullptr},       // entry 0 exists
    {5, 255, VARIANT_TRUE, nullptr},     // largest byte
    {512, 7, VARIANT_TRUE, nullptr},     // last entry
    {-1, 0, VARIANT_FALSE, &kBounds},    // below the buffer
    {LONG_MIN, 0, VARIANT_FALSE, &kBounds},
    {5, 256, VARIANT_FALSE, &kOverflow},  // not a byte
    {5, -1, VARIANT_FALSE, &kOverflow},
    {-1, 256, VARIANT_FALSE, &kBounds},  // the channel is checked first
};
