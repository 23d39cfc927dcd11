#include "decimal/magnitudes.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "decimal/digitwords.h"

namespace VELDRAN::internal {

namespace {

std::int8_t moduloten(std::int8_t digit) {
  const int rest = digit % 10;
  return static_cast<std::int8_t>(rest < 0 ? rest + 10 : rest);
}

// Places below this are taken eight at a time.
std::size_t wordplaces(std::size_t places) { return kPlacesAreWords ? places / 8 * 8 : 0; }

// |a| + |b| into `out`; false when a carry leaves the top place.
bool addmagnitudes(const std::int8_t* a, const std::int8_t* b, std::int8_t* out,
                   std::size_t places) {
  std::uint64_t carry = 0;
  std::size_t p = 0;
  for (; p < wordplaces(places); p += 8) {
    storeword(out + p, addword(loadword(a + p), loadword(b + p), carry));
  }
  for (; p < places; ++p) {
    const auto sum = static_cast<std::uint64_t>(a[p] + b[p]) + carry;
    carry = sum >= 10 ? 1 : 0;
    out[p] = static_cast<std::int8_t>(sum - 10 * carry);
  }
  return carry == 0;
}

// |a| - |b| into `out`, for |a| >= |b|.
void subtractmagnitudes(const std::int8_t* a, const std::int8_t* b, std::int8_t* out,
                        std::size_t places) {
  std::uint64_t borrow = 0;
  std::size_t p = 0;
  for (; p < wordplaces(places); p += 8) {
    storeword(out + p, subtractword(loadword(a + p), loadword(b + p), borrow));
  }
  for (; p < places; ++p) {
    const int rest = a[p] - b[p] - static_cast<int>(borrow);
    borrow = rest < 0 ? 1 : 0;
    out[p] = static_cast<std::int8_t>(rest + 10 * static_cast<int>(borrow));
  }
}

}  // namespace

const std::int8_t* atrest(const std::vector<std::int8_t>& digits, std::vector<std::int8_t>& spare) {
  if (isatrest(digits)) {
    return digits.data();
  }
  spare.resize(digits.size());
  for (std::size_t p = 0; p < digits.size(); ++p) {
    spare[p] = moduloten(digits[p]);
  }
  return spare.data();
}

bool iszero(const std::int8_t* digits, std::size_t places) {
  std::uint64_t any = 0;
  std::size_t p = 0;
  for (; p + 8 <= places; p += 8) {
    any |= loadword(digits + p);
  }
  for (; p < places; ++p) {
    any |= static_cast<std::uint8_t>(digits[p]);
  }
  return any == 0;
}

void throwoverflow() { throw std::overflow_error("Overflow occured."); }

void checkdivisor(const std::int8_t* divisor, std::size_t places) {
  if (iszero(divisor, places)) {
    throw std::domain_error("Division by zero!");
  }
}

// From the top: the places above the whole words first, then a word at a
// time, whose order as numbers is that of their places.
int compare(const std::int8_t* a, const std::int8_t* b, std::size_t places) {
  const std::size_t words = wordplaces(places);
  for (std::size_t p = places; p > words; --p) {
    if (a[p - 1] != b[p - 1]) {
      return a[p - 1] < b[p - 1] ? -1 : 1;
    }
  }
  for (std::size_t p = words; p > 0; p -= 8) {
    const std::uint64_t left = loadword(a + p - 8);
    const std::uint64_t right = loadword(b + p - 8);
    if (left != right) {
      return left < right ? -1 : 1;
    }
  }
  return 0;
}

bool difference(const std::int8_t* a, bool anegative, const std::int8_t* b, bool bnegative,
                std::int8_t* out, bool& negative, std::size_t places) {
  if (anegative != bnegative) {
    // Magnitudes add up: -a - b or a + b, with a's sign unless both are zero.
    negative = anegative && !(iszero(a, places) && iszero(b, places));
    return addmagnitudes(a, b, out, places);
  }
  const int order = compare(a, b, places);
  if (order >= 0) {
    subtractmagnitudes(a, b, out, places);
    negative = anegative && order > 0;
  } else {
    subtractmagnitudes(b, a, out, places);
    negative = !anegative;
  }
  return true;
}

// |a| + |b| reaches 10^places exactly when a exceeds the nines' complement
// of b: the highest place whose digits do not sum to 9 tells.
bool differencefits(const std::int8_t* a, bool anegative, const std::int8_t* b, bool bnegative,
                    std::size_t places) {
  if (anegative == bnegative) {
    return true;
  }
  for (std::size_t p = places; p > 0; --p) {
    const int sum = a[p - 1] + b[p - 1];
    if (sum != 9) {
      return sum < 9;
    }
  }
  return true;
}

bool roundedfits(const std::int8_t* digits, std::size_t lowestkept, std::size_t places,
                 rounding mode, bool negative, remainder dropped) {
  const bool lastkeptodd = lowestkept < places && digits[lowestkept] % 2 != 0;
  if (!roundsup(mode, negative, lastkeptodd, dropped)) {
    return true;
  }
  for (std::size_t p = lowestkept; p < places; ++p) {
    if (digits[p] != 9) {
      return true;
    }
  }
  return false;
}

bool limbsfit(const std::uint64_t* limbs, std::size_t count, std::size_t places, rounding mode,
              bool negative, remainder dropped) {
  while (count > 0 && limbs[count - 1] == 0) {
    --count;
  }
  // The lowest digit's parity is the lowest limb's, the base being even.
  const bool up = roundsup(mode, negative, count > 0 && limbs[0] % 2 != 0, dropped);
  if (count == 0) {
    return places > 0 || !up;
  }
  std::size_t digits = count * kDigitsPerLimb - kDigitsPerLimb + 1;
  std::uint64_t nines = 9;  // the top limb's digits, all nines
  for (const std::uint64_t top = limbs[count - 1]; top > nines; nines = nines * 10 + 9) {
    ++digits;
  }
  if (digits != places || !up) {
    return digits <= places;
  }
  // Exactly `places` digits, brought up by one unit: only all nines carry out.
  if (limbs[count - 1] != nines) {
    return true;
  }
  for (std::size_t k = 0; k + 1 < count; ++k) {
    if (limbs[k] != kLimbBase - 1) {
      return true;
    }
  }
  return false;
}

bool addunit(std::int8_t* digits, std::size_t from, std::size_t places) {
  for (std::size_t p = from; p < places; ++p) {
    if (digits[p] != 9) {
      ++digits[p];
      return true;
    }
    digits[p] = 0;
  }
  return false;
}

bool roundmagnitude(std::int8_t* digits, std::size_t lowestkept, std::size_t places, rounding mode,
                    bool negative, remainder dropped) {
  const bool lastkeptodd = lowestkept < places && digits[lowestkept] % 2 != 0;
  if (!roundsup(mode, negative, lastkeptodd, dropped)) {
    return true;
  }
  return addunit(digits, lowestkept, places);
}

// --- Division ------------------------------------------------------------------

namespace {

// Words for the operands, the results and the kernel's work: the dividend
// gets room to be scaled up.
std::size_t divisionwords(std::size_t places, std::size_t scale) {
  const std::size_t dividend = limbcount(places) + scale / kDigitsPerLimb + 2;
  const std::size_t divisor = limbcount(places);
  return 2 * dividend + 2 * divisor + divisionwork(dividend, divisor);
}

}  // namespace

magnitudedivision::magnitudedivision(const std::int8_t* a, const std::int8_t* b, std::size_t places,
                                     std::size_t scale)
    : scratch_(divisionwords(places, scale)) {
  const std::size_t dividendroom = limbcount(places) + scale / kDigitsPerLimb + 2;
  const std::size_t divisorroom = limbcount(places);
  std::uint64_t* dividend = scratch_.data();
  divisor_ = dividend + dividendroom;
  quotient_ = divisor_ + divisorroom;
  remainder_ = quotient_ + dividendroom;
  std::uint64_t* work = remainder_ + divisorroom;

  std::size_t na = 0;
  packlimbs(a, places, dividend, na);  // digits at rest: atrest() read them
  packlimbs(b, places, divisor_, nb_);
  na = scaleup(dividend, na, scale);
  scale_ = dividescaled(dividend, na, divisor_, nb_, quotient_, remainder_, work);
  divisor_ = work + na + 1;  // scaled
  nq_ = na >= nb_ ? na - nb_ + 1 : 0;
}

bool magnitudedivision::writequotient(std::int8_t* digits, std::size_t places) const {
  return spreadlimbs(quotient_, nq_, digits, places);
}

void magnitudedivision::writeremainder(std::int8_t* digits, std::size_t places) const {
  kernelscratch remainder(nb_);
  std::copy(remainder_, remainder_ + nb_, remainder.data());
  dividesmall(remainder.data(), nb_, scale_);
  spreadlimbs(remainder.data(), nb_, digits, places);
}

// --- Multiplication ------------------------------------------------------------

magnitudeproduct::magnitudeproduct(const std::int8_t* a, const std::int8_t* b, std::size_t places,
                                   std::size_t scale)
    : scratch_(4 * limbcount(places)) {
  const std::size_t limbs = limbcount(places);
  std::uint64_t* left = scratch_.data();
  std::uint64_t* right = left + limbs;
  kept_ = right + limbs;
  std::size_t na = 0;
  std::size_t nb = 0;
  packlimbs(a, places, left, na);  // digits at rest: atrest() read them
  packlimbs(b, places, right, nb);
  if (na == 0 || nb == 0) {
    return;  // a zero product
  }
  // Amounts held to many places end in zero limbs, which add nothing but
  // zero columns: the kernel multiplies only what lies above them.
  std::size_t za = 0;
  std::size_t zb = 0;
  while (left[za] == 0) {
    ++za;
  }
  while (right[zb] == 0) {
    ++zb;
  }
  std::fill(kept_, kept_ + za + zb, std::uint64_t{0});
  multiplylimbs(left + za, na - za, right + zb, nb - zb, kept_ + za + zb);
  dropped_ = lowdigits(kept_, na + nb, scale);
  nk_ = scaledown(kept_, na + nb, scale);
}

bool magnitudeproduct::writekept(std::int8_t* digits, std::size_t places) const {
  return spreadlimbs(kept_, nk_, digits, places);
}

// --- Conversion ------------------------------------------------------------------

double readdouble(const std::string& text) {
  double value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) {
    const bool negative = text.front() == '-';
    const std::size_t lead = negative ? 1 : 0;
    // The text has no leading zeros: a non-zero first digit is a huge value.
    const bool huge = text[lead] != '0';
    value = huge ? std::numeric_limits<double>::infinity() : 0.0;
    value = negative ? -value : value;
  }
  static_cast<void>(end);
  return value;
}

}  // namespace VELDRAN::internal
