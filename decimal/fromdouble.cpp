// A double in a fixedfloat: the shortest decimal text that reads back as
// the double, then that decimal value rounded to the number's fraction
// places. The digits are worked out before the number is made, so a
// refusal logs nothing.
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/magnitudes.h"
#include "decimal/rounding.h"

namespace VELDRAN {

namespace {

std::out_of_range toolarge() { return std::out_of_range("Input int bigger than size!"); }

// The shortest decimal digits of |x| > 0, most significant first, and the
// power of ten of the last one, read from what std::to_chars writes in
// scientific form ("d.ddde+XX").
struct shortestdecimal {
  std::string digits;
  long long exponent = 0;

  explicit shortestdecimal(double x) {
    char text[32];  // NOLINT(cppcoreguidelines-avoid-c-arrays): "-d.dddddddddddddddde-308" fits
    const char* end =
        std::to_chars(text, text + sizeof text, std::fabs(x), std::chars_format::scientific).ptr;
    const char* e = text;
    for (; *e != 'e'; ++e) {
      if (*e != '.') {
        digits.push_back(*e);
      }
    }
    const bool below = e[1] == '-';
    std::from_chars(e + 2, end, exponent);
    exponent = (below ? -exponent : exponent) - static_cast<long long>(digits.size() - 1);
  }
};

// |x| times 10^(length/2) in `length` places, rounded by `mode`.
std::vector<std::int8_t> scaleddigits(double x, unsigned long long length, rounding mode) {
  std::vector<std::int8_t> made(length);
  if (x == 0) {
    return made;
  }
  const shortestdecimal shortest(x);
  const auto count = static_cast<long long>(shortest.digits.size());
  // The place of the last digit; those below place 0 are dropped.
  const long long lowest = shortest.exponent + static_cast<long long>(length / 2);
  if (lowest + count > static_cast<long long>(length)) {
    throw toolarge();
  }
  bool restnonzero = false;
  int firstdropped = 0;
  for (long long i = 0; i < count; ++i) {
    const long long place = lowest + count - 1 - i;
    const int digit = shortest.digits[static_cast<std::size_t>(i)] - '0';
    if (place >= 0) {
      made[static_cast<std::size_t>(place)] = static_cast<std::int8_t>(digit);
    } else if (place == -1) {
      firstdropped = digit;
    } else {
      restnonzero = restnonzero || digit != 0;
    }
  }
  const internal::remainder dropped = internal::classify(firstdropped, restnonzero);
  if (!internal::roundmagnitude(made.data(), 0, length, mode, std::signbit(x), dropped)) {
    throw toolarge();
  }
  return made;
}

std::pair<std::vector<std::int8_t>, bool> fromdouble(double x, unsigned long long length,
                                                     rounding mode) {
  internal::requireknownmode(mode);
  if (!std::isfinite(x)) {
    throw std::domain_error("Float is not finite!");
  }
  return {scaleddigits(x, length, mode), std::signbit(x)};
}

}  // namespace

fixedfloat::fixedfloat(unsigned long long length, double x, rounding mode)
    : fixedfloat(length, fromdouble(x, length, mode)) {}

}  // namespace VELDRAN
