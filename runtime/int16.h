// Checked 16-bit signed arithmetic for the counts and indices the system keeps in 16 bits (rows,
// columns, fields, records, list positions): going past -32768..32767 raises Overflow (error 6),
// it never wraps.
#pragma once

#include <cstdint>

#include "runtime/error.h"

namespace sheaver {

using Int16 = std::int16_t;

// v as a 16-bit integer; Overflow when it does not fit.
constexpr Int16 ToInt16(long long v) {
  if (v < INT16_MIN || v > INT16_MAX) Raise(err::kOverflow);
  return static_cast<Int16>(v);
}

// a + b, a - b, a * b, checked.
constexpr Int16 Add16(long long a, long long b) {
  return ToInt16(a + b);
}
constexpr Int16 Sub16(long long a, long long b) {
  return ToInt16(a - b);
}
constexpr Int16 Mul16(long long a, long long b) {
  return ToInt16(a * b);
}

// ++i on a 16-bit counter, checked.
constexpr Int16& Inc16(Int16& i) {
  i = Add16(i, 1);
  return i;
}

}  // namespace sheaver
