// Built-in integers in and out of both number classes. Assignment works on
// the digits in place and logs nothing; its checks come before any change.
#include "decimal/integers.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/lines.h"
#include "decimal/magnitudes.h"
#include "decimal/rounding.h"

namespace VELDRAN {

namespace internal {

namespace {

// Number of decimal digits of `magnitude`; zero has one.
std::size_t decimallength(unsigned long long magnitude) {
  std::size_t length = 1;
  for (; magnitude >= 10; magnitude /= 10) {
    ++length;
  }
  return length;
}

}  // namespace

std::vector<std::int8_t> integerdigits(unsigned long long magnitude, std::size_t places,
                                       std::size_t units) {
  if (units > places || decimallength(magnitude) > places - units) {
    throw std::out_of_range("Input int bigger than size!");
  }
  std::vector<std::int8_t> digits(places);
  for (std::size_t p = units; magnitude != 0; ++p, magnitude /= 10) {
    digits[p] = static_cast<std::int8_t>(magnitude % 10);
  }
  return digits;
}

unsigned long long digitsvalue(const std::int8_t* digits, std::size_t low, std::size_t high,
                               unsigned long long extra) {
  unsigned long long magnitude = 0;
  for (std::size_t p = high; p > low; --p) {
    const auto digit = static_cast<unsigned long long>(digits[p - 1]);
    if (magnitude > (ULLONG_MAX - digit) / 10) {
      throwoverflow();
    }
    magnitude = magnitude * 10 + digit;
  }
  if (magnitude > ULLONG_MAX - extra) {
    throwoverflow();
  }
  return magnitude + extra;
}

long long tolonglong(bool negative, unsigned long long magnitude) {
  // LLONG_MIN's magnitude is one more than LLONG_MAX.
  const auto largest = static_cast<unsigned long long>(LLONG_MAX) + (negative ? 1 : 0);
  if (magnitude > largest) {
    throwoverflow();
  }
  if (!negative) {
    return static_cast<long long>(magnitude);
  }
  // From the magnitude less one, so LLONG_MIN never passes through +2^63.
  return magnitude == 0 ? 0 : -static_cast<long long>(magnitude - 1) - 1;
}

}  // namespace internal

// --- fixedint ------------------------------------------------------------------

// Not delegating, as fixedint(size, long long): a refused value must leave
// no constructed object behind, so no deletion line is written for it.
fixedint::fixedint(unsigned long long size, integer value)
    : negative(false), size(0), hassign(true), overflowthrows(false) {
  construct(size);
  assign(value);
}

// The digits are made first, so a refusal or a failed allocation leaves
// the record as it was.
void fixedint::assign(integer value) {
  std::vector<std::int8_t> made = internal::integerdigits(value.magnitude, size, 0);
  digits.swap(made);
  if (hassign) {
    negative = value.negative;
  }
}

long long fixedint::tolonglong() const {
  std::vector<std::int8_t> spare;
  const std::int8_t* magnitude = internal::atrest(digits, spare);
  return internal::tolonglong(negative, internal::digitsvalue(magnitude, 0, digits.size(), 0));
}

// --- fixedfloat ----------------------------------------------------------------

// The steps of fixedfloat(length), then the value, as the text constructor.
fixedfloat::fixedfloat(unsigned long long length, integer value)
    : value(0), length(0), hassign(false), negative(false) {
  internal::logorthrow(internal::newfixedfloatline);
  init(length);
  assign(value);
}

void fixedfloat::assign(integer v) {
  std::vector<std::int8_t> made = internal::integerdigits(v.magnitude, length, length / 2);
  value.digits.swap(made);
  value.size = length;
  value.negative = v.negative;
  updsign();
}

long long fixedfloat::tolonglong(rounding mode) const {
  internal::requireknownmode(mode);
  std::vector<std::int8_t> spare;
  const std::int8_t* digits = internal::atrest(value.digits, spare);
  const std::size_t places = value.digits.size();
  const std::size_t half = std::min<std::size_t>(length / 2, places);
  // The fraction's places decide whether the whole number goes up by one.
  bool up = false;
  if (half > 0) {
    const internal::remainder dropped =
        internal::classify(digits[half - 1], !internal::iszero(digits, half - 1));
    const bool lastkeptodd = half < places && digits[half] % 2 != 0;
    up = internal::roundsup(mode, value.negative, lastkeptodd, dropped);
  }
  return internal::tolonglong(value.negative,
                              internal::digitsvalue(digits, half, places, up ? 1 : 0));
}

}  // namespace VELDRAN
