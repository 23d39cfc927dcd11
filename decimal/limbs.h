// Base-10^8 limbs: the packing of digit records into limbs, the way back,
// and the multiplication and division kernels that work on them; not
// installed. A limb holds eight decimal places, units first, and every
// limb array is least significant first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "decimal/rounding.h"

namespace VELDRAN::internal {

constexpr std::size_t kDigitsPerLimb = 8;
constexpr std::uint64_t kLimbBase = 100000000;

// Limbs that hold `digitcount` places.
inline std::size_t limbcount(std::size_t digitcount) {
  return (digitcount + kDigitsPerLimb - 1) / kDigitsPerLimb;
}

// The kernels' working words. Up to 512 of them live on the stack, so the
// usual operation allocates nothing beyond its result.
class kernelscratch {
 public:
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): see local_
  explicit kernelscratch(std::size_t words) {
    if (words > kLocalWords) {
      heap_.reset(new std::uint64_t[words]);  // NOLINT(cppcoreguidelines-owning-memory)
    }
  }
  std::uint64_t* data() { return heap_ ? heap_.get() : local_; }

 private:
  static constexpr std::size_t kLocalWords = 512;
  // Left uninitialised, here and on the heap: the kernels write every word
  // before they read it.
  std::uint64_t local_[kLocalWords];       // NOLINT(cppcoreguidelines-avoid-c-arrays)
  std::unique_ptr<std::uint64_t[]> heap_;  // NOLINT(cppcoreguidelines-avoid-c-arrays)
};

// --- Packing and spreading ---------------------------------------------------
// Groups the digits in use into limbs and sets `limbsinuse` to their number,
// the top one non-zero; returns false when a digit lies outside 0 to 9.
bool packlimbs(const std::int8_t* digits, std::size_t count, std::uint64_t* limbs,
               std::size_t& limbsinuse);
// Writes the eight digits of a limb, units first.
void spreadlimb(std::uint64_t limb, std::int8_t* digits);
// Writes `count` limbs as the digits of a record of `places` places;
// returns false, leaving the digits undefined, when they need more places.
bool spreadlimbs(const std::uint64_t* limbs, std::size_t count, std::int8_t* digits,
                 std::size_t places);

// --- Decimal shifts ------------------------------------------------------------
// Times 10^places, in place; `limbs` has room for count + places/8 + 1
// limbs. Returns the new count, the top limb non-zero (0 for a zero).
std::size_t scaleup(std::uint64_t* limbs, std::size_t count, std::size_t places);
// Divided by 10^places toward zero, in place; returns the new count.
std::size_t scaledown(std::uint64_t* limbs, std::size_t count, std::size_t places);
// What the lowest `places` digits amount to against half a unit of the
// place just above them.
remainder lowdigits(const std::uint64_t* limbs, std::size_t count, std::size_t places);

// --- Multiplication ------------------------------------------------------------
// Operands of at least this many limbs each are split in Karatsuba's manner;
// below it the schoolbook rows are faster.
constexpr std::size_t kKaratsubaThreshold = 192;
// The exact product of a and b into na + nb columns: Karatsuba's kernel
// where both operands reach the threshold, else the schoolbook one.
void multiplylimbs(const std::uint64_t* a, std::size_t na, const std::uint64_t* b, std::size_t nb,
                   std::uint64_t* columns);
// Words of work the kernel below needs for operands of na and nb limbs.
std::size_t multiplywork(std::size_t na, std::size_t nb);
// multiplylimbs in the caller's work words, so that one allocation serves
// the operands, the columns and the whole recursion.
void multiplylimbs(const std::uint64_t* a, std::size_t na, const std::uint64_t* b, std::size_t nb,
                   std::uint64_t* columns, std::uint64_t* work);
// The same by rows alone, quadratic: the reference the faster kernel is
// checked against.
void schoolbookmultiply(const std::uint64_t* a, std::size_t na, const std::uint64_t* b,
                        std::size_t nb, std::uint64_t* columns);

enum class productfit { fits, toolarge, notatrest };
// The exact product of two records of `places` digits into `product`, whose
// digits are zero on entry. Writes nothing when a digit is not at rest.
productfit multiplyatrest(const std::int8_t* left, const std::int8_t* right, std::int8_t* product,
                          std::size_t places);

// --- Division ------------------------------------------------------------------
// Words of scratch that dividelimbs needs besides its operands and results.
inline std::size_t divisionwork(std::size_t na, std::size_t nb) { return na + nb + 1; }
// Divisors of at least this many limbs are divided recursively, the
// quotient's halves taken through multiplications.
constexpr std::size_t kRecursiveDivisionThreshold = 8;
// Division of a (na limbs) by b (nb >= 1 limbs, the top one non-zero):
// na - nb + 1 quotient limbs (none when na < nb) and nb remainder limbs.
// Recursive from the threshold on, else long division.
void dividelimbs(const std::uint64_t* a, std::size_t na, const std::uint64_t* b, std::size_t nb,
                 std::uint64_t* quotient, std::uint64_t* remainder, std::uint64_t* work);
// dividelimbs but for the last step: the remainder is left multiplied by
// the returned scale, and the words of work from na + 1 on hold the divisor
// multiplied by it, against which the scaled remainder compares as the
// remainder does against the divisor.
std::uint64_t dividescaled(const std::uint64_t* a, std::size_t na, const std::uint64_t* b,
                           std::size_t nb, std::uint64_t* quotient, std::uint64_t* remainder,
                           std::uint64_t* work);
// dividelimbs by long division alone: the reference for the recursive kernel.
void schoolbookdivide(const std::uint64_t* a, std::size_t na, const std::uint64_t* b,
                      std::size_t nb, std::uint64_t* quotient, std::uint64_t* remainder,
                      std::uint64_t* work);
// Long division in place of u (n + m limbs) by v (n limbs, its top limb at
// least half the base), for u < v * 10^(8m): m quotient limbs into q, and
// u left holding the remainder, its top m limbs zero.
void longdivide(std::uint64_t* u, std::size_t m, const std::uint64_t* v, std::size_t n,
                std::uint64_t* q);
// Each limb of x times `factor` (below 10^8), in place; returns the carry
// out of the top.
std::uint64_t multiplysmall(std::uint64_t* x, std::size_t count, std::uint64_t factor);
// x divided by `divisor` (below 10^8), in place; returns the remainder.
std::uint64_t dividesmall(std::uint64_t* x, std::size_t count, std::uint64_t divisor);
// How a remainder r below b compares with half of b; both have nb limbs.
internal::remainder againsthalf(const std::uint64_t* r, const std::uint64_t* b, std::size_t nb);

}  // namespace VELDRAN::internal
