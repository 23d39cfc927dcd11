// The one reading of decimal text behind every way text comes in (both
// assignments, both constructors and the stream extraction); not installed.
#pragma once

#include <cstdint>
#include <string_view>

namespace VELDRAN::internal {

// A decimal text read as its sign and its significant digits, each digit
// placed by the power of ten it stands for. Zero has no digits and counts
// as a units digit, so it needs one integer place like any other number.
struct decimaltext {
  bool negative = false;
  // From the highest non-zero digit to the lowest, a point perhaps among
  // them; empty for zero.
  std::string_view significant;
  long long top = 0;  // the power of ten of its first digit
  long long low = 0;  // the power of ten of its last digit

  // Integer places the value needs: at least the units place.
  unsigned long long integerplaces() const;
  // Fraction places the value needs: none for a whole number.
  unsigned long long fractionplaces() const;
  // Writes each digit of power p to digits[units + p]; the caller has
  // checked that every one of those places exists.
  void putdigits(std::int8_t* digits, unsigned long long units) const;
};

// Reads blanks, [+-]?, digits with an optional point and fraction or a
// point and fraction, an optional exponent [eE][+-]?[0-9]+, blanks.
// Throws std::invalid_argument `Not a decimal number! "text"` otherwise.
decimaltext readdecimal(std::string_view text);

// Throws std::invalid_argument: `what`, a space and the text in double
// quotes, cut to its first 64 bytes and "..." when longer.
[[noreturn]] void refusetext(const char* what, std::string_view text);

}  // namespace VELDRAN::internal
