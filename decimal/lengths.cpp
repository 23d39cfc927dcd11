// A number in another size or length. The new digits are worked out before
// the number is made, so a refusal logs nothing; the number itself is
// logged as the count constructor logs it.
#include <algorithm>
#include <utility>
#include <vector>

#include "decimal/digits.h"
#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/lines.h"
#include "decimal/magnitudes.h"
#include "decimal/rounding.h"

namespace VELDRAN {

namespace {

// Digits `from` up, at rest, moved to start at place `to` of a record of
// `places` places; throws std::overflow_error when the significant ones do
// not fit.
std::vector<std::int8_t> moved(const std::int8_t* digits, std::size_t count, std::size_t from,
                               std::size_t to, std::size_t places) {
  const std::size_t significant = internal::significantlength(digits, count);
  const std::size_t kept = significant > from ? significant - from : 0;
  if (to > places || kept > places - to) {
    internal::throwoverflow();
  }
  std::vector<std::int8_t> made(places);
  std::copy_n(digits + std::min(from, count), kept, made.begin() + static_cast<std::ptrdiff_t>(to));
  return made;
}

// What the `dropped` lowest of `count` digits amount to.
internal::remainder droppedpart(const std::int8_t* digits, std::size_t count, std::size_t dropped) {
  const std::size_t below = std::min(dropped - 1, count);
  const int first = dropped - 1 < count ? digits[dropped - 1] : 0;
  return internal::classify(first, !internal::iszero(digits, below));
}

// `other`'s value with length/2 fraction places, rounded by `mode`.
std::pair<std::vector<std::int8_t>, bool> rescaled(const fixedfloat& other,
                                                   unsigned long long length, rounding mode) {
  internal::requireknownmode(mode);
  std::vector<std::int8_t> spare;
  const std::int8_t* digits = internal::atrest(other.value.digits, spare);
  const std::size_t count = other.value.digits.size();
  const bool negative = other.value.negative;
  const std::size_t had = other.length / 2;
  const std::size_t has = length / 2;
  if (has >= had) {
    return {moved(digits, count, 0, has - had, length), negative};
  }
  const std::size_t dropped = had - has;
  std::vector<std::int8_t> made = moved(digits, count, dropped, 0, length);
  if (!internal::roundmagnitude(made.data(), 0, length, mode, negative,
                                droppedpart(digits, count, dropped))) {
    internal::throwoverflow();
  }
  return {std::move(made), negative};
}

}  // namespace

fixedint::fixedint(unsigned long long size, const fixedint& other)
    : negative(other.negative), size(0), hassign(true), overflowthrows(false) {
  std::vector<std::int8_t> spare;
  const std::int8_t* source = internal::atrest(other.digits, spare);
  std::vector<std::int8_t> made = moved(source, other.digits.size(), 0, 0, size);
  construct(size);
  digits.swap(made);
}

fixedfloat::fixedfloat(unsigned long long length, const fixedfloat& other, rounding mode)
    : fixedfloat(length, rescaled(other, length, mode)) {}

// The steps of fixedfloat(length), then the value made for it.
fixedfloat::fixedfloat(unsigned long long length, std::pair<std::vector<std::int8_t>, bool>&& made)
    : value(0), length(0), hassign(false), negative(false) {
  internal::logorthrow(internal::newfixedfloatline);
  init(length);
  value.digits.swap(made.first);
  value.negative = made.second;
  updsign();
}

}  // namespace VELDRAN
