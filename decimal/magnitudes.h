// Exact arithmetic on magnitudes held as digit records (base ten, units
// first), shared by the fixedint and fixedfloat operations that make only
// their result; not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decimal/digitwords.h"
#include "decimal/limbs.h"
#include "decimal/rounding.h"

namespace VELDRAN::internal {

// The digits to compute with: `digits` itself when every one is 0 to 9,
// else a copy in `spare` with each digit taken modulo ten, so that digits
// set by hand give some result and never an undefined one.
const std::int8_t* atrest(const std::vector<std::int8_t>& digits, std::vector<std::int8_t>& spare);

// Whether every digit is 0 to 9; inline, as the small operations' one pass.
inline bool isatrest(const std::vector<std::int8_t>& digits) {
  const std::int8_t* places = digits.data();
  const std::size_t count = digits.size();
  std::size_t p = 0;
  std::uint64_t outside = 0;
  for (; p + 8 <= count; p += 8) {
    outside |= notatrest(loadword(places + p));
  }
  bool atrest = outside == 0;
  for (; p < count; ++p) {
    atrest = atrest && static_cast<std::uint8_t>(places[p]) <= 9;
  }
  return atrest;
}

// Two operands' digits to compute with, and the room for them should they
// not be at rest.
struct operanddigits {
  std::vector<std::int8_t> leftspare;
  std::vector<std::int8_t> rightspare;
  const std::int8_t* left;
  const std::int8_t* right;

  operanddigits(const std::vector<std::int8_t>& a, const std::vector<std::int8_t>& b)
      : left(a.data()), right(b.data()) {
    if (!isatrest(a) || !isatrest(b)) {
      left = atrest(a, leftspare);
      right = atrest(b, rightspare);
    }
  }
};

bool iszero(const std::int8_t* digits, std::size_t places);

// The refusals the operations share: a result that needs more places than
// it has, and a divisor of zero magnitude (checked before anything is made).
[[noreturn]] void throwoverflow();
void checkdivisor(const std::int8_t* divisor, std::size_t places);
// Orders two magnitudes of `places` digits: <0, 0 or >0.
int compare(const std::int8_t* a, const std::int8_t* b, std::size_t places);

// The exact signed difference (a - b, each with its sign) into `out`, which
// takes its magnitude, and `negative`; a zero difference is positive.
// Returns false when the magnitude needs more than `places` places.
bool difference(const std::int8_t* a, bool anegative, const std::int8_t* b, bool bnegative,
                std::int8_t* out, bool& negative, std::size_t places);

// Whether the exact signed difference a - b (each with its sign) fits
// `places` places: only magnitudes that add up can outgrow them.
bool differencefits(const std::int8_t* a, bool anegative, const std::int8_t* b, bool bnegative,
                    std::size_t places);

// Whether a magnitude rounded by `mode` still fits: false when rounding
// brings it up by one unit of `lowestkept` and every place from there to
// the top holds a nine.
bool roundedfits(const std::int8_t* digits, std::size_t lowestkept, std::size_t places,
                 rounding mode, bool negative, remainder dropped);

// Whether `count` limbs rounded by `mode` fit `places` digits, decided as
// the digits themselves would be by spreadlimbs and roundmagnitude.
bool limbsfit(const std::uint64_t* limbs, std::size_t count, std::size_t places, rounding mode,
              bool negative, remainder dropped);

// Adds one unit at place `from`; false when the carry leaves the top place.
bool addunit(std::int8_t* digits, std::size_t from, std::size_t places);

// Brings a magnitude up by one unit of its lowest kept place when `mode`
// says so; false when that carry leaves the top place.
bool roundmagnitude(std::int8_t* digits, std::size_t lowestkept, std::size_t places, rounding mode,
                    bool negative, remainder dropped);

// The long division of |a| * 10^scale by |b|, a non-zero magnitude; a and b
// have `places` digits, at rest. Done before the result object is made,
// which then takes the quotient or the remainder.
class magnitudedivision {
 public:
  magnitudedivision(const std::int8_t* a, const std::int8_t* b, std::size_t places,
                    std::size_t scale);
  // Holds pointers into its own scratch.
  magnitudedivision(const magnitudedivision&) = delete;
  magnitudedivision& operator=(const magnitudedivision&) = delete;
  ~magnitudedivision() = default;
  // The quotient toward zero; false when it needs more than `places` places.
  bool writequotient(std::int8_t* digits, std::size_t places) const;
  // Whether the quotient rounded by `mode` fits `places` places.
  bool quotientfits(std::size_t places, rounding mode, bool negative) const {
    return limbsfit(quotient_, nq_, places, mode, negative, dropped());
  }
  // The remainder, which always fits the divisor's places.
  void writeremainder(std::int8_t* digits, std::size_t places) const;
  // What the remainder amounts to against half the divisor, both scaled.
  remainder dropped() const { return againsthalf(remainder_, divisor_, nb_); }

 private:
  kernelscratch scratch_;
  // The divisor and the remainder multiplied by scale_, which only the
  // remainder's own digits need taken out.
  std::uint64_t* divisor_ = nullptr;
  std::uint64_t* quotient_ = nullptr;
  std::uint64_t* remainder_ = nullptr;
  std::uint64_t scale_ = 1;
  std::size_t nb_ = 0;
  std::size_t nq_ = 0;
};

// The exact product |a| * |b| divided by 10^scale: the kept digits toward
// zero, and what the dropped ones amount to. a and b have `places` digits,
// at rest.
class magnitudeproduct {
 public:
  magnitudeproduct(const std::int8_t* a, const std::int8_t* b, std::size_t places,
                   std::size_t scale);
  // Holds pointers into its own scratch.
  magnitudeproduct(const magnitudeproduct&) = delete;
  magnitudeproduct& operator=(const magnitudeproduct&) = delete;
  ~magnitudeproduct() = default;
  // The kept digits; false when they need more than `places` places.
  bool writekept(std::int8_t* digits, std::size_t places) const;
  remainder dropped() const { return dropped_; }
  // Whether the kept digits rounded by `mode` fit `places` places.
  bool keptfits(std::size_t places, rounding mode, bool negative) const {
    return limbsfit(kept_, nk_, places, mode, negative, dropped_);
  }

 private:
  kernelscratch scratch_;
  std::uint64_t* kept_ = nullptr;
  std::size_t nk_ = 0;
  remainder dropped_ = remainder::zero;
};

// Reads decimal text as the nearest double; a magnitude beyond the largest
// double gives an infinity, one below the smallest a zero, signed as the text.
double readdouble(const std::string& text);

}  // namespace VELDRAN::internal
