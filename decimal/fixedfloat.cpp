#include "decimal/fixedfloat"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/compound.h"
#include "decimal/digits.h"
#include "decimal/digittext.h"
#include "decimal/lines.h"

namespace VELDRAN {

using internal::significantlength;
using internal::textbuilder;

namespace {

// Moves every digit `places` places towards the top; vacated places are 0.
// One pass does the work of `places` wholeshiftl calls.
void shiftup(fixedint& number, unsigned long long places) {
  const unsigned long long size = number.size;
  for (unsigned long long i = size; i > 0; --i) {
    const unsigned long long to = i - 1;
    number.digits[to] = to >= places ? number.digits[to - places] : std::int8_t{0};
  }
}

// Moves every digit `places` places towards the units; like `places`
// wholeshiftr calls.
void shiftdown(fixedint& number, unsigned long long places) {
  const unsigned long long size = number.size;
  for (unsigned long long to = 0; to < size; ++to) {
    number.digits[to] = places < size - to ? number.digits[to + places] : std::int8_t{0};
  }
}

std::size_t countdigits(long long magnitude) {
  std::size_t count = 0;
  for (; magnitude != 0; magnitude /= 10) {
    ++count;
  }
  return count;
}

long long truncate(float x) { return static_cast<long long>(x); }

// The integer part's digits: its significant ones, or a single 0 when it is
// zero and has places at all.
void putintegerdigits(textbuilder& text, const std::int8_t* digits, std::size_t count,
                      bool hasplaces) {
  const std::size_t significant = significantlength(digits, count);
  if (significant != 0) {
    text.putdigits(digits, significant);
  } else if (hasplaces) {
    text.put('0');
  }
}

// The fraction part's `places` places from the tenths down to its lowest
// non-zero digit, or a single 0 when it is zero. Places it lacks read as 0.
void putfractiondigits(textbuilder& text, const std::int8_t* digits, std::size_t count,
                       std::size_t places) {
  const std::size_t significant = significantlength(digits, count);
  if (significant == 0) {
    text.put('0');
    return;
  }
  std::size_t lowest = 0;
  while (digits[lowest] == 0) {
    ++lowest;
  }
  if (lowest >= places) {
    return;  // its digits all lie above the fraction places
  }
  for (std::size_t place = places; place > significant; --place) {
    text.put('0');
  }
  const std::size_t top = significant < places ? significant : places;
  text.putdigits(digits + lowest, top - lowest);
}

// As number = fixedint(places), with the zero's digits taken over: the
// zero's lines as its constructor and destructor write them, without the
// object. Until its "Done." nothing of `number` has changed.
void takezero(fixedint& number, unsigned long long places) {
  setup();
  internal::logorthrow(internal::newfixedintline);
  internal::logorthrow(internal::resizingline, places);
  std::vector<std::int8_t> zeros(places);
  internal::logorthrow(internal::doneline);
  number.digits.swap(zeros);
  number.negative = false;
  number.size = places;
  number.hassign = true;
  number.overflowthrows = false;
  internal::logline(internal::deletedfixedintline);
}

}  // namespace

// --- Construction ------------------------------------------------------------

fixedfloat::fixedfloat(unsigned long long length)
    : value(0), length(0), hassign(false), negative(false) {
  internal::logorthrow(internal::newfixedfloatline);
  init(length);
}

fixedfloat::fixedfloat(const fixedfloat& other) = default;
fixedfloat& fixedfloat::operator=(const fixedfloat& other) = default;

fixedfloat::~fixedfloat() { internal::logline(internal::deletedfixedfloatline); }

void fixedfloat::init(unsigned long long length) {
  internal::logorthrow(internal::initfixedfloatline, length);
  if (length % 2 != 0) {
    throw std::runtime_error("length should be able to be divided by 2!");
  }
  // The new digits are made before any field changes, so a failed
  // allocation leaves the number as it was; the log reads the same.
  internal::logorthrow(internal::registersizeline);
  internal::logorthrow(internal::initpropertiesline);
  internal::logorthrow(internal::initdigitsline);
  takezero(value, length);
  this->length = length;
  hassign = true;
  negative = false;
  internal::logorthrow(internal::doneline);
}

void fixedfloat::updsign() { negative = value.negative; }

namespace internal {

// The constructor's steps above, without the digits: `value`'s zero of no
// places, whose deletion a later failure writes, then init's lines.
void logfixedfloatmade(unsigned long long length) {
  setup();
  logorthrow(newfixedintline);
  logorthrow(resizingline, 0ULL);
  logorthrow(doneline);
  try {
    logorthrow(newfixedfloatline);
    logorthrow(initfixedfloatline, length);
    if (length % 2 != 0) {
      throw std::runtime_error("length should be able to be divided by 2!");
    }
    logorthrow(registersizeline);
    logorthrow(initpropertiesline);
    logorthrow(initdigitsline);
    setup();
    logorthrow(newfixedintline);
    logorthrow(resizingline, length);
    logorthrow(doneline);
    logline(deletedfixedintline);
    logorthrow(doneline);
  } catch (...) {
    logline(deletedfixedintline);
    throw;
  }
}

void logfixedfloatdeleted() noexcept {
  logline(deletedfixedfloatline);
  logline(deletedfixedintline);
}

}  // namespace internal

// --- Parts -------------------------------------------------------------------

fixedint fixedfloat::getintpart() const {
  fixedint part = value.getcopy();
  shiftdown(part, length / 2);
  return part;
}

fixedint fixedfloat::getfractionpart() const {
  fixedint part = value.getcopy();
  shiftup(part, length / 2);
  shiftdown(part, length / 2);
  return part;
}

fixedint& fixedint::operator=(fixedfloat& f) {
  *this = f.getintpart();
  return *this;
}

// --- Assignment --------------------------------------------------------------

fixedfloat& fixedfloat::operator=(fixedint v) {
  if (v.size < length / 2) {
    throw std::out_of_range("Val too small for fixedfloat!");
  }
  // Room for both sizes first: once `value` has taken v, nothing may fail
  // before it is back at `length` places.
  value.digits.reserve(std::max<unsigned long long>(v.size, length));
  value = v;
  value.resize(length);
  updsign();
  for (unsigned long long step = 0; step < length / 2; ++step) {
    value = value * fixedint(length, 10);
  }
  return *this;
}

fixedfloat& fixedfloat::operator=(float x) {
  if (!std::isfinite(x)) {
    throw std::domain_error("Float is not finite!");
  }
  // 2^63: the first magnitude without a 64-bit integer part.
  if (std::fabs(x) >= 9223372036854775808.0F) {
    throw std::out_of_range("Input int bigger than size!");
  }
  const unsigned long long fractionplaces = length / 2;

  const long long integer = truncate(x);
  *this = fixedint(fractionplaces, integer);

  float fraction = std::fabs(x - static_cast<float>(integer));
  if (fraction == 0.0F) {
    return *this;
  }

  // Scale until what is left beyond the last digit taken is at most a
  // thousandth of that digit's unit.
  unsigned long long scalings = 0;
  while (std::fabs(static_cast<double>(fraction - static_cast<float>(truncate(fraction)))) >
         0.001) {
    fraction = fraction * 10.0F;
    ++scalings;
  }
  // `scalings` is the place of the last digit taken below the point, so it
  // also counts a fraction's leading zeros (0.05 needs two places).
  const long long fractiondigits = truncate(fraction);
  if (scalings > fractionplaces || countdigits(fractiondigits) > fractionplaces) {
    throw std::length_error("Fraction of float too big to fit in fixedfloat!");
  }

  fixedint scaled(length, fractiondigits);
  shiftup(scaled, fractionplaces - scalings);

  // The fraction is added to the magnitude: with the integer part's sign on
  // both, the addition takes the same-sign path, and a failed one leaves
  // the integer part as it was. The sign is x's, except that a zero never
  // becomes a negative zero.
  scaled.negative = value.negative;
  value = value + scaled;
  value.negative = x < 0 && significantlength(value.digits) != 0;
  updsign();
  return *this;
}

// --- Text and arithmetic -----------------------------------------------------

// Text, sign first: a part's digits as fixedint::asstring() writes them, but
// without its sign.
std::string fixedfloat::asstring() const {
  const std::size_t half = length / 2;
  internal::textbuilder text(length + 3);
  if (negative) {
    text.put('-');  // the one sign, from our own flag
  }
  // Each part is made and deleted before the next, as a temporary would be.
  // While `value` has `length` places, both parts' digits lie in it where
  // the parts would hold them, so they are read there instead of copied and
  // shifted into place; each part is still made, with the same lines, as
  // getcopy() makes it.
  const bool inplace = value.size == length && value.digits.size() == length;
  if (inplace) {
    {
      const fixedint integerpart(value.size);
      putintegerdigits(text, value.digits.data() + half, length - half, length != 0);
    }
    text.put('.');
    const fixedint fractionpart(value.size);
    putfractiondigits(text, value.digits.data(), half, half);
    return text.take();
  }
  {
    const fixedint integerpart = getintpart();
    putintegerdigits(text, integerpart.digits.data(), integerpart.digits.size(),
                     !integerpart.digits.empty());
  }
  text.put('.');
  const fixedint fractionpart = getfractionpart();
  putfractiondigits(text, fractionpart.digits.data(), fractionpart.digits.size(), half);
  return text.take();
}

fixedfloat fixedfloat::operator+(fixedfloat other) {
  internal::logorthrow(internal::fixedfloatadditionline);
  if (length != other.length) {
    throw std::length_error("Size is not equal!");
  }
  fixedfloat result(length);
  // `other` is this call's own copy: its digits go to the addition's
  // operand, which would otherwise be a second copy of them.
  internal::takeover(result.value, value + internal::takedigits(other.value));
  if (hassign) {
    result.updsign();
  }
  internal::logorthrow(internal::doneline);
  return result;
}

}  // namespace VELDRAN
