#include "decimal/fixedint"

#include <stdexcept>
#include <string>

#include "decimal/digits.h"
#include "decimal/digittext.h"

namespace VELDRAN {

using internal::comparemagnitudes;
using internal::significantlength;

namespace {

// Number of decimal digits of `magnitude`; zero has one.
unsigned long long decimallength(unsigned long long magnitude) {
  unsigned long long length = 1;
  for (; magnitude >= 10; magnitude /= 10) {
    ++length;
  }
  return length;
}

std::out_of_range multiplicationoutofrange(unsigned long long index) {
  return std::out_of_range("Out of range while running multiplication! Index: " +
                           std::to_string(index));
}

}  // namespace

// --- Construction and assignment --------------------------------------------

fixedint::fixedint(unsigned long long size)
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
  internal::logline("New fixedint object!");
  internal::logline("Resizing Digits to: ", places);
  digits.resize(places);
  internal::logline("Done.");
  overflowthrows = false;
  hassign = true;
}

fixedint::~fixedint() { internal::logline("Deleted fixedint object."); }

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
  const bool isnegative = value < 0;
  // Negated in unsigned arithmetic, so the most negative value has one too.
  const unsigned long long magnitude = isnegative ? 0ULL - static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value);
  if (decimallength(magnitude) > size) {
    throw std::out_of_range("Input int bigger than size!");
  }
  if (hassign) {
    negative = isnegative;
  }
  digits.assign(size, 0);
  unsigned long long rest = magnitude;
  for (std::size_t i = 0; rest != 0; ++i, rest /= 10) {
    digits[i] = static_cast<std::int8_t>(rest % 10);
  }
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
  internal::logline("Resize requested in fixedint.");
  internal::logline("Resizing Digits to: ", size);
  // The count is stored only once the storage has it, so the two never differ.
  digits.resize(size);
  this->size = size;
  internal::logline("Done.");
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

// --- Comparison --------------------------------------------------------------

bool fixedint::operator==(fixedint other) const {
  return digits == other.digits && negative == other.negative;
}

bool fixedint::operator!=(fixedint other) const { return !(*this == other); }

bool fixedint::operator>(fixedint other) const {
  if (negative != other.negative) {
    return other.negative;
  }
  const int order = comparemagnitudes(digits, other.digits);
  // Among negatives the larger magnitude is the smaller number.
  return negative ? order < 0 : order > 0;
}

bool fixedint::operator<(fixedint other) const {
  if (*this > other) {
    return false;
  }
  return *this != other;
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
  std::int8_t carry = 0;
  for (unsigned long long p = 0; p < size; ++p) {
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
  return sum;  // a silent copy; the caller destroys the working sum
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

// Digits at rest take a kernel on limbs of eight decimal digits, base 10^8,
// that sums limb products (each below 10^16) in 64-bit columns.
constexpr std::size_t kDigitsPerLimb = 8;
constexpr std::uint64_t kLimbBase = 100000000;
// Rows summed between two carry passes: 1024 products below 10^16 on top of
// a carried column below 10^8 stay below 2^64.
constexpr std::size_t kRowsPerCarry = 1024;

std::size_t limbcount(std::size_t digitcount) {
  return (digitcount + kDigitsPerLimb - 1) / kDigitsPerLimb;
}

// The kernel's working words. For records of up to 1024 places they live
// on the stack, so the multiplication allocates nothing beyond its result.
class kernelscratch {
 public:
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): see local_
  explicit kernelscratch(std::size_t words) {
    if (words > kLocalWords) {
      heap_.resize(words);
    }
  }
  std::uint64_t* data() { return heap_.empty() ? local_ : heap_.data(); }

 private:
  static constexpr std::size_t kLocalWords = 512;
  // Left uninitialised: the kernel writes every word before it reads it.
  std::uint64_t local_[kLocalWords];
  std::vector<std::uint64_t> heap_;
};

void keeplargest(std::uint8_t digit, std::uint8_t& largest) {
  largest = digit > largest ? digit : largest;
}

// Four digits, units first, as one number; below 10^4 when they are at rest.
// `largest` keeps the largest digit seen, read as unsigned.
std::uint64_t fourdigits(const std::int8_t* digits, std::uint8_t& largest) {
  const auto d0 = static_cast<std::uint8_t>(digits[0]);
  const auto d1 = static_cast<std::uint8_t>(digits[1]);
  const auto d2 = static_cast<std::uint8_t>(digits[2]);
  const auto d3 = static_cast<std::uint8_t>(digits[3]);
  keeplargest(d0, largest);
  keeplargest(d1, largest);
  keeplargest(d2, largest);
  keeplargest(d3, largest);
  return d0 + 10U * d1 + 100U * d2 + 1000U * d3;
}

bool eightzeros(const std::int8_t* digits) {
  return (digits[0] | digits[1] | digits[2] | digits[3] | digits[4] | digits[5] | digits[6] |
          digits[7]) == 0;
}

// Places up to the top of the highest limb that holds a non-zero digit.
// Whole limbs are tested eight places at a time, which costs far less than
// packing the zeros.
std::size_t placesinuse(const std::int8_t* digits, std::size_t count) {
  const std::size_t whole = count / kDigitsPerLimb * kDigitsPerLimb;
  std::size_t inuse = count;
  while (inuse > whole && digits[inuse - 1] == 0) {
    --inuse;
  }
  if (inuse > whole) {
    return inuse;  // a non-zero digit in the partial top limb
  }
  while (inuse > 0 && eightzeros(digits + inuse - kDigitsPerLimb)) {
    inuse -= kDigitsPerLimb;
  }
  return inuse;
}

// Groups the digits in use, least significant first, into limbs and returns
// their number, the top one non-zero; or returns false when a digit lies
// outside 0 to 9.
bool packlimbs(const std::int8_t* digits, std::size_t count, std::uint64_t* limbs,
               std::size_t& limbsinuse) {
  const std::size_t inuse = placesinuse(digits, count);
  std::uint8_t largest = 0;
  const std::size_t whole = inuse / kDigitsPerLimb;
  for (std::size_t k = 0; k < whole; ++k) {
    const std::int8_t* limbdigits = digits + k * kDigitsPerLimb;
    limbs[k] = fourdigits(limbdigits, largest) + 10000 * fourdigits(limbdigits + 4, largest);
  }
  if (inuse % kDigitsPerLimb != 0) {
    std::uint64_t limb = 0;
    for (std::size_t i = inuse; i > whole * kDigitsPerLimb; --i) {
      const auto digit = static_cast<std::uint8_t>(digits[i - 1]);
      keeplargest(digit, largest);
      limb = limb * 10 + digit;
    }
    limbs[whole] = limb;
  }
  limbsinuse = limbcount(inuse);
  return largest <= 9;
}

// Leaves every column below 10^8, passing the excess up. The partial
// product fits the columns, so nothing is carried out of the top one.
void carrycolumns(std::uint64_t* columns, std::size_t count) {
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint64_t column = columns[k] + carry;
    carry = column / kLimbBase;
    columns[k] = column % kLimbBase;
  }
}

// The two digits of each number below 100, units first: limbs are written
// two places at a time.
struct digitpairs {
  std::int8_t digits[100][2];
};

constexpr digitpairs makedigitpairs() {
  digitpairs pairs{};
  for (int value = 0; value < 100; ++value) {
    pairs.digits[value][0] = static_cast<std::int8_t>(value % 10);
    pairs.digits[value][1] = static_cast<std::int8_t>(value / 10);
  }
  return pairs;
}

constexpr digitpairs kDigitPairs = makedigitpairs();

// Writes the four digits of a number below 10^4, units first.
void spreadfour(std::uint32_t value, std::int8_t* digits) {
  const std::int8_t* low = kDigitPairs.digits[value % 100];
  const std::int8_t* high = kDigitPairs.digits[value / 100];
  digits[0] = low[0];
  digits[1] = low[1];
  digits[2] = high[0];
  digits[3] = high[1];
}

// Writes the eight digits of a limb, units first.
void spreadlimb(std::uint64_t limb, std::int8_t* digits) {
  const auto value = static_cast<std::uint32_t>(limb);
  spreadfour(value % 10000, digits);
  spreadfour(value / 10000, digits + 4);
}

// The exact product of two records of `places` digits into `product`, whose
// digits are zero on entry. A product of more than `places` digits throws
// with index `places`, as the digit loop does for digits at rest. Returns
// false, having written nothing, when a digit is not at rest.
bool multiplyatrest(const std::int8_t* left, const std::int8_t* right, std::int8_t* product,
                    std::size_t places) {
  const std::size_t limbs = limbcount(places);
  kernelscratch scratch(4 * limbs);
  std::uint64_t* a = scratch.data();
  std::uint64_t* b = a + limbs;
  std::uint64_t* columns = b + limbs;
  std::size_t na = 0;
  std::size_t nb = 0;
  if (!packlimbs(left, places, a, na) || !packlimbs(right, places, b, nb)) {
    return false;
  }
  if (na == 0 || nb == 0) {
    return true;  // a zero operand
  }

  const std::size_t nc = na + nb;
  for (std::size_t k = 0; k < nc; ++k) {
    columns[k] = 0;
  }
  for (std::size_t i = 0; i < na; ++i) {
    const std::uint64_t ai = a[i];
    for (std::size_t j = 0; j < nb; ++j) {
      columns[i + j] += ai * b[j];
    }
    if ((i + 1) % kRowsPerCarry == 0) {
      carrycolumns(columns, nc);
    }
  }
  carrycolumns(columns, nc);

  // The top column may be 0; below the top non-zero limb every place fits.
  const std::size_t top = columns[nc - 1] != 0 ? nc - 1 : nc - 2;
  const std::size_t toplow = top * kDigitsPerLimb;  // the top limb's units place
  if (toplow >= places) {
    throw multiplicationoutofrange(places);
  }
  for (std::size_t k = 0; k < top; ++k) {
    spreadlimb(columns[k], product + k * kDigitsPerLimb);
  }
  std::size_t p = toplow;
  for (std::uint64_t limb = columns[top]; limb != 0; limb /= 10, ++p) {
    if (p >= places) {
      throw multiplicationoutofrange(places);
    }
    product[p] = static_cast<std::int8_t>(limb % 10);
  }
  return true;
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

  if (!multiplyatrest(left, right, product, size)) {
    multiplydigitbydigit(left, significantlength(digits), right, significantlength(other.digits),
                         product, size);
  }

  if (hassign) {
    result.negative = negative != other.negative;
  }
  return result;
}

}  // namespace VELDRAN
