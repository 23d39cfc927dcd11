#include "decimal/fixedint"

#include <cstdint>
#include <stdexcept>
#include <string>

#include "decimal/digits.h"
#include "decimal/digittext.h"
#include "decimal/digitwords.h"
#include "decimal/limbs.h"
#include "decimal/lines.h"

namespace VELDRAN {

using internal::significantlength;

namespace {

std::out_of_range multiplicationoutofrange(unsigned long long index) {
  return std::out_of_range("Out of range while running multiplication! Index: " +
                           std::to_string(index));
}

}  // namespace

// --- Construction and assignment --------------------------------------------

// The most made object: construct() goes inline here, sparing a call.
[[gnu::flatten]] fixedint::fixedint(unsigned long long size)
    : negative(false), size(0), hassign(true), overflowthrows(false) {
  construct(size);
}

// Not delegating: a failed assignment must leave no constructed object
// behind, so no deletion line is written for it.
fixedint::fixedint(unsigned long long size, long long value)
    : negative(false), size(0), hassign(true), overflowthrows(false) {
  construct(size);
  *this = value;
}

void fixedint::construct(unsigned long long places) {
  setup();
  size = places;
  internal::logorthrow(internal::newfixedintline);
  internal::logorthrow(internal::resizingline, places);
  std::vector<std::int8_t>(places).swap(digits);  // from empty: cheaper than resize
  internal::logorthrow(internal::doneline);
  overflowthrows = false;
  hassign = true;
}

fixedint::~fixedint() { internal::logline(internal::deletedfixedintline); }

// The digits first: should their storage fail, no field has changed yet,
// so `size` never differs from the number of digits.
fixedint& fixedint::operator=(const fixedint& other) {
  if (this == &other) {
    return *this;
  }
  digits = other.digits;
  negative = other.negative;
  size = other.size;
  hassign = other.hassign;
  overflowthrows = other.overflowthrows;
  return *this;
}

fixedint& fixedint::operator=(long long value) {
  assign(integer(value));
  return *this;
}

fixedint fixedint::getcopy() const {
  fixedint copy(size);
  copy.negative = negative;
  copy.hassign = hassign;
  copy.overflowthrows = overflowthrows;
  copy.digits = digits;
  return copy;
}

void fixedint::resize(unsigned long long size) {
  internal::logorthrow("Resize requested in fixedint.");
  internal::logorthrow(internal::resizingline, size);
  // The count is stored only once the storage has it, so the two never differ.
  digits.resize(size);
  this->size = size;
  internal::logorthrow(internal::doneline);
}

// --- Digits and text ---------------------------------------------------------

void fixedint::wholeshiftl() {
  if (size == 0) {
    return;  // no places to move
  }
  for (unsigned long long i = size - 1; i > 0; --i) {
    digits[i] = digits[i - 1];
  }
  digits[0] = 0;
}

void fixedint::wholeshiftr() {
  if (size == 0) {
    return;  // no places to move
  }
  for (unsigned long long i = 0; i + 1 < size; ++i) {
    digits[i] = digits[i + 1];
  }
  digits[size - 1] = 0;
}

std::vector<std::int8_t> fixedint::getshorteneddigits() const {
  const auto end = digits.begin() + static_cast<std::ptrdiff_t>(significantlength(digits));
  return std::vector<std::int8_t>(digits.begin(), end);
}

// The sign, then the significant digits, or one 0 for a zero magnitude in
// at least one place: the places above the significant ones would only
// give leading zeros, so they are never written.
std::string fixedint::asstring() const {
  const std::size_t significant = significantlength(digits);
  internal::textbuilder text(significant + 1);
  if (negative) {
    text.put('-');
  }
  if (significant != 0) {
    text.putdigits(digits.data(), significant);
  } else if (!digits.empty()) {
    text.put('0');
  }
  return text.take();
}

// --- Arithmetic --------------------------------------------------------------

fixedint fixedint::operator+(fixedint other) {
  if (other.size != size) {
    throw std::length_error("Int sizes are not equal!");
  }
  fixedint sum(size);
  if (hassign && negative != other.negative) {
    return subtractmagnitudes(other);
  }
  return addmagnitudes(other, sum);
}

fixedint fixedint::addmagnitudes(const fixedint& other, fixedint& sum) {
  sum.negative = negative;
  // Plain pointers: stores through int8_t may alias anything, so the vectors'
  // buffers would be reloaded on every pass.
  const std::int8_t* left = digits.data();
  const std::int8_t* right = other.digits.data();
  std::int8_t* out = sum.digits.data();
  const unsigned long long places = size;  // not reloaded after each store
  // Digits at rest go eight places at a time; digits set by hand take the
  // place-by-place loop from the first word that holds one.
  std::uint64_t wordcarry = 0;
  unsigned long long p = 0;
  for (; internal::kPlacesAreWords && p + 8 <= places; p += 8) {
    const std::uint64_t a = internal::loadword(left + p);
    const std::uint64_t b = internal::loadword(right + p);
    if ((internal::notatrest(a) | internal::notatrest(b)) != 0) {
      break;
    }
    internal::storeword(out + p, internal::addword(a, b, wordcarry));
  }
  auto carry = static_cast<std::int8_t>(wordcarry);
  for (; p < places; ++p) {
    auto place = static_cast<std::int8_t>(left[p] + right[p] + carry);
    carry = 0;
    if (place > 9) {  // as many tens as leave 9 or less
      carry = static_cast<std::int8_t>(place / 10);
      place = static_cast<std::int8_t>(place - 10 * carry);
    }
    out[p] = place;
  }
  if (carry > 0) {
    if (overflowthrows) {
      throw std::overflow_error("Overflow occured.");
    }
    // The sum wraps; the carry that fell off the top is kept here.
    *this = 0LL;
    if (carry > 9) {
      throw std::out_of_range("Carry over 9!");
    }
    digits[0] = carry;
  }
  // The result is a silent copy of the working sum, which the caller then
  // deletes: it takes the sum's digits over instead of copying them.
  return internal::takedigits(sum);
}

fixedint fixedint::subtractmagnitudes(const fixedint& other) const {
  fixedint first(*this);
  fixedint second(other);
  fixedint result(size);
  // Subtract the negative operand from the non-negative one.
  if (first < second) {
    first = second;
    second = *this;
  }
  result.negative = first.negative;
  const std::int8_t* left = first.digits.data();
  const std::int8_t* right = second.digits.data();
  std::int8_t* out = result.digits.data();
  std::int8_t borrow = 0;
  for (unsigned long long p = 0; p < size; ++p) {
    auto place = static_cast<std::int8_t>(left[p] - right[p] - borrow);
    borrow = 0;
    if (place < 0) {  // as many tens as bring it to 0 or more
      borrow = static_cast<std::int8_t>((9 - place) / 10);
      place = static_cast<std::int8_t>(place + 10 * borrow);
    }
    out[p] = place;
  }
  if (borrow > 0) {
    throw std::underflow_error("Underflow occured.");
  }
  return result;
}

// --- Multiplication ------------------------------------------------------------

namespace {

// The schoolbook loop in base ten, one place sum per digit pair. It is the
// path for digits set by hand, whose carries and indices it defines.
void multiplydigitbydigit(const std::int8_t* left, unsigned long long la, const std::int8_t* right,
                          unsigned long long lb, std::int8_t* product, unsigned long long places) {
  for (unsigned long long i = 0; i < la; ++i) {
    // The row's columns reach place i + lb - 1; the first one past the top
    // is always place `places`.
    if (i + lb > places) {
      throw multiplicationoutofrange(places);
    }
    const std::int32_t leftdigit = left[i];
    std::int32_t carry = 0;
    for (unsigned long long j = 0; j < lb; ++j) {
      const std::int32_t placesum = product[i + j] + right[j] * leftdigit + carry;
      carry = placesum / 10;
      product[i + j] = static_cast<std::int8_t>(placesum - 10 * carry);
    }
    if (carry != 0) {
      const unsigned long long q = lb + i;
      if (q > places - 1) {
        throw multiplicationoutofrange(q);
      }
      product[q] = static_cast<std::int8_t>(product[q] + carry);
    }
  }
}

}  // namespace

fixedint fixedint::operator*(fixedint other) const {
  if (other.size != size) {
    throw std::length_error("Int sizes are not equal!");
  }
  fixedint result(size);
  result = 0LL;  // throws for a record without places

  // Plain pointers: stores through int8_t may alias any object, so loops
  // reading through the vectors would reload them on every pass.
  const std::int8_t* left = digits.data();
  const std::int8_t* right = other.digits.data();
  std::int8_t* product = result.digits.data();

  switch (internal::multiplyatrest(left, right, product, size)) {
    case internal::productfit::fits:
      break;
    case internal::productfit::toolarge:
      throw multiplicationoutofrange(size);
    case internal::productfit::notatrest:
      multiplydigitbydigit(left, significantlength(digits), right, significantlength(other.digits),
                           product, size);
      break;
  }

  if (hassign) {
    result.negative = negative != other.negative;
  }
  return result;
}

}  // namespace VELDRAN
