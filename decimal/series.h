// Approximations of exp and ln on big integers, each with a proven bound on
// its error, from which the mathematics functions decide their rounding;
// not installed.
#pragma once

#include <cstddef>

#include "decimal/bignum.h"

namespace VELDRAN::internal {

// value and error in units of 10^-scale: |value - exact * 10^scale| <= error.
struct approximation {
  signedbig value;
  bignum error;
};

// exp(x) for x = (negative ? -1 : 1) * magnitude / 10^xscale, at `scale`.
approximation expapprox(const bignum& magnitude, std::size_t xscale, bool negative,
                        std::size_t scale);
// ln(x) for x = magnitude / 10^xscale > 0, at `scale`.
approximation lnapprox(const bignum& magnitude, std::size_t xscale, std::size_t scale);
// log10(x) for x = magnitude / 10^xscale > 0, at `scale`.
approximation log10approx(const bignum& magnitude, std::size_t xscale, std::size_t scale);

// Rounds an approximation to `places` fraction digits (scale >= places) by
// `mode`; false when its interval holds a rounding point or zero, so that
// more digits are needed.
bool decide(const approximation& a, std::size_t scale, std::size_t places, rounding mode,
            signedbig& rounded);

}  // namespace VELDRAN::internal
