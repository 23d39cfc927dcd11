// fixedint's difference, negation, division and compound assignments. Each
// operation makes one number object, its result, through fixedint(size);
// every refusal, an overflow included, is decided before that, so it logs
// nothing.
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "decimal/compound.h"
#include "decimal/fixedint"
#include "decimal/magnitudes.h"
#include "decimal/rounding.h"

namespace VELDRAN {

namespace {

// Also refuses a record whose digits do not number its places, which the
// digit loops could not read safely.
void checksizes(const fixedint& a, const fixedint& b) {
  if (a.size != b.size || a.digits.size() != a.size || b.digits.size() != b.size) {
    throw std::length_error("Int sizes are not equal!");
  }
}

}  // namespace

fixedint fixedint::operator-() const {
  std::vector<std::int8_t> spare;
  const std::int8_t* magnitude = internal::atrest(digits, spare);
  fixedint result(size);
  // A record whose digits do not number its places gives up what does not fit.
  std::copy_n(magnitude, std::min<std::size_t>(size, digits.size()), result.digits.begin());
  result.negative = hassign ? !negative : negative;
  return result;
}

fixedint fixedint::operator-(const fixedint& other) const {
  checksizes(*this, other);
  const internal::operanddigits in(digits, other.digits);
  if (!hassign && internal::compare(in.left, in.right, size) < 0) {
    throw std::underflow_error("Underflow occured.");
  }
  const bool leftnegative = hassign && negative;
  const bool rightnegative = hassign && other.negative;
  if (!internal::differencefits(in.left, leftnegative, in.right, rightnegative, size)) {
    internal::throwoverflow();
  }
  fixedint result(size);
  internal::difference(in.left, leftnegative, in.right, rightnegative, result.digits.data(),
                       result.negative, size);
  return result;
}

fixedint fixedint::operator/(const fixedint& other) const {
  checksizes(*this, other);
  const internal::operanddigits in(digits, other.digits);
  internal::checkdivisor(in.right, size);
  const internal::magnitudedivision division(in.left, in.right, size, 0);
  fixedint result(size);
  division.writequotient(result.digits.data(), size);  // never more places than the dividend
  result.negative = hassign && negative != other.negative;
  return result;
}

fixedint fixedint::operator%(const fixedint& other) const {
  checksizes(*this, other);
  const internal::operanddigits in(digits, other.digits);
  internal::checkdivisor(in.right, size);
  const internal::magnitudedivision division(in.left, in.right, size, 0);
  fixedint result(size);
  division.writeremainder(result.digits.data(), size);
  result.negative = hassign && negative;
  return result;
}

fixedint fixedint::divide(const fixedint& other, rounding mode) const {
  internal::requireknownmode(mode);
  checksizes(*this, other);
  const internal::operanddigits in(digits, other.digits);
  internal::checkdivisor(in.right, size);
  const internal::magnitudedivision division(in.left, in.right, size, 0);
  fixedint result(size);
  division.writequotient(result.digits.data(), size);
  result.negative = hassign && negative != other.negative;
  if (!internal::roundmagnitude(result.digits.data(), 0, size, mode, result.negative,
                                division.dropped())) {
    internal::throwoverflow();
  }
  return result;
}

// --- Compound assignment -------------------------------------------------------
// Written out as the plain expression, so that each has the operator's
// lines, including those of the copy that * takes by value; the target
// keeps its own flags.

fixedint& fixedint::operator+=(const fixedint& other) {
  internal::addinto(*this, other);
  return *this;
}

fixedint& fixedint::operator-=(const fixedint& other) {
  internal::assignkeepingflags(*this, *this - other);
  return *this;
}

fixedint& fixedint::operator*=(const fixedint& other) {
  internal::assignkeepingflags(*this, *this * other);
  return *this;
}

fixedint& fixedint::operator/=(const fixedint& other) {
  internal::assignkeepingflags(*this, *this / other);
  return *this;
}

fixedint& fixedint::operator%=(const fixedint& other) {
  internal::assignkeepingflags(*this, *this % other);
  return *this;
}

}  // namespace VELDRAN
