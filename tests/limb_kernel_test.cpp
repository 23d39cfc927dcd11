// The limb kernels at the sizes where their own limits lie: columns that
// must be carried before 2^64 overflows (thousands of rows of the largest
// limbs), and working space that moves from the stack to the heap. Numbers
// small enough for the other tests never reach either.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"
#include "support/model.h"

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;
using veldran_test::bignum;

namespace {

// `count` nines from the units up, in a zero of `places` places.
fixedint nines(unsigned long long places, unsigned long long count) {
  fixedint x(places);
  for (unsigned long long i = 0; i < count; ++i) x.digits[i] = 9;
  return x;
}

// (10^n - 1)^2 = 10^2n - 2 * 10^n + 1: n - 1 nines, an eight, n - 1
// zeros and a one, from the top.
std::vector<std::int8_t> squareofnines(unsigned long long n, unsigned long long places) {
  std::vector<std::int8_t> digits(places, 0);
  digits[0] = 1;
  digits[n] = 8;
  for (unsigned long long i = n + 1; i < 2 * n; ++i) digits[i] = 9;
  return digits;
}

// Where the first digits differ, so that a failure shows a place, not two
// vectors of thousands of digits.
std::string firstdifference(const std::vector<std::int8_t>& got,
                            const std::vector<std::int8_t>& want) {
  if (got.size() != want.size()) {
    return std::to_string(got.size()) + " places, expected " + std::to_string(want.size());
  }
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i]) {
      return "place " + std::to_string(i) + " is " + std::to_string(got[i]) + ", expected " +
             std::to_string(want[i]);
    }
  }
  return "";
}

// `count` random-looking digits, the top one non-zero, in `places` places.
fixedint pattern(unsigned long long places, unsigned long long count, unsigned seed) {
  fixedint x(places);
  unsigned state = seed;
  for (unsigned long long i = 0; i < count; ++i) {
    state = state * 1103515245U + 12345U;
    x.digits[i] = static_cast<std::int8_t>((state >> 16) % 10);
  }
  if (count > 0) x.digits[count - 1] = 7;
  return x;
}

bignum valueof(const fixedint& x) { return veldran_test::bigfromdigits(x.digits); }

}  // namespace

// 1875 rows of limbs 99999999 overflow a 64-bit column unless the columns
// are carried on the way.
TEST(LimbKernel, SquareOfFifteenThousandNinesCarriesEveryColumn) {
  const veldran_test::LogCapture capture;
  const fixedint a = nines(30000, 15000);
  EXPECT_EQ(firstdifference((a * a).digits, squareofnines(15000, 30000)), "");
}

// The fixed-point product runs through the same columns: 0.99...9 squared
// at 15,000 fraction places is 1 - 2 * 10^-15000 + 10^-30000, whose tiny
// last term rounds away in every mode but those that round up.
TEST(LimbKernel, FixedPointSquareOfNinesCarriesEveryColumn) {
  const veldran_test::LogCapture capture;
  fixedfloat a(30000);
  a.value = nines(30000, 15000);
  std::vector<std::int8_t> want(30000, 0);
  for (unsigned long long i = 1; i < 15000; ++i) want[i] = 9;
  want[0] = 8;
  EXPECT_EQ(firstdifference(a.multiply(a, rounding::towardzero).value.digits, want), "");
  want[0] = 9;
  EXPECT_EQ(firstdifference(a.multiply(a, rounding::awayfromzero).value.digits, want), "");
}

// Dividing the square back gives the nines; one less than the square leaves
// the largest remainder.
TEST(LimbKernel, SquareOfNinesDividesBackExactly) {
  const veldran_test::LogCapture capture;
  const fixedint a = nines(30000, 15000);
  fixedint square(30000);
  square.digits = squareofnines(15000, 30000);
  EXPECT_EQ(firstdifference((square / a).digits, a.digits), "");
  EXPECT_EQ(firstdifference((square % a).digits, fixedint(30000).digits), "");
  square.digits[0] = 0;  // the square minus one: (a - 1) * a + (a - 1)
  fixedint below = a;
  below.digits[0] = 8;
  EXPECT_EQ(firstdifference((square / a).digits, below.digits), "");
  EXPECT_EQ(firstdifference((square % a).digits, below.digits), "");
}

// A fixedfloat of `length` places whose value is `x`.
fixedfloat fixedpoint(const fixedint& x) {
  fixedfloat f(x.size);
  f.value = x;
  return f;
}

veldran_test::bigfloatmodel floatmodelof(const fixedfloat& f) {
  veldran_test::bigfloatmodel m;
  m.length = f.length;
  m.value = veldran_test::freshbig(f.length);
  m.value.magnitude = valueof(f.value);
  return m;
}

// Every size across the places where the kernels' working words outgrow
// the stack (about 450 to 1030 places, by operation), with operands that
// fill the room the kernels lay out: products against the schoolbook model,
// quotients and remainders against long division.
TEST(LimbKernel, ResultsAgreeWithTheModelAcrossTheScratchBoundary) {
  for (unsigned long long places = 8; places <= 2400;
       places += places < 400 || places >= 1100 ? 200 : 8) {
    VELDRAN::logstream.str("");
    VELDRAN::logstream.clear();
    SCOPED_TRACE("places " + std::to_string(places));
    const auto seed = static_cast<unsigned>(places);
    const fixedint a = pattern(places, places / 2, seed);
    const fixedint b = pattern(places, places / 2 - 1, seed + 1);
    const bignum product = veldran_test::bigmultiply(valueof(a), valueof(b));
    EXPECT_EQ(firstdifference((a * b).digits, veldran_test::bigdigits(product, places)), "");

    const fixedint dividend = pattern(places, places - 1, seed + 2);
    const fixedint divisor = pattern(places, places / 2, seed + 3);
    const veldran_test::bigdivision d =
        veldran_test::bigdivide(valueof(dividend), valueof(divisor));
    EXPECT_EQ(
        firstdifference((dividend / divisor).digits, veldran_test::bigdigits(d.quotient, places)),
        "");
    EXPECT_EQ(
        firstdifference((dividend % divisor).digits, veldran_test::bigdigits(d.remainder, places)),
        "");

    const fixedfloat x = fixedpoint(dividend);
    const fixedfloat y = fixedpoint(divisor);
    const fixedfloat z = fixedpoint(a);
    const veldran_test::bigresult q =
        veldran_test::floatdividemodel(floatmodelof(x), floatmodelof(y), rounding::halfeven);
    const veldran_test::bigresult p =
        veldran_test::floatmultiplymodel(floatmodelof(z), floatmodelof(y), rounding::halfeven);
    ASSERT_EQ(q.result, veldran_test::outcome::value);
    ASSERT_EQ(p.result, veldran_test::outcome::value);
    EXPECT_EQ(
        firstdifference((x / y).value.digits, veldran_test::bigdigits(q.value.magnitude, places)),
        "");
    EXPECT_EQ(
        firstdifference((z * y).value.digits, veldran_test::bigdigits(p.value.magnitude, places)),
        "");
    if (HasFailure()) break;
  }
}

// 500 by 500 digits at 2,000 places: the product's columns lie beyond the
// words the stack holds, and so do a fixed-point quotient's.
TEST(LimbKernel, FiveHundredDigitOperandsAtTwoThousandPlaces) {
  const veldran_test::LogCapture capture;
  const fixedint a = pattern(2000, 500, 11);
  const fixedint b = pattern(2000, 500, 12);
  const bignum product = veldran_test::bigmultiply(valueof(a), valueof(b));
  EXPECT_EQ(firstdifference((a * b).digits, veldran_test::bigdigits(product, 2000)), "");

  fixedfloat x(2000);
  fixedfloat y(2000);
  x.value = pattern(2000, 1500, 13);
  y.value = b;
  // The quotient x * 10^1000 / y, rounded toward zero.
  const veldran_test::bigdivision d = veldran_test::bigdivide(
      veldran_test::bigmultiply(valueof(x.value), veldran_test::bigpow10(1000)), valueof(y.value));
  EXPECT_EQ(firstdifference(x.divide(y, rounding::towardzero).value.digits,
                            veldran_test::bigdigits(d.quotient, 2000)),
            "");
  const bignum fixedproduct = veldran_test::bigsplit(product, 1000).quotient;
  EXPECT_EQ(firstdifference(x.value.digits, pattern(2000, 1500, 13).digits), "");
  fixedfloat p(2000);
  p.value = a;
  EXPECT_EQ(firstdifference(p.multiply(y, rounding::towardzero).value.digits,
                            veldran_test::bigdigits(fixedproduct, 2000)),
            "");
}
