// Unsigned big integers on the base-10^8 limb kernels, for the mathematics
// functions, which work out their results on these before they make the one
// result object; not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decimal/rounding.h"

namespace VELDRAN::internal {

// Limbs least significant first, the top one non-zero; zero has none.
struct bignum {
  std::vector<std::uint64_t> limbs;
};

bignum bigof(std::uint64_t value);
bignum bigpow10(std::size_t places);
// The magnitude held in `count` digits (at rest), units first.
bignum bigfromdigits(const std::int8_t* digits, std::size_t count);
// Writes the magnitude into `places` digits; false when it needs more.
bool bigtodigits(const bignum& a, std::int8_t* digits, std::size_t places);

inline bool iszero(const bignum& a) { return a.limbs.empty(); }
inline bool isodd(const bignum& a) { return !a.limbs.empty() && (a.limbs[0] & 1U) != 0; }
std::size_t decimaldigits(const bignum& a);  // 0 for zero
std::size_t trailingzeros(const bignum& a);  // 0 for zero
int compare(const bignum& a, const bignum& b);
// a as an unsigned 64-bit number, saturating at the largest.
std::uint64_t smallof(const bignum& a);

bignum add(const bignum& a, const bignum& b);
bignum subtract(const bignum& a, const bignum& b);  // a >= b
bignum multiply(const bignum& a, const bignum& b);
bignum multiplysmall(const bignum& a, std::uint64_t factor);  // factor < 10^8
// Quotient toward zero; `rest` takes the remainder. divisor < 10^8, non-zero.
bignum dividesmall(const bignum& a, std::uint64_t divisor, std::uint64_t& rest);
// Quotient toward zero and remainder by a non-zero b.
void divide(const bignum& a, const bignum& b, bignum& quotient, bignum& rest);
bignum quotient(const bignum& a, const bignum& b);
bignum shiftup(const bignum& a, std::size_t places);    // times 10^places
bignum shiftdown(const bignum& a, std::size_t places);  // divided by 10^places, truncated
// What the lowest `places` digits amount to against half a unit above them.
remainder dropped(const bignum& a, std::size_t places);
// The largest r with r * r <= a.
bignum squareroot(const bignum& a);
// The exact power a^n, or false as soon as it needs more than `maxdigits`
// digits (a >= 2 only grows, so a partial power that big settles it).
bool power(const bignum& a, const bignum& n, std::size_t maxdigits, bignum& result);
// The bits of n, most significant first.
std::vector<bool> bitsof(const bignum& n);

// A magnitude with a sign, for sums whose terms differ in sign.
struct signedbig {
  bignum magnitude;
  bool negative = false;
};
signedbig add(const signedbig& a, const signedbig& b);

// a rounded to a whole number of 10^places by `mode`, for an exact value of
// sign `negative`.
bignum roundshifted(const bignum& a, std::size_t places, rounding mode, bool negative);
// numerator / denominator rounded by `mode` to a whole number.
bignum roundquotient(const bignum& numerator, const bignum& denominator, rounding mode,
                     bool negative);

}  // namespace VELDRAN::internal
