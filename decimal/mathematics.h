// What the mathematics functions share: reading an operand into a big
// integer, the rounding loop that widens until the result is decided, and
// the making of the one result object; not installed.
#pragma once

#include <cstddef>
#include <functional>

#include "decimal/bignum.h"
#include "decimal/fixedfloat"
#include "decimal/series.h"

namespace VELDRAN::internal {

// |x| read from its first `places` digits (taken modulo ten if need be).
bignum magnitudeof(const fixedint& x, std::size_t places);

// A result scaled by 10^(length/2), with its sign.
using scaledresult = signedbig;

// What a nonzero value below a hundredth of the last place rounds to.
scaledresult tinyresult(rounding mode, bool negative);

// Rounds approximations at ever more digits, from `guard` beyond `places`
// fraction digits, until the rounding is settled. Only for values that are
// no rounding point, which would never settle.
scaledresult roundapproximated(std::size_t places, std::size_t guard, rounding mode,
                               const std::function<approximation(std::size_t)>& approximate);

// x rounded exactly: numerator / denominator * 10^places, with its sign.
scaledresult roundexact(const bignum& numerator, const bignum& denominator, std::size_t places,
                        rounding mode, bool negative);

// Whether a result fits `length` places; refused before any object is made.
void checkfits(const scaledresult& r, unsigned long long length);
// The one object a function makes: its result.
fixedfloat makeresult(unsigned long long length, const scaledresult& r);

// tens * ln 10 * 10^scale bounded from below and from above (2.302585092 <
// ln 10 < 2.302585093), for the early overflow and underflow decisions.
bignum ln10lowerscaled(std::size_t tens, std::size_t scale);
bignum ln10upperscaled(std::size_t tens, std::size_t scale);

// More than the digits of exp(t) before the point, t = magnitude / 10^scale.
std::size_t integerdigitsofexp(const bignum& magnitude, std::size_t scale);

[[noreturn]] void throwdomain();

}  // namespace VELDRAN::internal
