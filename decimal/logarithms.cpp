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

void refusenonpositive(const fixedint& value, const bignum& x) {
  if (value.negative || internal::iszero(x)) {
    internal::throwdomain();
  }
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

fixedfloat fixedfloat::ln(rounding mode) const {
  internal::requireknownmode(mode);
  const std::size_t places = length / 2;
  const bignum x = internal::magnitudeof(value, length);
  refusenonpositive(value, x);
  internal::scaledresult r;
  if (internal::compare(x, internal::bigpow10(places)) != 0) {
    const std::size_t guard = 10 + internal::decimaldigits(internal::bigof(length));
    r = internal::roundapproximated(places, guard, mode, [&](std::size_t scale) {
      return internal::lnapprox(x, places, scale);
    });
  }
  return internal::makeresult(length, r);
}

fixedfloat fixedfloat::log10(rounding mode) const {
  internal::requireknownmode(mode);
  const std::size_t places = length / 2;
  const bignum x = internal::magnitudeof(value, length);
  refusenonpositive(value, x);
  const std::size_t digits = internal::decimaldigits(x);
  internal::scaledresult r;
  if (internal::compare(x, internal::bigpow10(digits - 1)) == 0) {
    // A power of ten: the exponent itself.
    const bool negative = digits - 1 < places;
    const std::size_t exponent = negative ? places - (digits - 1) : digits - 1 - places;
    r.magnitude = internal::shiftup(internal::bigof(exponent), places);
    r.negative = negative;
  } else {
    const std::size_t guard = 10 + internal::decimaldigits(internal::bigof(length));
    r = internal::roundapproximated(places, guard, mode, [&](std::size_t scale) {
      return internal::log10approx(x, places, scale);
    });
  }
  return internal::makeresult(length, r);
}

}  // namespace VELDRAN
