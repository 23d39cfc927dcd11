// Karatsuba's multiplication on base-10^8 limbs: a product of two halves'
// sums stands in for the two cross products, three half-size products
// instead of four, down to the threshold where the schoolbook rows win.
#include <algorithm>

#include "decimal/limbrows.h"
#include "decimal/limbs.h"

namespace VELDRAN::internal {

namespace {

// Words of work balancedproduct needs for operands of n limbs.
std::size_t balancedwork(std::size_t n) {
  if (n < kKaratsubaThreshold) {
    return 0;
  }
  const std::size_t high = n - n / 2;
  return 4 * (high + 1) + balancedwork(high + 1);
}

// x (high limbs) + y (low <= high limbs) into high + 1 limbs of out.
void halvessum(const std::uint64_t* x, std::size_t high, const std::uint64_t* y, std::size_t low,
               std::uint64_t* out) {
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < high; ++i) {
    const std::uint64_t sum = x[i] + (i < low ? y[i] : 0) + carry;
    carry = sum >= kLimbBase ? 1 : 0;
    out[i] = sum - carry * kLimbBase;
  }
  out[high] = carry;
}

// middle -= z0 + z2 in one pass, z0 of 2 low limbs and z2 of 2 high; the
// difference, a0 b1 + a1 b0, is never below zero.
void takeouthalves(std::uint64_t* middle, std::size_t count, const std::uint64_t* z0,
                   std::size_t low, const std::uint64_t* z2, std::size_t high) {
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t take = (i < 2 * low ? z0[i] : 0) + (i < 2 * high ? z2[i] : 0) + borrow;
    borrow = (middle[i] < take ? 1 : 0) + (middle[i] + kLimbBase < take ? 1 : 0);
    middle[i] = middle[i] + borrow * kLimbBase - take;
  }
}

// a * b, both of n limbs, into 2n columns.
void balancedproduct(const std::uint64_t* a, const std::uint64_t* b, std::size_t n,
                     std::uint64_t* columns, std::uint64_t* work) {
  if (n < kKaratsubaThreshold) {
    schoolbookmultiply(a, n, b, n, columns);
    return;
  }
  const std::size_t low = n / 2;
  const std::size_t high = n - low;  // the upper halves are the longer
  balancedproduct(a, b, low, columns, work);
  balancedproduct(a + low, b + low, high, columns + 2 * low, work);

  std::uint64_t* asum = work;               // high + 1 limbs
  std::uint64_t* bsum = asum + high + 1;    // high + 1 limbs
  std::uint64_t* middle = bsum + high + 1;  // 2 (high + 1) limbs
  halvessum(a + low, high, a, low, asum);
  halvessum(b + low, high, b, low, bsum);
  balancedproduct(asum, bsum, high + 1, middle, middle + 2 * (high + 1));

  // (a0 + a1)(b0 + b1) - a0 b0 - a1 b1 = a0 b1 + a1 b0, below 2 base^n.
  takeouthalves(middle, n + 1, columns, low, columns + 2 * low, high);
  addlimbs(columns + low, 2 * n - low, middle, n + 1);
}

}  // namespace

std::size_t multiplywork(std::size_t na, std::size_t nb) {
  const std::size_t shorter = std::min(na, nb);
  if (shorter < kKaratsubaThreshold) {
    return 0;
  }
  return (std::max(na, nb) > shorter ? 2 * shorter : 0) + balancedwork(shorter);
}

void multiplylimbs(const std::uint64_t* a, std::size_t na, const std::uint64_t* b, std::size_t nb,
                   std::uint64_t* columns) {
  kernelscratch scratch(multiplywork(na, nb));
  multiplylimbs(a, na, b, nb, columns, scratch.data());
}

void multiplylimbs(const std::uint64_t* a, std::size_t na, const std::uint64_t* b, std::size_t nb,
                   std::uint64_t* columns, std::uint64_t* work) {
  if (na < nb) {
    std::swap(a, b);
    std::swap(na, nb);
  }
  if (nb < kKaratsubaThreshold) {
    schoolbookmultiply(a, na, b, nb, columns);
    return;
  }
  // The longer operand in pieces of the shorter one's length, the first
  // product written in place, the others added in at theirs.
  std::uint64_t* piece = work;
  work += na > nb ? 2 * nb : 0;
  balancedproduct(a, b, nb, columns, work);
  std::fill(columns + 2 * nb, columns + na + nb, 0);
  for (std::size_t start = nb; start < na; start += nb) {
    const std::size_t length = std::min(nb, na - start);
    if (length == nb) {
      balancedproduct(a + start, b, nb, piece, work);
    } else {
      multiplylimbs(b, nb, a + start, length, piece);
    }
    addlimbs(columns + start, na + nb - start, piece, nb + length);
  }
}

}  // namespace VELDRAN::internal
