// Random operands checked against a model in 128-bit integers: sums with
// wrap-around and the carry left behind, differences and their underflow,
// products and the place they run out at, and the four comparisons.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedint"
#include "support/model.h"

using VELDRAN::fixedint;

namespace {

using veldran_test::addmodel;
using veldran_test::intmodel;
using veldran_test::mulmodel;
using veldran_test::outcome;
using veldran_test::outcomeof;
using veldran_test::pow10;
using veldran_test::u128;

// 10^36 < 2^127: every magnitude of up to 36 places, and every sum of two.
constexpr unsigned kMaxPlaces = 36;

// The record as text that shows every field the operations may touch.
std::string show(const intmodel& m) {
  std::string digits;
  u128 rest = m.magnitude;
  for (unsigned long long i = 0; i < m.size; ++i, rest /= 10) {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
  }
  return (m.negative ? "-" : "+") + digits + (m.hassign ? " h" : "") +
         (m.overflowthrows ? " o" : "");
}

std::string show(const fixedint& x) {
  std::string digits;
  for (auto d = x.digits.rbegin(); d != x.digits.rend(); ++d) {
    digits += (*d >= 0 && *d <= 9) ? std::string(1, static_cast<char>('0' + *d))
                                   : "[" + std::to_string(*d) + "]";
  }
  if (x.size != x.digits.size()) digits += " size " + std::to_string(x.size);
  return (x.negative ? "-" : "+") + digits + (x.hassign ? " h" : "") +
         (x.overflowthrows ? " o" : "");
}

fixedint build(const intmodel& m) {
  fixedint x(m.size);
  u128 rest = m.magnitude;
  for (unsigned long long i = 0; i < m.size; ++i, rest /= 10) {
    x.digits[i] = static_cast<std::int8_t>(rest % 10);
  }
  x.negative = m.negative;
  x.hassign = m.hassign;
  x.overflowthrows = m.overflowthrows;
  return x;
}

// The model's outcome in the form outcomeof gives.
std::string expected(outcome o, const intmodel& result, unsigned long long size) {
  if (o == outcome::value) return show(result);
  return std::string(veldran_test::errorname(o)) + ": " + veldran_test::message(o, size);
}

class Generator {
 public:
  explicit Generator(unsigned seed) : engine_(seed) {}

  unsigned below(unsigned bound) {
    return std::uniform_int_distribution<unsigned>(0, bound - 1)(engine_);
  }

  unsigned places() { return below(40) == 0 ? 0 : 1 + below(kMaxPlaces); }

  intmodel operand(unsigned places) {
    intmodel m;
    m.size = places;
    m.negative = below(2) == 0;
    m.hassign = below(4) != 0;
    m.overflowthrows = below(2) == 0;
    const unsigned length = places == 0 ? 0 : below(places + 1);
    switch (below(6)) {
      case 0:  // zero, and with it negative zero
        break;
      case 1:  // all nines
        m.magnitude = pow10(places) - 1;
        break;
      case 2:  // one digit, anywhere
        if (places > 0) m.magnitude = (1 + below(9)) * pow10(below(places));
        break;
      default:
        for (unsigned i = 0; i < length; ++i) m.magnitude = m.magnitude * 10 + below(10);
    }
    return m;
  }

 private:
  std::mt19937 engine_;
};

}  // namespace

TEST(FixedintRandom, AgreesWithIntegerModel) {
  Generator random(20240521U);
  for (int round = 0; round < 3000; ++round) {
    if (round % 256 == 0) {
      VELDRAN::logstream.str("");
      VELDRAN::logstream.clear();
    }
    const unsigned places = random.places();
    intmodel a = random.operand(places);
    // Now and then the operands' sizes differ.
    const intmodel b = random.operand(random.below(16) == 0 ? random.places() : places);
    SCOPED_TRACE(show(a) + " and " + show(b));

    fixedint left = build(a);
    const fixedint right = build(b);

    const bool equal = veldran_test::modelequal(a, b);
    const bool greater = veldran_test::modelgreater(a, b);
    EXPECT_EQ(left == right, equal);
    EXPECT_EQ(left != right, !equal);
    EXPECT_EQ(left > right, greater);
    EXPECT_EQ(left < right, !greater && !equal);

    const auto product = mulmodel(a, b);
    EXPECT_EQ(outcomeof([&] { return show(left * right); }),
              expected(product.result, product.product, a.size));
    EXPECT_EQ(show(left), show(a));

    const auto sum = addmodel(a, b);
    EXPECT_EQ(outcomeof([&] { return show(left + right); }), expected(sum.result, sum.sum, a.size));
    EXPECT_EQ(show(left), show(sum.left));
    EXPECT_EQ(show(right), show(b));

    if (HasFailure()) break;  // one reported pair says enough
  }
}
