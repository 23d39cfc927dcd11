// Cash rounding: a number brought to a multiple of an increment such as
// 0.05. The multiple is found as a rounded quotient of the magnitudes, then
// multiplied back, all before the result is made.
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/magnitudes.h"
#include "decimal/money.h"

namespace VELDRAN {

fixedfloat fixedfloat::rounded(const fixedfloat& increment, rounding mode) const {
  internal::requireknownmode(mode);
  std::vector<std::int8_t> incrementspare;
  const std::int8_t* step = internal::atrest(increment.value.digits, incrementspare);
  if (increment.value.negative || internal::iszero(step, increment.value.digits.size())) {
    throw std::invalid_argument("Increment must be positive!");
  }
  internal::checklength(*this, length);
  internal::checklength(increment, length);

  std::vector<std::int8_t> spare;
  const std::int8_t* magnitude = internal::atrest(value.digits, spare);
  const internal::magnitudedivision division(magnitude, step, length, 0);
  std::vector<std::int8_t> multiple(length, 0);
  // The quotient never exceeds the magnitude; rounding it up may carry out.
  static_cast<void>(division.writequotient(multiple.data(), length));
  if (!internal::roundmagnitude(multiple.data(), 0, length, mode, value.negative,
                                division.dropped())) {
    internal::throwoverflow();
  }
  const internal::magnitudeproduct product(multiple.data(), step, length, 0);
  if (!product.writekept(multiple.data(), length)) {
    internal::throwoverflow();
  }

  fixedfloat result(length);
  std::copy(multiple.begin(), multiple.end(), result.value.digits.begin());
  internal::setmoneysign(result, value.negative);
  return result;
}

}  // namespace VELDRAN
