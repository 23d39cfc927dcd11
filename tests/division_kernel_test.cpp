// The long division kernel and the fixed-point product on records of every
// width, against plain base-ten long division and multiplication: short and
// long divisors, divisors longer than the dividend, quotient limbs whose
// first estimate is too large, scratch on the stack and on the heap, and
// products with more rows than one carry pass covers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;

namespace {

// Magnitudes as decimal text, most significant digit first, no leading
// zeros ("0" for zero).
std::string strip(std::string s) {
  const std::size_t first = s.find_first_not_of('0');
  return first == std::string::npos ? "0" : s.substr(first);
}

int compare(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

// a - b for a >= b, digit by digit with borrows.
std::string subtract(const std::string& a, const std::string& b) {
  std::string out = a;
  int borrow = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::size_t p = a.size() - 1 - i;
    int digit = a[p] - '0' - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
    borrow = digit < 0 ? 1 : 0;
    out[p] = static_cast<char>('0' + digit + 10 * borrow);
  }
  return strip(out);
}

std::string twice(const std::string& a) {
  std::string out(a.size() + 1, '0');
  int carry = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int digit = 2 * (a[a.size() - 1 - i] - '0') + carry;
    carry = digit / 10;
    out[out.size() - 1 - i] = static_cast<char>('0' + digit % 10);
  }
  out[0] = static_cast<char>('0' + carry);
  return strip(out);
}

// Long division as on paper: bring down a digit, subtract the divisor as
// often as it goes.
std::pair<std::string, std::string> longdivision(const std::string& a, const std::string& b) {
  std::string quotient;
  std::string rest = "0";
  for (const char digit : a) {
    rest = strip(rest + digit);
    char times = '0';
    while (compare(rest, b) >= 0) {
      rest = subtract(rest, b);
      ++times;
    }
    quotient += times;
  }
  return {strip(quotient), rest};
}

std::string longmultiplication(const std::string& a, const std::string& b) {
  std::vector<int> columns(a.size() + b.size(), 0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; j < b.size(); ++j) {
      columns[i + j + 1] += (a[i] - '0') * (b[j] - '0');
    }
  }
  std::string out(columns.size(), '0');
  int carry = 0;
  for (std::size_t k = columns.size(); k > 0; --k) {
    const int column = columns[k - 1] + carry;
    carry = column / 10;
    out[k - 1] = static_cast<char>('0' + column % 10);
  }
  return strip(out);
}

// One more, digit by digit.
std::string increment(std::string a) {
  for (std::size_t p = a.size(); p > 0; --p) {
    if (a[p - 1] != '9') {
      ++a[p - 1];
      return a;
    }
    a[p - 1] = '0';
  }
  return "1" + a;
}

std::string magnitude(const std::vector<std::int8_t>& digits) {
  std::string text;
  for (std::size_t p = digits.size(); p > 0; --p) text += static_cast<char>('0' + digits[p - 1]);
  return strip(text);
}

fixedint record(unsigned long long places, const std::string& text) {
  fixedint x(places);
  for (std::size_t i = 0; i < text.size(); ++i) {
    x.digits[i] = static_cast<std::int8_t>(text[text.size() - 1 - i] - '0');
  }
  return x;
}

std::string randomdigits(std::mt19937_64& random, std::size_t count) {
  std::uniform_int_distribution<int> digit(0, 9);
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('0' + digit(random));
  if (!text.empty() && text[0] == '0') text[0] = '1' + static_cast<char>(digit(random) % 9);
  return text;
}

void expectdivision(unsigned long long places, const std::string& a, const std::string& b) {
  SCOPED_TRACE(std::to_string(places) + " places: " + a + " / " + b);
  const fixedint x = record(places, a);
  const fixedint y = record(places, b);
  const auto [quotient, rest] = longdivision(strip(a), strip(b));
  EXPECT_EQ(magnitude((x / y).digits), quotient);
  EXPECT_EQ(magnitude((x % y).digits), rest);
}

}  // namespace

TEST(DivisionKernel, AgreesWithLongDivisionForEveryShapeOfOperands) {
  std::mt19937_64 random(20261209);
  const std::size_t widths[] = {1, 2, 7, 8, 9, 15, 16, 17, 24, 63, 64, 65, 200, 511, 512};
  for (const std::size_t places : widths) {
    const std::size_t divisors[] = {1, 7, 8, 9, 16, 17, places / 2, places - 1, places};
    for (const std::size_t lb : divisors) {
      if (lb == 0 || lb > places) continue;
      for (const std::size_t la : {places, (places + lb) / 2, lb, lb > 1 ? lb - 1 : lb}) {
        expectdivision(places, randomdigits(random, la), randomdigits(random, lb));
      }
    }
  }
}

TEST(DivisionKernel, RemaindersOfHalfTheBaseRoundAgainstHalfTheDivisor) {
  // Remainder limbs of 50000000 double to exactly the base: into a carry
  // out of the top, or into the limb above, with divisors that need no
  // scaling and divisors that do.
  const std::pair<const char*, const char*> cases[] = {
      {"50000000", "99999999"},   {"9000000150000000", "6000000100000000"},
      {"50000000", "100000000"},  {"450000000", "300000000"},
      {"450000000", "300000001"}, {"250000000000000000", "100000000000000000"},
  };
  for (const auto& [a, b] : cases) {
    for (const rounding mode :
         {rounding::halfeven, rounding::halfawayfromzero, rounding::halftowardzero}) {
      SCOPED_TRACE(std::string(a) + " / " + b + ", mode " + std::to_string(static_cast<int>(mode)));
      const auto [quotient, rest] = longdivision(a, b);
      const int order = compare(twice(rest), b);
      const bool odd = (quotient.back() - '0') % 2 != 0;
      const bool up = order > 0 || (order == 0 && (mode == rounding::halfawayfromzero ||
                                                   (mode == rounding::halfeven && odd)));
      const fixedint x = record(24, a);
      EXPECT_EQ(magnitude(x.divide(record(24, b), mode).digits),
                up ? increment(quotient) : quotient);
    }
  }
}

TEST(DivisionKernel, DivisorsOfEveryTopLimbScaleAlike) {
  // Top limbs of 1, just below half the base, at half and all nines: the
  // scaling before the division is large, small or none.
  std::mt19937_64 random(7);
  const std::string tops[] = {"1", "49999999", "50000000", "99999999", "10000000"};
  for (const std::string& top : tops) {
    for (const std::size_t below : {0, 8, 16, 40}) {
      const std::string divisor = top + std::string(below, '0');
      const std::string nines = top + std::string(below, '9');
      for (const std::string& b : {divisor, nines, top + randomdigits(random, below)}) {
        expectdivision(64, randomdigits(random, 64), b);
        expectdivision(64, std::string(64, '9'), b);
      }
    }
  }
}

TEST(DivisionKernel, QuotientLimbsWhoseEstimateIsOneTooLargeAreCorrected) {
  // Each needs the divisor added back once after the multiply and subtract.
  const std::pair<const char*, const char*> cases[] = {
      {"52113839729379997099665635770559", "853918999999999999999999"},
      {"30580077682944008898498290776392", "547464000000000199999999"},
      {"72001544321151897167600068020606", "753857579999999999999999"},
      // Adding back, a limb sums to exactly the base: the lowest, the middle.
      {"59999999523456788765431900000002", "600000001234567899999999"},
      {"59999999523456787530864200000000", "600000001234567899999999"},
  };
  for (const auto& [a, b] : cases) {
    expectdivision(32, a, b);
    expectdivision(40, std::string(a) + "00000000", std::string(b) + "00000000");
  }
}

TEST(DivisionKernel, ScratchOnTheStackAndOnTheHeapGiveTheSame) {
  // The working words outgrow the stack between 672 and 680 places.
  std::mt19937_64 random(42);
  for (const std::size_t places : {664, 672, 680, 688, 1000, 1500}) {
    for (const std::size_t lb : {std::size_t{9}, places / 2, places - 3}) {
      expectdivision(places, randomdigits(random, places), randomdigits(random, lb));
    }
  }
}

TEST(DivisionKernel, NinesByNinesAtThirtyThousandPlaces) {
  // 10^n - 1 = 10^s (10^(qk) - 1) + 10^s - 1 with n = qk + s: the quotient
  // is 10^s times q ones k places apart, the remainder s nines.
  const std::size_t n = 30000;
  const std::size_t k = 7001;
  const std::size_t s = n % k;
  const fixedint a = record(n, std::string(n, '9'));
  const fixedint b = record(n, std::string(k, '9'));
  const fixedint quotient = a / b;
  const fixedint rest = a % b;
  for (std::size_t p = 0; p < n; ++p) {
    const bool one = p >= s && (p - s) % k == 0 && p < s + (n / k) * k;
    ASSERT_EQ(quotient.digits[p], one ? 1 : 0) << "place " << p;
    ASSERT_EQ(rest.digits[p], p < s ? 9 : 0) << "place " << p;
  }
}

// --- The fixed-point product and quotient at large lengths ---------------------

TEST(FixedPointKernel, QuotientsAgreeWithLongDivisionAcrossTheScratchBoundary) {
  std::mt19937_64 random(3);
  // The scaled dividend's words outgrow the stack between 528 and 544.
  for (const unsigned long long length : {16, 512, 528, 544, 560, 1200}) {
    const std::size_t h = length / 2;
    for (const std::size_t la : {h, h + h / 2}) {
      SCOPED_TRACE(std::to_string(length) + " places, dividend of " + std::to_string(la));
      const std::string a = randomdigits(random, la);
      const std::string b = randomdigits(random, h + 1);
      fixedfloat x(length);
      fixedfloat y(length);
      x.value = record(length, a);
      y.value = record(length, b);
      const auto [quotient, rest] = longdivision(a + std::string(h, '0'), b);
      const fixedfloat truncated = x.divide(y, rounding::towardzero);
      EXPECT_EQ(magnitude(truncated.value.digits), quotient);
      const int order = compare(twice(rest), b);
      const bool up = order > 0 || (order == 0 && (quotient.back() - '0') % 2 != 0);
      const std::string expected = up ? increment(quotient) : quotient;
      EXPECT_EQ(magnitude((x / y).value.digits), expected);
    }
  }
}

TEST(FixedPointKernel, ProductsAgreeWithLongMultiplicationAcrossTheScratchBoundary) {
  std::mt19937_64 random(5);
  for (const unsigned long long length : {16, 1016, 1024, 1032, 2000}) {
    const std::size_t h = length / 2;
    SCOPED_TRACE(std::to_string(length) + " places");
    const std::string a = randomdigits(random, h);
    const std::string b = randomdigits(random, h - 1);
    fixedfloat x(length);
    fixedfloat y(length);
    x.value = record(length, a);
    y.value = record(length, b);
    const std::string product = longmultiplication(a, b);
    const std::string kept = product.size() > h ? product.substr(0, product.size() - h) : "0";
    EXPECT_EQ(magnitude(x.multiply(y, rounding::towardzero).value.digits), strip(kept));
  }
}

TEST(FixedPointKernel, SquareOfFifteenThousandNinesNeedsEveryCarryPass) {
  // (10^h - 1)^2 / 10^h = 10^h - 2 + 10^-h: the fraction's nines square to
  // 0.99...98, the dropped part far below half a unit.
  const unsigned long long length = 30000;
  const std::size_t h = length / 2;
  fixedfloat x(length);
  x.value = record(length, std::string(h, '9'));
  const fixedfloat square = x * x;
  ASSERT_EQ(square.value.digits[0], 8);
  for (std::size_t p = 1; p < length; ++p) {
    ASSERT_EQ(square.value.digits[p], p < h ? 9 : 0) << "place " << p;
  }
}
