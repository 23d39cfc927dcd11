// Compound addition: the exact sum for any signs, decided before the one
// object it makes (the result, as `-=` makes) so that a refusal logs
// nothing and leaves the target as it was.
#include <stdexcept>

#include "decimal/compound.h"
#include "decimal/magnitudes.h"

namespace VELDRAN::internal {

bool sumfits(const std::int8_t* a, const std::int8_t* b, std::size_t places) {
  for (std::size_t p = places; p > 0; --p) {
    const int room = 9 - b[p - 1];
    if (a[p - 1] != room) {
      return a[p - 1] < room;
    }
  }
  return true;
}

void addinto(fixedint& target, const fixedint& other) {
  const std::size_t size = target.size;
  if (other.size != size || target.digits.size() != size || other.digits.size() != size) {
    throw std::length_error("Int sizes are not equal!");
  }
  const operanddigits in(target.digits, other.digits);
  // With `hassign` clear, magnitudes add: both count as positive.
  const bool left = target.hassign && target.negative;
  const bool right = target.hassign && other.negative;
  if (left == right && !sumfits(in.left, in.right, size)) {
    throwoverflow();
  }
  fixedint sum(size);
  difference(in.left, left, in.right, !right, sum.digits.data(), sum.negative, size);
  target.digits.swap(sum.digits);
  target.negative = sum.negative;
}

void addinto(fixedfloat& target, const fixedfloat& other) {
  const std::size_t length = target.length;
  if (other.length != length || target.value.digits.size() != length ||
      other.value.digits.size() != length) {
    throw std::length_error("Size is not equal!");
  }
  const operanddigits in(target.value.digits, other.value.digits);
  const bool left = target.value.negative;
  const bool right = other.value.negative;
  if (left == right && !sumfits(in.left, in.right, length)) {
    throwoverflow();
  }
  // The sum is made as a fixedfloat(length) would hold it, but in the
  // target's own digits: the word loops read each place before they write
  // it, so the target may be an operand, and nothing fails once they start.
  logfixedfloatmade(length);
  bool negative = false;
  difference(in.left, left, in.right, !right, target.value.digits.data(), negative, length);
  target.value.negative = negative;
  target.updsign();
  logfixedfloatdeleted();
}

}  // namespace VELDRAN::internal
