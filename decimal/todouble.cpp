// The nearest double, read from the number's decimal text. The text is
// written straight from the digits: asstring() would make logged objects.
#include <algorithm>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/magnitudes.h"

namespace VELDRAN {

namespace {

// Appends places [low, high) most significant first, without leading zeros
// but at least one digit.
void appendinteger(std::string& text, const std::int8_t* digits, std::size_t low,
                   std::size_t high) {
  while (high > low + 1 && digits[high - 1] == 0) {
    --high;
  }
  if (high == low) {
    text += '0';
  }
  for (std::size_t p = high; p > low; --p) {
    text += static_cast<char>('0' + digits[p - 1]);
  }
}

}  // namespace

double fixedint::todouble() const {
  std::vector<std::int8_t> spare;
  const std::int8_t* magnitude = internal::atrest(digits, spare);
  std::string text = negative ? "-" : "";
  appendinteger(text, magnitude, 0, digits.size());
  return internal::readdouble(text);
}

double fixedfloat::todouble() const {
  std::vector<std::int8_t> spare;
  const std::int8_t* magnitude = internal::atrest(value.digits, spare);
  const std::size_t places = value.digits.size();
  const std::size_t fraction = std::min<std::size_t>(length / 2, places);
  std::string text = negative ? "-" : "";  // the sign asstring() writes
  appendinteger(text, magnitude, fraction, places);
  text += '.';
  for (std::size_t p = fraction; p > 0; --p) {
    text += static_cast<char>('0' + magnitude[p - 1]);
  }
  return internal::readdouble(text);
}

}  // namespace VELDRAN
