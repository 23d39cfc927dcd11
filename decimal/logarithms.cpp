// fixedfloat::exp, ln and log10. Their results are irrational but for
// exp(0), ln(1) and log10 of a power of ten, which are found exactly; every
// other one is approximated with a proven bound until its rounding is
// settled.
#include "decimal/fixedfloat"
#include "decimal/magnitudes.h"
#include "decimal/mathematics.h"

namespace VELDRAN {

namespace {

using internal::bignum;

// ln x or log10 x for x > 0. Of a power of ten, log10 is the exponent
// itself, as ln is 0 of 1; every other one is irrational.
fixedfloat logarithm(const fixedfloat& f, rounding mode, bool base10) {
  internal::requireknownmode(mode);
  const std::size_t places = f.length / 2;
  const bignum x = internal::magnitudeof(f.value, f.length);
  if (f.value.negative || internal::iszero(x)) {
    internal::throwdomain();
  }
  const std::size_t digits = internal::decimaldigits(x);
  internal::scaledresult r;
  if (internal::compare(x, internal::bigpow10(digits - 1)) == 0 &&
      (base10 || digits - 1 == places)) {
    r.negative = digits - 1 < places;
    const std::size_t exponent = r.negative ? places - (digits - 1) : digits - 1 - places;
    r.magnitude = internal::shiftup(internal::bigof(exponent), places);
  } else {
    const std::size_t guard = 10 + internal::decimaldigits(internal::bigof(f.length));
    r = internal::roundapproximated(places, guard, mode, [&](std::size_t scale) {
      return base10 ? internal::log10approx(x, places, scale)
                    : internal::lnapprox(x, places, scale);
    });
  }
  return internal::makeresult(f.length, r);
}

}  // namespace

fixedfloat fixedfloat::exp(rounding mode) const {
  internal::requireknownmode(mode);
  const std::size_t places = length / 2;
  const bignum x = internal::magnitudeof(value, length);
  const bool below = value.negative;
  internal::scaledresult r;
  if (internal::iszero(x)) {
    r.magnitude = internal::bigpow10(places);
  } else if (!below && internal::compare(x, internal::ln10upperscaled(places, places)) >= 0) {
    internal::throwoverflow();  // exp(x) > 10^h
  } else if (below && internal::compare(x, internal::ln10upperscaled(places + 2, places)) >= 0) {
    r = internal::tinyresult(mode, false);  // exp(x) < 10^-(h+2)
  } else {
    const std::size_t guard = 14 + (below ? 0 : internal::integerdigitsofexp(x, places));
    r = internal::roundapproximated(places, guard, mode, [&](std::size_t scale) {
      return internal::expapprox(x, places, below, scale);
    });
  }
  return internal::makeresult(length, r);
}

fixedfloat fixedfloat::ln(rounding mode) const { return logarithm(*this, mode, false); }

fixedfloat fixedfloat::log10(rounding mode) const { return logarithm(*this, mode, true); }

}  // namespace VELDRAN
