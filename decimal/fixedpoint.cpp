// fixedfloat's difference, negation, rounded product and quotient, rounding
// to places and compound assignments. Signs are those of `value`. Each
// operation makes one number object, its result, through fixedfloat(length),
// once every refusal, an overflow included, has been decided.
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
  if (!internal::differencefits(in.left, value.negative, in.right, other.value.negative, length)) {
    internal::throwoverflow();
  }
  fixedfloat result(length);
  bool negative = false;
  internal::difference(in.left, value.negative, in.right, other.value.negative,
                       result.value.digits.data(), negative, length);
  setsign(result, negative);
  return result;
}

fixedfloat fixedfloat::multiply(const fixedfloat& other, rounding mode) const {
  internal::requireknownmode(mode);
  checklengths(*this, other);
  const internal::operanddigits in(value.digits, other.value.digits);
  const internal::magnitudeproduct product(in.left, in.right, length, length / 2);
  const bool negative = value.negative != other.value.negative;
  if (!product.keptfits(length, mode, negative)) {
    internal::throwoverflow();
  }
  fixedfloat result(length);
  std::int8_t* digits = result.value.digits.data();
  product.writekept(digits, length);
  internal::roundmagnitude(digits, 0, length, mode, negative, product.dropped());
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
  if (!division.quotientfits(length, mode, negative)) {
    internal::throwoverflow();
  }
  fixedfloat result(length);
  std::int8_t* digits = result.value.digits.data();
  division.writequotient(digits, length);
  internal::roundmagnitude(digits, 0, length, mode, negative, division.dropped());
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
  const std::size_t kept = std::min<std::size_t>(length, value.digits.size());
  const unsigned long long fraction = length / 2;
  const std::size_t dropped = places < fraction ? fraction - places : 0;
  // Places beyond the digits a record holds read as zeros; such a record
  // has a zero on top, which no rounding carries past.
  const int firstdropped = dropped != 0 && dropped <= kept ? magnitude[dropped - 1] : 0;
  const internal::remainder rest = internal::classify(
      firstdropped, dropped > 1 && !internal::iszero(magnitude, std::min(dropped - 1, kept)));
  if (dropped != 0 && kept == length &&
      !internal::roundedfits(magnitude, dropped, length, mode, value.negative, rest)) {
    internal::throwoverflow();
  }
  fixedfloat result(length);
  std::int8_t* digits = result.value.digits.data();
  std::copy_n(magnitude, kept, digits);
  if (dropped != 0) {
    std::fill_n(digits, dropped, std::int8_t{0});
    internal::roundmagnitude(digits, dropped, length, mode, value.negative, rest);
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
