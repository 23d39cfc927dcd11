#include "decimal/mathematics.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "decimal/magnitudes.h"

namespace VELDRAN::internal {

bignum magnitudeof(const fixedint& x, std::size_t places) {
  std::vector<std::int8_t> spare;
  const std::int8_t* digits = atrest(x.digits, spare);
  return bigfromdigits(digits, std::min(places, x.digits.size()));
}

scaledresult tinyresult(rounding mode, bool negative) {
  scaledresult r;
  r.negative = negative;
  if (roundsup(mode, negative, false, remainder::belowhalf)) {
    r.magnitude = bigof(1);
  }
  return r;
}

scaledresult roundapproximated(std::size_t places, std::size_t guard, rounding mode,
                               const std::function<approximation(std::size_t)>& approximate) {
  for (;; guard *= 2) {
    const std::size_t scale = places + guard;
    scaledresult r;
    if (decide(approximate(scale), scale, places, mode, r)) {
      return r;
    }
  }
}

scaledresult roundexact(const bignum& numerator, const bignum& denominator, std::size_t places,
                        rounding mode, bool negative) {
  scaledresult r;
  r.magnitude = roundquotient(shiftup(numerator, places), denominator, mode, negative);
  r.negative = negative;
  return r;
}

void checkfits(const scaledresult& r, unsigned long long length) {
  if (decimaldigits(r.magnitude) > length) {
    throwoverflow();
  }
}

fixedfloat makeresult(unsigned long long length, const scaledresult& r) {
  checkfits(r, length);
  fixedfloat result(length);
  bigtodigits(r.magnitude, result.value.digits.data(), length);
  result.value.negative = r.negative;
  result.updsign();
  return result;
}

bignum ln10lowerscaled(std::size_t tens, std::size_t scale) {
  return shiftdown(shiftup(multiply(bigof(tens), bigof(2302585092U)), scale), 9);
}

bignum ln10upperscaled(std::size_t tens, std::size_t scale) {
  return add(shiftdown(shiftup(multiply(bigof(tens), bigof(2302585093U)), scale), 9), bigof(1));
}

// 43429 / 100000 > log10(e), and two digits more.
std::size_t integerdigitsofexp(const bignum& magnitude, std::size_t scale) {
  return smallof(shiftdown(multiplysmall(magnitude, 43429), scale + 5)) + 2;
}

void throwdomain() { throw std::domain_error("Math domain error!"); }

}  // namespace VELDRAN::internal
