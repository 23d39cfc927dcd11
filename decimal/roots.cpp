// fixedfloat::sqrt, found exactly: the integer square root of x * 10^(2h)
// and its remainder settle every mode without an approximation.
#include "decimal/fixedfloat"
#include "decimal/mathematics.h"

namespace VELDRAN {

fixedfloat fixedfloat::sqrt(rounding mode) const {
  internal::requireknownmode(mode);
  const std::size_t places = length / 2;
  const internal::bignum x = internal::magnitudeof(value, length);
  if (value.negative && !internal::iszero(x)) {
    internal::throwdomain();
  }
  const internal::bignum scaled = internal::shiftup(x, places);
  internal::scaledresult r;
  r.magnitude = internal::squareroot(scaled);
  r.negative = value.negative;  // only a -0 gets here negative, and gives -0
  // (root + 1/2)^2 = root^2 + root + 1/4 is never whole, so there is no tie.
  const internal::bignum rest =
      internal::subtract(scaled, internal::multiply(r.magnitude, r.magnitude));
  internal::remainder dropped = internal::remainder::zero;
  if (!internal::iszero(rest)) {
    dropped = internal::compare(rest, r.magnitude) <= 0 ? internal::remainder::belowhalf
                                                        : internal::remainder::abovehalf;
  }
  if (internal::roundsup(mode, false, internal::isodd(r.magnitude), dropped)) {
    r.magnitude = internal::add(r.magnitude, internal::bigof(1));
  }
  return internal::makeresult(length, r);
}

}  // namespace VELDRAN
