// Karatsuba's multiplication and the recursive division against the
// schoolbook kernels at and around their thresholds, where each splits its
// operands for the first and second time: operands one limb either side,
// random limbs, all nines, a zero limb in the middle, long by short.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "decimal/limbs.h"

namespace internal = VELDRAN::internal;
using limbs = std::vector<std::uint64_t>;

namespace {

enum class kind { random, nines, zeromiddle, smalltop };

// n limbs of the kind, the top one non-zero.
limbs make(std::size_t n, kind k, std::mt19937_64& random) {
  limbs x(n);
  for (std::uint64_t& limb : x) {
    limb = k == kind::nines ? internal::kLimbBase - 1 : random() % internal::kLimbBase;
  }
  if (k == kind::zeromiddle && n > 2) x[n / 2] = 0;
  if (k == kind::smalltop) x[n - 1] = 1;  // the largest scaling before a division
  if (x[n - 1] == 0) x[n - 1] = 7;
  return x;
}

// Sizes where a kernel with this threshold splits once and twice.
std::vector<std::size_t> around(std::size_t threshold) {
  return {threshold - 1, threshold,         threshold + 1,    2 * threshold - 1,
          2 * threshold, 2 * threshold + 1, 4 * threshold + 1};
}

const kind kKinds[] = {kind::random, kind::nines, kind::zeromiddle, kind::smalltop};

void expectproduct(const limbs& a, const limbs& b) {
  limbs fast(a.size() + b.size());
  limbs slow(a.size() + b.size());
  internal::multiplylimbs(a.data(), a.size(), b.data(), b.size(), fast.data());
  internal::schoolbookmultiply(a.data(), a.size(), b.data(), b.size(), slow.data());
  EXPECT_EQ(fast, slow) << a.size() << " by " << b.size() << " limbs";
}

void expectdivision(const limbs& a, const limbs& b) {
  const std::size_t quotientlimbs = a.size() >= b.size() ? a.size() - b.size() + 1 : 0;
  limbs work(internal::divisionwork(a.size(), b.size()));
  limbs fastq(quotientlimbs);
  limbs fastr(b.size());
  limbs slowq(quotientlimbs);
  limbs slowr(b.size());
  internal::dividelimbs(a.data(), a.size(), b.data(), b.size(), fastq.data(), fastr.data(),
                        work.data());
  internal::schoolbookdivide(a.data(), a.size(), b.data(), b.size(), slowq.data(), slowr.data(),
                             work.data());
  EXPECT_EQ(fastq, slowq) << a.size() << " by " << b.size() << " limbs";
  EXPECT_EQ(fastr, slowr) << a.size() << " by " << b.size() << " limbs";
}

// b * base^m - 1: every quotient limb is the largest, which the recursive
// estimate reaches only when the dividend's top limbs equal the divisor's.
limbs justbelowmultiple(const limbs& b, std::size_t m) {
  limbs a(m, internal::kLimbBase - 1);
  a.insert(a.end(), b.begin(), b.end());
  for (std::size_t i = m; i < a.size(); ++i) {  // b - 1 above the m limbs of nines
    if (a[i] != 0) {
      --a[i];
      break;
    }
    a[i] = internal::kLimbBase - 1;
  }
  return a;
}

}  // namespace

TEST(KernelThresholds, ProductsAgreeWithTheSchoolbookAroundTheThreshold) {
  std::mt19937_64 random(23);
  for (const std::size_t n : around(internal::kKaratsubaThreshold)) {
    for (const kind k : kKinds) {
      const limbs a = make(n, k, random);
      for (const std::size_t other : {n - 1, n, n + 1, n * 5 / 2}) {
        expectproduct(a, make(other, k, random));
        expectproduct(make(other, kind::random, random), a);
      }
    }
  }
}

TEST(KernelThresholds, QuotientsAgreeWithLongDivisionAroundTheThreshold) {
  std::mt19937_64 random(29);
  std::vector<std::size_t> divisors = around(internal::kRecursiveDivisionThreshold);
  // Long enough for the products inside the recursion to be Karatsuba's.
  divisors.push_back(2 * internal::kKaratsubaThreshold + 1);
  for (const std::size_t nb : divisors) {
    for (const kind k : kKinds) {
      const limbs b = make(nb, k, random);
      for (const std::size_t na : {nb - 1, nb, nb + 1, 2 * nb - 1, 2 * nb, 3 * nb + 1}) {
        expectdivision(make(na, k, random), b);
        expectdivision(make(na, kind::random, random), b);
      }
      expectdivision(justbelowmultiple(b, nb), b);
      expectdivision(justbelowmultiple(b, nb + 1), b);
    }
  }
}

// The rows go four at a time with one at a time for the rest, so short and
// odd lengths take every mix of the two paths.
TEST(KernelThresholds, ShortProductsAgreeWithTheSchoolbook) {
  std::mt19937_64 random(8);
  for (std::size_t na = 1; na <= 9; ++na) {
    for (std::size_t nb = 1; nb <= 9; ++nb) {
      for (const kind k : kKinds) {
        expectproduct(make(na, k, random), make(nb, k, random));
      }
    }
  }
}
