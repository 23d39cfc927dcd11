// Exact decimal text in, and the stream operators that read it.
//
// Text assignment works on the digit vector in place: it makes no number
// object, so it writes no log line. Every check comes before the first
// change, so a refused text leaves the number as it was.
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/lines.h"
#include "diagnostics/log"

namespace VELDRAN {

namespace {

// A decimal text taken apart, each run of digits cut to its significant
// digits: `integer` without leading zeros (zero keeps one "0"), `fraction`
// without trailing zeros (so it may be empty).
struct decimaltext {
  bool negative = false;
  std::string_view integer;
  std::string_view fraction;
};

// ASCII digits only: the locale must not widen what a number looks like.
bool isdigitrun(std::string_view run) {
  if (run.empty()) {
    return false;
  }
  for (const char c : run) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

// Splits [+-]?[0-9]+ or, when `withfraction`, [+-]?[0-9]+(\.[0-9]+)?.
decimaltext parsedecimal(std::string_view text, bool withfraction) {
  decimaltext parsed;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    parsed.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t point = withfraction ? text.find('.') : std::string_view::npos;
  parsed.integer = text.substr(0, point);
  const bool hasfraction = point != std::string_view::npos;
  if (hasfraction) {
    parsed.fraction = text.substr(point + 1);
  }
  if (!isdigitrun(parsed.integer) || (hasfraction && !isdigitrun(parsed.fraction))) {
    throw std::invalid_argument("Not a decimal number!");
  }
  while (parsed.integer.size() > 1 && parsed.integer.front() == '0') {
    parsed.integer.remove_prefix(1);
  }
  while (!parsed.fraction.empty() && parsed.fraction.back() == '0') {
    parsed.fraction.remove_suffix(1);
  }
  return parsed;
}

// Writes the digits of `run` into `digits`, its last character at place
// `lowest` and each one before it a place higher.
void putdigits(std::vector<std::int8_t>& digits, std::string_view run, std::size_t lowest) {
  for (std::size_t i = 0; i < run.size(); ++i) {
    digits[lowest + i] = static_cast<std::int8_t>(run[run.size() - 1 - i] - '0');
  }
}

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

fixedint& fixedint::operator=(std::string_view text) {
  const decimaltext parsed = parsedecimal(text, false);
  if (parsed.integer.size() > size) {
    throw std::out_of_range("Input int bigger than size!");
  }
  digits.assign(size, 0);
  putdigits(digits, parsed.integer, 0);
  if (hassign) {
    negative = parsed.negative;
  }
  return *this;
}

fixedfloat& fixedfloat::operator=(std::string_view text) {
  const decimaltext parsed = parsedecimal(text, true);
  const unsigned long long half = length / 2;
  if (parsed.integer.size() > half) {
    throw std::out_of_range("Input int bigger than size!");
  }
  if (parsed.fraction.size() > half) {
    throw std::length_error("Fraction of text too big to fit in fixedfloat!");
  }
  // The number times 10^half: the units digit lands at place `half`, the
  // tenths just below it.
  value.digits.assign(length, 0);
  value.size = length;
  putdigits(value.digits, parsed.integer, half);
  putdigits(value.digits, parsed.fraction, half - parsed.fraction.size());
  value.negative = parsed.negative;
  updsign();
  return *this;
}

// --- Streams -----------------------------------------------------------------

std::istream& operator>>(std::istream& in, fixedint& x) { return readtext(in, x); }

std::istream& operator>>(std::istream& in, fixedfloat& x) { return readtext(in, x); }

}  // namespace VELDRAN
