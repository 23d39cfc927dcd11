// Random operands of 1 to a few hundred places, and now and then a few
// thousand, checked against the big-integer model: differences, quotients
// in every rounding mode, remainders, fixed-point products, quotients and
// rounding, the compound assignments and the conversion to double. Each
// result must be one fresh record that logs one life and nothing else, and
// no operand may change, whether the operation succeeds or throws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"
#include "support/model.h"
#include "support/records.h"

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;

namespace {

using veldran_test::bigfloatmodel;
using veldran_test::bigintmodel;
using veldran_test::bignum;
using veldran_test::bigresult;
using veldran_test::build;
using veldran_test::divisionpart;
using veldran_test::expected;
using veldran_test::expectedfloat;
using veldran_test::expectresult;
using veldran_test::kEveryRounding;
using veldran_test::LogCapture;
using veldran_test::mulmodel;
using veldran_test::outcome;
using veldran_test::outcomeof;
using veldran_test::refusal;
using veldran_test::show;

// The nearest double to the exact value, ties to even, as strtod reads it;
// beyond the doubles, infinity or zero.
void expectdouble(double got, const std::string& exact) {
  const double want = std::strtod(exact.c_str(), nullptr);
  EXPECT_EQ(got, want) << exact;
  EXPECT_EQ(std::signbit(got), std::signbit(want)) << exact;
}

// --- Operands -----------------------------------------------------------------------

class Generator {
 public:
  explicit Generator(unsigned seed) : engine_(seed) {}

  unsigned below(unsigned bound) {
    return std::uniform_int_distribution<unsigned>(0, bound - 1)(engine_);
  }

  // Mostly short, often up to a few hundred, rarely a few thousand.
  unsigned places() {
    switch (below(8)) {
      case 0:
      case 1:
      case 2:
        return 1 + below(12);
      case 3:
      case 4:
        return 1 + below(40);
      default:
        return below(60) == 0 ? 1000 + below(2500) : 1 + below(300);
    }
  }

  bignum digits(unsigned count) {
    std::vector<std::int8_t> d(count);
    for (auto& digit : d) digit = static_cast<std::int8_t>(below(10));
    return veldran_test::bigfromdigits(d);
  }

  // A magnitude below 10^places, of one of the shapes that reach the edges.
  bignum magnitude(unsigned places) {
    if (places == 0) return bignum{};
    switch (below(8)) {
      case 0:
        return bignum{};
      case 1:  // all nines
        return veldran_test::bigsubtract(veldran_test::bigpow10(places), veldran_test::bigof(1));
      case 2:  // one digit, anywhere: ties and exact quotients
        return veldran_test::bigmultiply(veldran_test::bigof(1 + below(9)),
                                         veldran_test::bigpow10(below(places)));
      case 3:  // a five, then zeros: a tie once the zeros are dropped
      {
        const unsigned cut = below(places);
        const bignum top = digits(places - cut - 1);
        return veldran_test::bigadd(
            veldran_test::bigmultiply(top, veldran_test::bigpow10(cut + 1)),
            veldran_test::bigmultiply(veldran_test::bigof(5), veldran_test::bigpow10(cut)));
      }
      default:
        return digits(1 + below(places));
    }
  }

  bigintmodel operand(unsigned places) {
    bigintmodel m = veldran_test::freshbig(places);
    m.negative = below(2) == 0;
    m.hassign = below(4) != 0;
    m.overflowthrows = below(2) == 0;
    m.magnitude = magnitude(places);
    return m;
  }

  // A divisor for `dividend`: mostly shorter, sometimes so that the
  // quotient is a tie or exactly whole.
  bigintmodel divisor(const bigintmodel& dividend) {
    bigintmodel m = operand(static_cast<unsigned>(dividend.size));
    const unsigned long long used = veldran_test::bigplaces(dividend.magnitude);
    if (below(2) == 0 && used > 1) m.magnitude = magnitude(1 + below(static_cast<unsigned>(used)));
    return m;
  }

  // dividend = divisor * q + divisor / 2 for an even divisor, when it fits.
  bool maketie(bigintmodel& dividend, const bignum& divisor) {
    if (veldran_test::iszero(divisor) || divisor.limbs[0] % 2 != 0) return false;
    const unsigned long long room = dividend.size;
    const unsigned long long used = veldran_test::bigplaces(divisor);
    if (used >= room) return false;
    const bignum q = digits(1 + below(static_cast<unsigned>(room - used)));
    const bignum half = veldran_test::bigdivide(divisor, veldran_test::bigof(2)).quotient;
    const bignum tie = veldran_test::bigadd(veldran_test::bigmultiply(divisor, q), half);
    if (veldran_test::bigplaces(tie) > room) return false;
    dividend.magnitude = tie;
    return true;
  }

 private:
  std::mt19937 engine_;
};

// --- fixedint -------------------------------------------------------------------------

void checkints(const bigintmodel& a, const bigintmodel& b) {
  SCOPED_TRACE(show(a) + " and " + show(b));
  const fixedint left = build(a);
  const fixedint right = build(b);
  const auto unchanged = [&] {
    EXPECT_EQ(show(left), show(a));
    EXPECT_EQ(show(right), show(b));
  };
  const auto text = [](const fixedint& x) { return show(x); };

  const bigresult negated = veldran_test::negatemodel(a);
  expectresult<fixedint>("-a", expected(negated), true, a.size, [&] { return text(-left); });
  unchanged();

  const bigresult difference = veldran_test::subtractmodel(a, b);
  expectresult<fixedint>("a - b", expected(difference), difference.result == outcome::value, a.size,
                         [&] { return text(left - right); });
  unchanged();

  const bigresult quotient = veldran_test::dividemodel(a, b, divisionpart::quotient);
  expectresult<fixedint>("a / b", expected(quotient), quotient.result == outcome::value, a.size,
                         [&] { return text(left / right); });
  unchanged();

  const bigresult remainder = veldran_test::dividemodel(a, b, divisionpart::remainder);
  expectresult<fixedint>("a % b", expected(remainder), remainder.result == outcome::value, a.size,
                         [&] { return text(left % right); });
  unchanged();

  for (const rounding mode : kEveryRounding) {
    const bigresult r = veldran_test::dividemodel(a, b, divisionpart::quotient, mode);
    expectresult<fixedint>(std::string("divide ") + veldran_test::roundingname(mode), expected(r),
                           r.result == outcome::value, a.size,
                           [&] { return text(left.divide(right, mode)); });
    unchanged();
  }

  if (a.size == b.size) {
    const bool equal = veldran_test::bigequal(a, b);
    const bool greater = veldran_test::biggreater(a, b);
    const LogCapture capture;
    EXPECT_EQ(left <= right, !greater);
    EXPECT_EQ(left >= right, greater || equal);
    EXPECT_TRUE(capture.messages().empty());
    unchanged();
  }

  // Compound assignment is the operation followed by plain assignment: the
  // result, flags included, or the left side as the operation left it.
  // The target keeps its own flags.
  const auto compound = [&](const char* name, bigresult r, auto apply) {
    fixedint target = left;
    r.value.hassign = a.hassign;
    r.value.overflowthrows = a.overflowthrows;
    const std::string want = expected(r);
    expectresult<fixedint>(name, want, r.result == outcome::value, a.size, [&] {
      apply(target);
      return text(target);
    });
    if (r.result != outcome::value) {
      EXPECT_EQ(show(target), show(a)) << name;
    }
    EXPECT_EQ(show(right), show(b));
  };
  compound("a += b", veldran_test::addassignmodel(a, b), [&](fixedint& t) { t += right; });
  compound("a -= b", difference, [&](fixedint& t) { t -= right; });
  compound("a /= b", quotient, [&](fixedint& t) { t /= right; });
  compound("a %= b", remainder, [&](fixedint& t) { t %= right; });
  if (a.size <= 36 && b.size <= 36) {
    // The 128-bit model covers *; the target keeps its flags.
    auto product = mulmodel(veldran_test::smallmodelof(a), veldran_test::smallmodelof(b));
    product.product.hassign = a.hassign;
    product.product.overflowthrows = a.overflowthrows;
    fixedint multiplied = left;
    const std::string got = outcomeof([&] {
      multiplied *= right;
      return text(multiplied);
    });
    EXPECT_EQ(got, product.result == outcome::value
                       ? show(veldran_test::bigmodelof(product.product))
                       : refusal(product.result, a.size))
        << "a *= b";
    unchanged();
  }

  {
    const LogCapture capture;
    expectdouble(left.todouble(), veldran_test::exacttext(a, 0));
    EXPECT_TRUE(capture.messages().empty());
  }
}

// --- fixedfloat -------------------------------------------------------------------------

bigfloatmodel floatoperand(Generator& random, unsigned long long length) {
  bigfloatmodel f;
  f.length = length;
  f.value = random.operand(static_cast<unsigned>(length));
  return f;
}

void checkfloats(Generator& random, const bigfloatmodel& a, const bigfloatmodel& b, bool ahassign,
                 bool bhassign) {
  SCOPED_TRACE(show(a, ahassign) + " and " + show(b, bhassign));
  const fixedfloat left = build(a, ahassign);
  const fixedfloat right = build(b, bhassign);
  const auto unchanged = [&] {
    EXPECT_EQ(show(left), show(a, ahassign));
    EXPECT_EQ(show(right), show(b, bhassign));
  };
  const auto text = [](const fixedfloat& x) { return show(x); };
  const auto made = [](const bigresult& r) { return r.result == outcome::value; };

  const bigresult negated = veldran_test::floatnegatemodel(a);
  expectresult<fixedfloat>("-f", expectedfloat(negated, a.length), true, a.length,
                           [&] { return text(-left); });
  unchanged();

  const bigresult difference = veldran_test::floatsubtractmodel(a, b);
  expectresult<fixedfloat>("f - g", expectedfloat(difference, a.length), made(difference), a.length,
                           [&] { return text(left - right); });
  unchanged();

  for (const rounding mode : kEveryRounding) {
    const std::string name = veldran_test::roundingname(mode);
    const bigresult product = veldran_test::floatmultiplymodel(a, b, mode);
    expectresult<fixedfloat>("multiply " + name, expectedfloat(product, a.length), made(product),
                             a.length, [&] { return text(left.multiply(right, mode)); });
    unchanged();
    const bigresult quotient = veldran_test::floatdividemodel(a, b, mode);
    expectresult<fixedfloat>("divide " + name, expectedfloat(quotient, a.length), made(quotient),
                             a.length, [&] { return text(left.divide(right, mode)); });
    unchanged();
    const unsigned long long places = random.below(static_cast<unsigned>(a.length / 2 + 2));
    const bigresult rounded = veldran_test::floatroundedmodel(a, places, mode);
    expectresult<fixedfloat>("rounded " + std::to_string(places) + " " + name,
                             expectedfloat(rounded, a.length), made(rounded), a.length,
                             [&] { return text(left.rounded(places, mode)); });
    unchanged();
  }

  const bigresult product = veldran_test::floatmultiplymodel(a, b, rounding::halfeven);
  const bigresult quotient = veldran_test::floatdividemodel(a, b, rounding::halfeven);
  expectresult<fixedfloat>("f * g", expectedfloat(product, a.length), made(product), a.length,
                           [&] { return text(left * right); });
  expectresult<fixedfloat>("f / g", expectedfloat(quotient, a.length), made(quotient), a.length,
                           [&] { return text(left / right); });
  const unsigned long long places = random.below(static_cast<unsigned>(a.length / 2 + 1));
  const bigresult rounded = veldran_test::floatroundedmodel(a, places, rounding::halfeven);
  expectresult<fixedfloat>("rounded " + std::to_string(places), expectedfloat(rounded, a.length),
                           made(rounded), a.length, [&] { return text(left.rounded(places)); });
  unchanged();

  // The target keeps its own flags.
  const auto compound = [&](const char* name, bigresult r, auto apply) {
    fixedfloat target = left;
    r.value.hassign = a.value.hassign;
    r.value.overflowthrows = a.value.overflowthrows;
    std::string want = refusal(r.result, 0);
    if (made(r)) want = show(bigfloatmodel{a.length, r.value}, ahassign);
    expectresult<fixedfloat>(name, want, made(r), a.length, [&] {
      apply(target);
      return text(target);
    });
    if (!made(r)) {
      EXPECT_EQ(show(target), show(a, ahassign)) << name;
    }
    EXPECT_EQ(show(right), show(b, bhassign));
  };
  compound("f += g", veldran_test::floataddassignmodel(a, b), [&](fixedfloat& t) { t += right; });
  compound("f -= g", difference, [&](fixedfloat& t) { t -= right; });
  compound("f *= g", product, [&](fixedfloat& t) { t *= right; });
  compound("f /= g", quotient, [&](fixedfloat& t) { t /= right; });

  const LogCapture capture;
  expectdouble(left.todouble(), veldran_test::exacttext(a.value, a.length / 2));
  EXPECT_TRUE(capture.messages().empty());
}

}  // namespace

TEST(ArithmeticRandom, FixedintAgreesWithBigIntegerModel) {
  Generator random(20261209U);
  for (int round = 0; round < 1200; ++round) {
    const unsigned places = random.places();
    bigintmodel a = random.operand(places);
    // Now and then the operands' sizes differ.
    bigintmodel b = random.below(16) == 0 ? random.operand(random.places()) : random.divisor(a);
    if (random.below(6) == 0) random.maketie(a, b.magnitude);
    checkints(a, b);
    if (HasFailure()) break;  // one reported pair says enough
  }
}

TEST(ArithmeticRandom, FixedfloatAgreesWithBigIntegerModel) {
  Generator random(4711U);
  for (int round = 0; round < 400; ++round) {
    const unsigned long long length = 2 * ((random.places() + 1) / 2);
    const bigfloatmodel a = floatoperand(random, length);
    bigfloatmodel b = floatoperand(random, random.below(16) == 0 ? length + 2 : length);
    // Small right operands keep products in range and quotients large.
    if (random.below(2) == 0) {
      b.value.magnitude = random.magnitude(1 + random.below(static_cast<unsigned>(length / 2 + 1)));
    }
    checkfloats(random, a, b, random.below(2) == 0, random.below(2) == 0);
    if (HasFailure()) break;
  }
}
