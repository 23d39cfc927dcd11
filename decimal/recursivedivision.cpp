// Division in the manner of Burnikel and Ziegler: each half of the quotient
// comes from dividing the top of the dividend by the top half of the
// divisor, corrected by one product with the divisor's lower half. Most of
// the work becomes multiplication, which is cheaper per limb than long
// division and subquadratic above Karatsuba's threshold.
#include <algorithm>

#include "decimal/limbrows.h"
#include "decimal/limbs.h"

namespace VELDRAN::internal {

namespace {

constexpr std::uint64_t kTopLimb = kLimbBase - 1;

void dividerecursively(std::uint64_t* u, std::size_t m, const std::uint64_t* v, std::size_t n,
                       std::uint64_t* q, std::uint64_t* product);

// One half of the quotient: u (n + m limbs, below v * base^m) divided by v
// (n limbs), in place as longdivide does. The top n - s limbs of v give an
// estimate that is never too small; the product of the estimate and v's
// low s limbs, taken away, shows by how much it was too large.
void dividehalf(std::uint64_t* u, std::size_t m, const std::uint64_t* v, std::size_t n,
                std::size_t s, std::uint64_t* q, std::uint64_t* product) {
  std::uint64_t* top = u + s;  // n - s + m limbs
  const std::size_t vtop = n - s;
  if (comparelimbs(top + m, v + s, vtop) < 0) {
    dividerecursively(top, m, v + s, vtop, q, product);
  } else {
    // The top limbs equal those of v: the estimate is base^m - 1, and the
    // top's remainder is its low m limbs plus v's top.
    std::fill(q, q + m, kTopLimb);
    std::fill(top + m, top + m + vtop, 0);
    addlimbs(top, vtop + m, v + s, vtop);
  }
  multiplylimbs(q, m, v, s, product);
  if (subtractlimbs(u, n + m, product, m + s) == 0) {
    return;
  }
  // Below zero: v goes back in, one less each time, until the sum carries
  // out of the top, which cancels the borrow.
  const std::uint64_t one = 1;
  std::uint64_t carry = 0;
  while (carry == 0) {
    subtractlimbs(q, m, &one, 1);
    carry = addlimbs(u, n + m, v, n);
  }
}

void dividerecursively(std::uint64_t* u, std::size_t m, const std::uint64_t* v, std::size_t n,
                       std::uint64_t* q, std::uint64_t* product) {
  if (m < kRecursiveDivisionThreshold) {
    longdivide(u, m, v, n, q);
    return;
  }
  const std::size_t low = m / 2;
  dividehalf(u + low, m - low, v, n, low, q + low, product);
  dividehalf(u, low, v, n, low, q, product);
}

}  // namespace

std::uint64_t dividescaled(const std::uint64_t* a, std::size_t na, const std::uint64_t* b,
                           std::size_t nb, std::uint64_t* quotient, std::uint64_t* remainder,
                           std::uint64_t* work) {
  std::uint64_t* u = work;           // na + 1 limbs
  std::uint64_t* v = work + na + 1;  // nb limbs
  if (na < nb || nb == 1) {
    std::copy(b, b + nb, v);
    schoolbookdivide(a, na, b, nb, quotient, remainder, work);
    return 1;
  }
  // Scaled so that the divisor's top limb is at least half the base.
  const std::uint64_t scale = kLimbBase / (b[nb - 1] + 1);
  std::copy(a, a + na, u);
  u[na] = multiplysmall(u, na, scale);
  std::copy(b, b + nb, v);
  multiplysmall(v, nb, scale);

  const std::size_t quotientlimbs = na + 1 - nb;
  if (nb < kRecursiveDivisionThreshold) {
    longdivide(u, quotientlimbs, v, nb, quotient);
  } else {
    // The quotient in blocks of at most nb limbs from the top, the shortest
    // first: each divides the remainder so far with the next limbs below it.
    kernelscratch product(nb);
    for (std::size_t rest = quotientlimbs; rest > 0;) {
      const std::size_t length = (rest - 1) % nb + 1;
      rest -= length;
      dividerecursively(u + rest, length, v, nb, quotient + rest, product.data());
    }
  }
  std::copy(u, u + nb, remainder);
  return scale;
}

void dividelimbs(const std::uint64_t* a, std::size_t na, const std::uint64_t* b, std::size_t nb,
                 std::uint64_t* quotient, std::uint64_t* remainder, std::uint64_t* work) {
  dividesmall(remainder, nb, dividescaled(a, na, b, nb, quotient, remainder, work));
}

}  // namespace VELDRAN::internal
