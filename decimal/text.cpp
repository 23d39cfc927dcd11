// Exact decimal text in, and the stream operators that read it.
//
// Text assignment works on the digit vector in place: it makes no number
// object, so it writes no log line. Every check comes before the first
// change, so a refused text leaves the number as it was.
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/lines.h"
#include "decimal/textgrammar.h"
#include "diagnostics/log"

namespace VELDRAN {

namespace {

// Assigns the next whitespace-delimited token of `in` to `x` as text; a
// token the assignment refuses sets failbit instead of throwing.
template <typename Number>
std::istream& readtext(std::istream& in, Number& x) {
  std::string token;
  if (in >> token) {
    try {
      x = std::string_view(token);
    } catch (const std::logic_error&) {
      // Malformed, integer part or fraction too long: all logic errors.
      in.setstate(std::ios_base::failbit);
    }
  }
  return in;
}

}  // namespace

// --- Construction from text -----------------------------------------------
// Not delegating, as fixedint(size, value): a refused text must leave no
// constructed object behind, so no deletion line is written for it.

fixedint::fixedint(unsigned long long size, std::string_view text)
    : negative(false), size(0), hassign(true), overflowthrows(false) {
  construct(size);
  *this = text;
}

// The steps of fixedfloat(length), then the text. The member `value` was
// made, so its deletion is logged; the fixedfloat's is not.
fixedfloat::fixedfloat(unsigned long long length, std::string_view text)
    : value(0), length(0), hassign(false), negative(false) {
  internal::logorthrow(internal::newfixedfloatline);
  init(length);
  *this = text;
}

// --- Text in -----------------------------------------------------------------

// A value with a fraction is refused before its size is looked at: no
// fixedint of any size could take it.
fixedint& fixedint::operator=(std::string_view text) {
  const internal::decimaltext number = internal::readdecimal(text);
  if (number.fractionplaces() > 0) {
    internal::refusetext("Not a whole number!", text);
  }
  if (number.integerplaces() > size) {
    throw std::out_of_range("Input int bigger than size!");
  }
  digits.assign(size, 0);
  number.putdigits(digits.data(), 0);
  if (hassign) {
    negative = number.negative;
  }
  return *this;
}

fixedfloat& fixedfloat::operator=(std::string_view text) {
  const internal::decimaltext number = internal::readdecimal(text);
  const unsigned long long half = length / 2;
  if (number.integerplaces() > half) {
    throw std::out_of_range("Input int bigger than size!");
  }
  if (number.fractionplaces() > half) {
    throw std::length_error("Fraction of text too big to fit in fixedfloat!");
  }
  // The number times 10^half: the units digit lands at place `half`.
  value.digits.assign(length, 0);
  value.size = length;
  number.putdigits(value.digits.data(), half);
  value.negative = number.negative;
  updsign();
  return *this;
}

// --- Streams -----------------------------------------------------------------

std::istream& operator>>(std::istream& in, fixedint& x) { return readtext(in, x); }

std::istream& operator>>(std::istream& in, fixedfloat& x) { return readtext(in, x); }

}  // namespace VELDRAN
