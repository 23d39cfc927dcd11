// Comparison of both number classes and the std::hash specialisations, which
// must agree with ==. None of these makes a number object; the fixedint
// operators that take their operand by value log only that copy's deletion.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "decimal/digits.h"
#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/lines.h"

namespace VELDRAN {

using internal::comparemagnitudes;

namespace {

// Orders two records as fixedint's operator> does: sign first, then
// magnitude, the larger magnitude being the smaller number among negatives.
int compare(const fixedint& a, const fixedint& b) {
  if (a.negative != b.negative) {
    return a.negative ? -1 : 1;
  }
  const int order = comparemagnitudes(a.digits, b.digits);
  return a.negative ? -order : order;
}

// Numbers are compared only at the same length, as they are added.
void checklengths(const fixedfloat& a, const fixedfloat& b) {
  if (a.length != b.length) {
    throw std::length_error("Size is not equal!");
  }
}

int compare(const fixedfloat& a, const fixedfloat& b) {
  checklengths(a, b);
  return compare(a.value, b.value);
}

// Whole vectors and signs, as fixedint's == compares them.
bool equal(const fixedint& a, const fixedint& b) {
  return a.digits == b.digits && a.negative == b.negative;
}

// Logs the deletions of `count` by-value copies that a comparison hands on
// to another one. Nothing reads them but the comparison itself, so they
// are not made; the log reads as if they had been.
void logcopiesdeleted(unsigned count) {
  internal::logrepeated(internal::deletedfixedintline, count);
}

}  // namespace

// --- fixedint comparison -----------------------------------------------------

bool fixedint::operator==(fixedint other) const { return equal(*this, other); }

// The copy it passes to operator== is only logged.
bool fixedint::operator!=(fixedint other) const {
  logcopiesdeleted(1);
  return !equal(*this, other);
}

bool fixedint::operator>(fixedint other) const { return compare(*this, other) > 0; }

// The copies passed to operator>, then to operator!= and from there to
// operator==, are only logged.
// Records that order apart are unequal, so only an even order needs the
// whole vectors compared. The most used comparison: its order goes inline.
[[gnu::flatten]] bool fixedint::operator<(fixedint other) const {
  const int order = compare(*this, other);
  if (order > 0) {
    logcopiesdeleted(1);
    return false;
  }
  logcopiesdeleted(3);
  return order < 0 || !equal(*this, other);
}

// a < b is "neither greater nor equal", so a < b || a == b is "not
// greater". Records of different sizes holding one value are each below
// the other, and so <= each other but never >=.
bool fixedint::operator<=(const fixedint& other) const { return compare(*this, other) <= 0; }

bool fixedint::operator>=(const fixedint& other) const {
  return compare(*this, other) > 0 || equal(*this, other);
}

// --- fixedfloat comparison ---------------------------------------------------

bool fixedfloat::operator==(const fixedfloat& other) const {
  checklengths(*this, other);
  // Whole vectors, as fixedint compares them and as the hash reads them.
  return value.digits == other.value.digits && value.negative == other.value.negative;
}

bool fixedfloat::operator!=(const fixedfloat& other) const { return !(*this == other); }

bool fixedfloat::operator<(const fixedfloat& other) const { return compare(*this, other) < 0; }

bool fixedfloat::operator>(const fixedfloat& other) const { return compare(*this, other) > 0; }

bool fixedfloat::operator<=(const fixedfloat& other) const { return compare(*this, other) <= 0; }

bool fixedfloat::operator>=(const fixedfloat& other) const { return compare(*this, other) >= 0; }

}  // namespace VELDRAN

// --- Hashing -----------------------------------------------------------------

// 64-bit FNV-1a over every digit place, then the sign. Each step is a
// bijection of the running value, so records differing only in sign, such
// as a zero and a negative zero, never collide.
std::size_t std::hash<VELDRAN::fixedint>::operator()(const VELDRAN::fixedint& x) const noexcept {
  constexpr std::uint64_t prime = 1099511628211ULL;
  std::uint64_t hash = 14695981039346656037ULL;
  for (const std::int8_t digit : x.digits) {
    hash = (hash ^ static_cast<std::uint8_t>(digit)) * prime;
  }
  hash = (hash ^ (x.negative ? 1U : 0U)) * prime;
  return static_cast<std::size_t>(hash);
}

std::size_t std::hash<VELDRAN::fixedfloat>::operator()(
    const VELDRAN::fixedfloat& x) const noexcept {
  return std::hash<VELDRAN::fixedint>()(x.value);
}
