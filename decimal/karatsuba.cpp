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

// Four rows of products into `count` columns, row r times y shifted by r.
__attribute__((noinline)) void addfourrows(std::uint64_t* out, const std::uint32_t* y,
                                           std::size_t count, std::uint32_t a0, std::uint32_t a1,
                                           std::uint32_t a2, std::uint32_t a3) {
  for (std::size_t j = 0; j < count; ++j) {
    out[j] += std::uint64_t{a0} * y[j + 3] + std::uint64_t{a1} * y[j + 2] +
              std::uint64_t{a2} * y[j + 1] + std::uint64_t{a3} * y[j];
  }
}

// Columns take up to kKaratsubaThreshold products of two limbs before the
// carry pass.
static_assert(kKaratsubaThreshold * (kLimbBase - 1) * (kLimbBase - 1) + kLimbBase < UINT64_MAX / 2);

// a * b for na >= nb, nb below kKaratsubaThreshold, into na + nb columns.
// Limbs fit 32 bits and a column takes at most nb products, so b is
// narrowed once and the rows become widening multiplications that the
// compiler does two or four at a time; one carry pass at the end.
void baseproduct(const std::uint64_t* a, std::size_t na, const std::uint64_t* b, std::size_t nb,
                 std::uint64_t* columns) {
  // b between three zeros either side: every column takes four products.
  std::uint32_t narrow[kKaratsubaThreshold + 6];  // NOLINT(*-avoid-c-arrays, *-member-init)
  std::fill(narrow, narrow + 3, 0);
  for (std::size_t j = 0; j < nb; ++j) {
    narrow[j + 3] = static_cast<std::uint32_t>(b[j]);
  }
  std::fill(narrow + nb + 3, narrow + nb + 6, 0);
  const std::size_t nc = na + nb;
  std::fill(columns, columns + nc, 0);
  std::size_t i = 0;
  for (; i + 4 <= na; i += 4) {
    addfourrows(columns + i, narrow, nb + 3, static_cast<std::uint32_t>(a[i]),
                static_cast<std::uint32_t>(a[i + 1]), static_cast<std::uint32_t>(a[i + 2]),
                static_cast<std::uint32_t>(a[i + 3]));
  }
  for (; i < na; ++i) {
    const auto row = static_cast<std::uint32_t>(a[i]);
    for (std::size_t j = 0; j < nb; ++j) {
      columns[i + j] += std::uint64_t{row} * narrow[j + 3];
    }
  }
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < nc; ++k) {
    const std::uint64_t column = columns[k] + carry;
    carry = column / kLimbBase;
    columns[k] = column % kLimbBase;
  }
}

// a * b, both of n limbs, into 2n columns.
void balancedproduct(const std::uint64_t* a, const std::uint64_t* b, std::size_t n,
                     std::uint64_t* columns, std::uint64_t* work) {
  if (n < kKaratsubaThreshold) {
    baseproduct(a, n, b, n, columns);
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
    baseproduct(a, na, b, nb, columns);
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
