// Refusals and the result's sign shared by the money helpers (splits,
// columns that keep their total, cash rounding); not installed.
#pragma once

#include <stdexcept>

#include "decimal/fixedfloat"
#include "decimal/magnitudes.h"

namespace VELDRAN::internal {

// The places a result keeps lie among the number's fraction places.
inline void checkplaces(unsigned long long places, unsigned long long length) {
  if (places > length / 2) {
    throw std::out_of_range("Too many places!");
  }
}

// Also refuses a number whose value does not have `length` digits, which
// the digit loops could not read safely.
inline void checklength(const fixedfloat& x, unsigned long long length) {
  if (x.length != length || x.value.digits.size() != length) {
    throw std::length_error("Size is not equal!");
  }
}

// A money result is negative only when it is not zero.
inline void setmoneysign(fixedfloat& result, bool negative) {
  result.value.negative = negative && !iszero(result.value.digits.data(), result.length);
  result.updsign();
}

}  // namespace VELDRAN::internal
