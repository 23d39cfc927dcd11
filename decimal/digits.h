// Digit-vector helpers shared by the library's sources; not installed.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decimal/fixedint"

namespace VELDRAN::internal {

// Number of places up to and including the highest non-zero digit.
inline std::size_t significantlength(const std::vector<std::int8_t>& digits) {
  std::size_t length = digits.size();
  while (length > 0 && digits[length - 1] == 0) {
    --length;
  }
  return length;
}

// The same for the `count` places from `digits` on.
inline std::size_t significantlength(const std::int8_t* digits, std::size_t count) {
  while (count > 0 && digits[count - 1] == 0) {
    --count;
  }
  return count;
}

// Orders two magnitudes by their significant digits: <0, 0 or >0.
inline int comparemagnitudes(const std::vector<std::int8_t>& a, const std::vector<std::int8_t>& b) {
  const std::size_t la = significantlength(a);
  const std::size_t lb = significantlength(b);
  if (la != lb) {
    return la < lb ? -1 : 1;
  }
  for (std::size_t i = la; i > 0; --i) {
    if (a[i - 1] != b[i - 1]) {
      return a[i - 1] < b[i - 1] ? -1 : 1;
    }
  }
  return 0;
}

// A digit as signed decimal text: one character at rest, more for values
// set by hand outside 0 to 9.
inline void appenddigit(std::string& text, std::int8_t digit) {
  if (digit >= 0 && digit <= 9) {
    text.push_back(static_cast<char>('0' + digit));
  } else {
    char buffer[4];  // NOLINT(cppcoreguidelines-avoid-c-arrays): "-128" at the most
    const auto converted = std::to_chars(buffer, buffer + sizeof buffer, int{digit});
    text.append(buffer, converted.ptr);
  }
}

// As `target = source` for a source about to be destroyed unread: target
// takes its digits over instead of copying them.
inline void takeover(fixedint& target, fixedint&& source) {
  target.digits.swap(source.digits);
  target.negative = source.negative;
  target.size = source.size;
  target.hassign = source.hassign;
  target.overflowthrows = source.overflowthrows;
}

// A silent copy of `number`, for a number about to be destroyed unread: the
// copy takes its digits over instead of copying them, and it keeps none.
inline fixedint takedigits(fixedint& number) {
  std::vector<std::int8_t> digits;
  digits.swap(number.digits);
  fixedint taken(number);  // the fields, and no digits to copy
  taken.digits.swap(digits);
  return taken;
}

}  // namespace VELDRAN::internal
