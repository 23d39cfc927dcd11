// fixedfloat's difference, negation, rounded product and quotient, rounding
// to places and compound assignments. Signs are those of `value`. Each
// operation makes one number object, its result, through fixedfloat(length).
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "decimal/compound.h"
#include "decimal/fixedfloat"
#include "decimal/magnitudes.h"
#include "decimal/rounding.h"

namespace VELDRAN {

namespace {

// Also refuses a number whose value does not have `length` digits, which
// the digit loops could not read safely.
void checklengths(const fixedfloat& a, const fixedfloat& b) {
  if (a.length != b.length || a.value.digits.size() != a.length ||
      b.value.digits.size() != b.length) {
    throw std::length_error("Size is not equal!");
  }
}

// Gives the result the sign of its magnitude's operation, in both flags.
void setsign(fixedfloat& result, bool negative) {
  result.value.negative = negative;
  result.updsign();
}

}  // namespace

fixedfloat fixedfloat::operator-() const {
  std::vector<std::int8_t> spare;
  const std::int8_t* magnitude = internal::atrest(value.digits, spare);
  fixedfloat result(length);
  std::copy_n(magnitude, std::min<std::size_t>(length, value.digits.size()),
              result.value.digits.begin());
  setsign(result, !value.negative);
  return result;
}

fixedfloat fixedfloat::operator-(const fixedfloat& other) const {
  checklengths(*this, other);
  const internal::operanddigits in(value.digits, other.value.digits);
  fixedfloat result(length);
  bool negative = false;
  if (!internal::difference(in.left, value.negative, in.right, other.value.negative,
                            result.value.digits.data(), negative, length)) {
    internal::throwoverflow();
  }
  setsign(result, negative);
  return result;
}

fixedfloat fixedfloat::multiply(const fixedfloat& other, rounding mode) const {
  internal::requireknownmode(mode);
  checklengths(*this, other);
  const internal::operanddigits in(value.digits, other.value.digits);
  const internal::magnitudeproduct product(in.left, in.right, length, length / 2);
  const bool negative = value.negative != other.value.negative;
  fixedfloat result(length);
  std::int8_t* digits = result.value.digits.data();
  if (!product.writekept(digits, length) ||
      !internal::roundmagnitude(digits, 0, length, mode, negative, product.dropped())) {
    internal::throwoverflow();
  }
  setsign(result, negative);
  return result;
}

fixedfloat fixedfloat::divide(const fixedfloat& other, rounding mode) const {
  internal::requireknownmode(mode);
  checklengths(*this, other);
  const internal::operanddigits in(value.digits, other.value.digits);
  internal::checkdivisor(in.right, length);
  const internal::magnitudedivision division(in.left, in.right, length, length / 2);
  const bool negative = value.negative != other.value.negative;
  fixedfloat result(length);
  std::int8_t* digits = result.value.digits.data();
  if (!division.writequotient(digits, length) ||
      !internal::roundmagnitude(digits, 0, length, mode, negative, division.dropped())) {
    internal::throwoverflow();
  }
  setsign(result, negative);
  return result;
}

fixedfloat fixedfloat::operator*(const fixedfloat& other) const {
  return multiply(other, rounding::halfeven);
}

fixedfloat fixedfloat::operator/(const fixedfloat& other) const {
  return divide(other, rounding::halfeven);
}

fixedfloat fixedfloat::rounded(unsigned long long places, rounding mode) const {
  internal::requireknownmode(mode);
  std::vector<std::int8_t> spare;
  const std::int8_t* magnitude = internal::atrest(value.digits, spare);
  fixedfloat result(length);
  std::int8_t* digits = result.value.digits.data();
  std::copy_n(magnitude, std::min<std::size_t>(length, value.digits.size()), digits);
  const unsigned long long fraction = length / 2;
  if (places < fraction) {
    const std::size_t dropped = fraction - places;  // at least one
    const internal::remainder rest =
        internal::classify(digits[dropped - 1], !internal::iszero(digits, dropped - 1));
    std::fill_n(digits, dropped, std::int8_t{0});
    if (!internal::roundmagnitude(digits, dropped, length, mode, value.negative, rest)) {
      internal::throwoverflow();
    }
  }
  setsign(result, value.negative);
  return result;
}

// --- Compound assignment -------------------------------------------------------
// Written out as the plain expression, so that each has the operator's
// lines; the target keeps its own flags.

fixedfloat& fixedfloat::operator+=(const fixedfloat& other) {
  internal::addinto(*this, other);
  return *this;
}

fixedfloat& fixedfloat::operator-=(const fixedfloat& other) {
  internal::assignkeepingflags(*this, *this - other);
  return *this;
}

fixedfloat& fixedfloat::operator*=(const fixedfloat& other) {
  internal::assignkeepingflags(*this, *this * other);
  return *this;
}

fixedfloat& fixedfloat::operator/=(const fixedfloat& other) {
  internal::assignkeepingflags(*this, *this / other);
  return *this;
}

}  // namespace VELDRAN
