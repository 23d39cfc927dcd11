// Difference, negation, the rounded product and quotient, rounding to
// places, the compound assignments and todouble of fixedfloat.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "decimal/fixedfloat"
#include "support/arithmetic_checks.h"
#include "support/exceptions.h"
#include "support/log_capture.h"
#include "support/model.h"

using VELDRAN::fixedfloat;
using VELDRAN::rounding;
using Lines = std::vector<std::string>;
using veldran_test::expectthrow;
using veldran_test::kEveryRounding;
using veldran_test::LogCapture;

namespace {

constexpr char kOverflow[] = "overflow";

fixedfloat num(unsigned long long length, std::string_view text) {
  fixedfloat x(length);
  x = text;
  return x;
}

std::string record(const fixedfloat& x) {
  std::string text = x.asstring() + (x.negative ? " neg" : " pos") + " length " +
                     std::to_string(x.length) + (x.value.negative ? " value neg |" : " |");
  for (const std::int8_t digit : x.value.digits) text += std::to_string(digit) + ",";
  return text;
}

// The result's text, or "overflow"; its two signs always agree.
std::string outcome(const std::function<fixedfloat()>& operation) {
  try {
    const fixedfloat result = operation();
    EXPECT_EQ(result.negative, result.value.negative);
    EXPECT_EQ(result.value.size, result.length);
    return result.asstring();
  } catch (const std::overflow_error& error) {
    EXPECT_STREQ(error.what(), "Overflow occured.");
    return kOverflow;
  }
}

// A case for a rounding operation: one expected text per mode, in the order
// of kEveryRounding.
struct RoundingCase {
  unsigned long long length;
  const char *a, *b;
  std::vector<const char*> rounded;
};

using Rounded = std::function<fixedfloat(const fixedfloat&, const fixedfloat&, rounding)>;
using Plain = std::function<fixedfloat(const fixedfloat&, const fixedfloat&)>;

// Each case through `rounded` in every mode, and through `plain`, the
// operator, which rounds half to even.
void expectroundedbyeachmode(const std::vector<RoundingCase>& cases, const std::string& symbol,
                             const Rounded& rounded, const Plain& plain) {
  for (const RoundingCase& c : cases) {
    for (std::size_t m = 0; m < std::size(kEveryRounding); ++m) {
      SCOPED_TRACE(std::string(c.a) + symbol + c.b + " mode " + std::to_string(m));
      const fixedfloat a = num(c.length, c.a);
      const fixedfloat b = num(c.length, c.b);
      EXPECT_EQ(outcome([&] { return rounded(a, b, kEveryRounding[m]); }), c.rounded[m]);
      if (kEveryRounding[m] == rounding::halfeven) {
        EXPECT_EQ(outcome([&] { return plain(a, b); }), c.rounded[m]);
      }
    }
  }
}

Lines resultlines(unsigned long long length) {
  LogCapture capture;
  { const fixedfloat result(length); }
  return capture.messages();
}

}  // namespace

// --- Difference and negation ---------------------------------------------------

TEST(FixedfloatDifference, IsExactWithZeroPositiveAndOverflowRefused) {
  struct Case {
    const char *a, *b, *difference;
  };
  const Case cases[] = {
      {"12.3456", "7.891", "4.4546"},
      {"7.891", "12.3456", "-4.4546"},
      {"-1.5", "-1.5", "0.0"},
      {"-0.0", "0.0", "0.0"},
      {"0.0", "-0.0", "0.0"},
      {"-2.25", "1.75", "-4.0"},
      {"0.0001", "0.0002", "-0.0001"},
      {"9999.9999", "-0.0001", kOverflow},
      {"-9999.9999", "0.0001", kOverflow},
      {"9999.9999", "9999.9999", "0.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " - " + c.b);
    const fixedfloat a = num(8, c.a);
    const fixedfloat b = num(8, c.b);
    EXPECT_EQ(outcome([&] { return a - b; }), c.difference);
  }
}

TEST(FixedfloatNegation, FlipsTheSignOfEveryValueZeroIncluded) {
  struct Case {
    const char *value, *negated;
  };
  const Case cases[] = {{"2.5", "-2.5"}, {"-2.5", "2.5"}, {"0.0", "-0.0"}, {"-0.0", "0.0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const fixedfloat x = num(8, c.value);
    EXPECT_EQ(outcome([&] { return -x; }), c.negated);
  }
}

// --- Product and quotient ------------------------------------------------------

TEST(FixedfloatMultiply, RoundsTheExactProductByEachMode) {
  const std::vector<RoundingCase> cases = {
      {8, "0.0001", "0.5", {"0.0", "0.0001", "0.0", "0.0001", "0.0", "0.0001", "0.0"}},
      {8, "-0.0001", "0.5", {"-0.0", "-0.0001", "-0.0001", "-0.0", "-0.0", "-0.0001", "-0.0"}},
      {8, "0.0003", "0.5", {"0.0001", "0.0002", "0.0001", "0.0002", "0.0002", "0.0002", "0.0001"}},
      {8,
       "1.0001",
       "1.0001",
       {"1.0002", "1.0003", "1.0002", "1.0003", "1.0002", "1.0002", "1.0002"}},
      {8,
       "-1.0001",
       "1.0001",
       {"-1.0002", "-1.0003", "-1.0003", "-1.0002", "-1.0002", "-1.0002", "-1.0002"}},
      {8, "-0.0001", "0.0001", {"-0.0", "-0.0001", "-0.0001", "-0.0", "-0.0", "-0.0", "-0.0"}},
      {8, "0.0", "-5.0", {"-0.0", "-0.0", "-0.0", "-0.0", "-0.0", "-0.0", "-0.0"}},
      {8, "2.5", "4.0", {"10.0", "10.0", "10.0", "10.0", "10.0", "10.0", "10.0"}},
      {8,
       "12.3456",
       "7.891",
       {"97.4191", "97.4192", "97.4191", "97.4192", "97.4191", "97.4191", "97.4191"}},
      {8,
       "5000.0",
       "2.0",
       {kOverflow, kOverflow, kOverflow, kOverflow, kOverflow, kOverflow, kOverflow}},
      // 99.9999 exactly at two places: a rounding carry out of the top.
      {4,
       "9.99",
       "10.01",
       {"99.99", kOverflow, "99.99", kOverflow, kOverflow, kOverflow, kOverflow}},
      {4,
       "-9.99",
       "10.01",
       {"-99.99", kOverflow, kOverflow, "-99.99", kOverflow, kOverflow, kOverflow}},
  };
  expectroundedbyeachmode(
      cases, " * ",
      [](const fixedfloat& a, const fixedfloat& b, rounding mode) { return a.multiply(b, mode); },
      [](const fixedfloat& a, const fixedfloat& b) { return a * b; });
}

TEST(FixedfloatMultiply, NumbersWithoutPlacesMultiplyToZero) {
  const fixedfloat none(0);
  EXPECT_EQ(outcome([&] { return none * none; }), ".0");
  EXPECT_EQ(outcome([&] { return none - none; }), ".0");
  EXPECT_EQ(none.todouble(), 0.0);
  expectthrow<std::domain_error>([&] { return none / none; }, "Division by zero!");
}

TEST(FixedfloatDivide, RoundsTheExactQuotientByEachMode) {
  const std::vector<RoundingCase> cases = {
      {8, "1.0", "3.0", {"0.3333", "0.3334", "0.3333", "0.3334", "0.3333", "0.3333", "0.3333"}},
      {8,
       "-1.0",
       "3.0",
       {"-0.3333", "-0.3334", "-0.3334", "-0.3333", "-0.3333", "-0.3333", "-0.3333"}},
      {8,
       "2.0",
       "-3.0",
       {"-0.6666", "-0.6667", "-0.6667", "-0.6666", "-0.6667", "-0.6667", "-0.6667"}},
      {8, "1.0", "8.0", {"0.125", "0.125", "0.125", "0.125", "0.125", "0.125", "0.125"}},
      {8, "0.0001", "2.0", {"0.0", "0.0001", "0.0", "0.0001", "0.0", "0.0001", "0.0"}},
      {8, "0.0003", "2.0", {"0.0001", "0.0002", "0.0001", "0.0002", "0.0002", "0.0002", "0.0001"}},
      {8, "-0.0001", "3.0", {"-0.0", "-0.0001", "-0.0001", "-0.0", "-0.0", "-0.0", "-0.0"}},
      {8, "0.0", "-5.0", {"-0.0", "-0.0", "-0.0", "-0.0", "-0.0", "-0.0", "-0.0"}},
      {8,
       "12.3456",
       "7.891",
       {"1.5645", "1.5646", "1.5645", "1.5646", "1.5645", "1.5645", "1.5645"}},
      {8,
       "9999.0",
       "0.5",
       {kOverflow, kOverflow, kOverflow, kOverflow, kOverflow, kOverflow, kOverflow}},
      {8,
       "1.0",
       "0.0001",
       {kOverflow, kOverflow, kOverflow, kOverflow, kOverflow, kOverflow, kOverflow}},
      {8,
       "0.9999",
       "0.0001",
       {"9999.0", "9999.0", "9999.0", "9999.0", "9999.0", "9999.0", "9999.0"}},
  };
  expectroundedbyeachmode(
      cases, " / ",
      [](const fixedfloat& a, const fixedfloat& b, rounding mode) { return a.divide(b, mode); },
      [](const fixedfloat& a, const fixedfloat& b) { return a / b; });
}

TEST(FixedfloatDivide, DivisionByZeroIsRefusedWhateverItsSign) {
  for (const char* zero : {"0.0", "-0.0"}) {
    const fixedfloat a = num(8, "1.5");
    const fixedfloat b = num(8, zero);
    LogCapture capture;
    expectthrow<std::domain_error>([&] { return a / b; }, "Division by zero!");
    expectthrow<std::domain_error>([&] { return a.divide(b, rounding::floor); },
                                   "Division by zero!");
    EXPECT_EQ(capture.messages(), Lines{});
  }
}

// --- Rounding to places ----------------------------------------------------------

TEST(FixedfloatRounded, KeepsPlacesRoundedByEachModeWithTheSignKept) {
  struct Case {
    const char* value;
    unsigned long long places;
    std::vector<const char*> rounded;
  };
  const Case cases[] = {
      {"12.3456", 2, {"12.34", "12.35", "12.34", "12.35", "12.35", "12.35", "12.35"}},
      {"12.345", 2, {"12.34", "12.35", "12.34", "12.35", "12.34", "12.35", "12.34"}},
      {"12.355", 2, {"12.35", "12.36", "12.35", "12.36", "12.36", "12.36", "12.35"}},
      {"-12.345", 2, {"-12.34", "-12.35", "-12.35", "-12.34", "-12.34", "-12.35", "-12.34"}},
      {"-0.004", 2, {"-0.0", "-0.01", "-0.01", "-0.0", "-0.0", "-0.0", "-0.0"}},
      {"2.5", 0, {"2.0", "3.0", "2.0", "3.0", "2.0", "3.0", "2.0"}},
      {"3.5", 0, {"3.0", "4.0", "3.0", "4.0", "4.0", "4.0", "3.0"}},
      {"-3.5001", 0, {"-3.0", "-4.0", "-4.0", "-3.0", "-4.0", "-4.0", "-4.0"}},
      {"12.3456", 4, {"12.3456", "12.3456", "12.3456", "12.3456", "12.3456", "12.3456", "12.3456"}},
      {"-12.3456",
       9,
       {"-12.3456", "-12.3456", "-12.3456", "-12.3456", "-12.3456", "-12.3456", "-12.3456"}},
      {"9999.996",
       2,
       {"9999.99", kOverflow, "9999.99", kOverflow, kOverflow, kOverflow, kOverflow}},
      {"-9999.996",
       2,
       {"-9999.99", kOverflow, kOverflow, "-9999.99", kOverflow, kOverflow, kOverflow}},
  };
  for (const Case& c : cases) {
    for (std::size_t m = 0; m < std::size(kEveryRounding); ++m) {
      SCOPED_TRACE(std::string(c.value) + " to " + std::to_string(c.places) + " mode " +
                   std::to_string(m));
      const fixedfloat x = num(8, c.value);
      EXPECT_EQ(outcome([&] { return x.rounded(c.places, kEveryRounding[m]); }), c.rounded[m]);
    }
    const fixedfloat x = num(8, c.value);
    EXPECT_EQ(outcome([&] { return x.rounded(c.places); }), c.rounded[4]);  // half-even
  }
}

// --- Refusals, operands and the log --------------------------------------------

TEST(FixedfloatNewArithmetic, LengthsThatDifferAreRefusedBeforeAnythingIsMade) {
  const fixedfloat a = num(8, "1.5");
  const fixedfloat b = num(10, "1.5");
  LogCapture capture;
  const std::string message = "Size is not equal!";
  expectthrow<std::length_error>([&] { return a - b; }, message);
  expectthrow<std::length_error>([&] { return a * b; }, message);
  expectthrow<std::length_error>([&] { return a / b; }, message);
  expectthrow<std::length_error>([&] { return a.multiply(b, rounding::ceiling); }, message);
  expectthrow<std::length_error>([&] { return a.divide(b, rounding::ceiling); }, message);
  EXPECT_EQ(capture.messages(), Lines{});
}

TEST(FixedfloatNewArithmetic, OperandsNeverChangeAlsoWhenRefused) {
  const char* pairs[][2] = {{"9999.9999", "-0.0001"},
                            {"5000.0", "2.0"},
                            {"1.0", "0.0"},
                            {"-12.345", "0.5"},
                            {"9999.996", "1.0"}};
  const std::vector<std::function<fixedfloat(const fixedfloat&, const fixedfloat&)>> operations = {
      [](const fixedfloat& a, const fixedfloat& b) { return a - b; },
      [](const fixedfloat& a, const fixedfloat& b) { return a * b; },
      [](const fixedfloat& a, const fixedfloat& b) { return a / b; },
      [](const fixedfloat& a, const fixedfloat&) { return -a; },
      [](const fixedfloat& a, const fixedfloat&) { return a.rounded(2); },
  };
  for (const auto& pair : pairs) {
    for (const auto& operation : operations) {
      veldran_test::expectoperandskept<fixedfloat>(num(8, pair[0]), num(8, pair[1]), operation,
                                                   record);
    }
  }
}

TEST(FixedfloatNewArithmetic, EachOperationLogsOnlyItsResult) {
  const fixedfloat a = num(8, "-12.3456");
  const fixedfloat b = num(8, "7.891");
  const std::vector<std::function<fixedfloat()>> operations = {
      [&] { return -a; },
      [&] { return a - b; },
      [&] { return a * b; },
      [&] { return a / b; },
      [&] { return a.multiply(b, rounding::floor); },
      [&] { return a.divide(b, rounding::ceiling); },
      [&] { return a.rounded(2, rounding::awayfromzero); },
  };
  veldran_test::expectlogsonly(operations, resultlines(8));
}

TEST(FixedfloatCompoundAssignment, EachIsTheOperatorAndAssignmentWithTheirLines) {
  struct Case {
    const char *a, *b;
    veldran_test::Assignment<fixedfloat> assignment;
  };
  const auto subtract = veldran_test::subtractassign<fixedfloat>();
  const auto multiply = veldran_test::multiplyassign<fixedfloat>();
  const auto quotient = veldran_test::divideassign<fixedfloat>();
  const Case cases[] = {
      {"1.5", "2.25", subtract},   {"9999.9999", "-1.0", subtract}, {"12.3456", "7.891", multiply},
      {"5000.0", "2.0", multiply}, {"12.3456", "7.891", quotient},  {"1.0", "-0.0", quotient},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " " + c.assignment.symbol + " " + c.b);
    veldran_test::expectcompoundasplain<fixedfloat>(num(8, c.a), num(8, c.b), c.assignment, record);
  }
}

// --- Conversion ------------------------------------------------------------------

TEST(FixedfloatToDouble, ReadsTheTextAsTheNearestDouble) {
  struct Case {
    unsigned long long length;
    const char* text;
    double expected;
  };
  // Past the largest double by a power of ten alone.
  const std::string huge = "1" + std::string(309, '0') + ".0";
  const std::string minushuge = "-" + huge;
  const Case cases[] = {
      {8, "12.3456", 12.3456},
      {8, "-0.0", -0.0},
      {8, "0.1", 0.1},
      {8, "-9999.9999", -9999.9999},
      {40, "0.00000000000000000001", 1e-20},
      {620, huge.c_str(), std::numeric_limits<double>::infinity()},
      {620, minushuge.c_str(), -std::numeric_limits<double>::infinity()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    veldran_test::expecttodouble(num(c.length, c.text), c.expected);
  }
}

// --- Digits set by hand ----------------------------------------------------------

TEST(FixedfloatNewArithmetic, DigitsOutsideZeroToNineGiveDigitsAtRest) {
  fixedfloat a = num(8, "1.0");
  fixedfloat b = num(8, "1.0");
  const std::int8_t odd[] = {11, -3, 127, -128, 10, 0, 5, -1};
  for (std::size_t i = 0; i < std::size(odd); ++i) {
    a.value.digits[i] = odd[i];
    b.value.digits[i] = odd[(i + 3) % std::size(odd)];
  }
  b.value.digits[4] = 1;  // never a zero divisor
  const std::vector<std::function<fixedfloat()>> operations = {
      [&] { return -a; },    [&] { return a - b; },        [&] { return a * b; },
      [&] { return a / b; }, [&] { return a.rounded(1); },
  };
  veldran_test::expectdigitsatrest<fixedfloat>(operations,
                                               [](const fixedfloat& x) { return x.value.digits; });
  EXPECT_FALSE(std::isnan(a.todouble()));
}

TEST(FixedfloatNewArithmetic, AHandSetDigitInOneOperandIsReadModuloTen) {
  const fixedfloat a = num(16, "-1234.56780123");
  const fixedfloat b = num(16, "97.0000304");
  veldran_test::expecthandsetdigitreadmoduloten<fixedfloat>(
      a, b, 16,
      {[](const fixedfloat& x, const fixedfloat& y) { return x - y; },
       [](const fixedfloat& x, const fixedfloat& y) { return x * y; },
       [](const fixedfloat& x, const fixedfloat& y) { return x / y; },
       [](const fixedfloat& x, const fixedfloat& y) { return x.multiply(y, rounding::ceiling); },
       [](const fixedfloat& x, const fixedfloat& y) { return x.divide(y, rounding::floor); }},
      [](fixedfloat& x) -> std::vector<std::int8_t>& { return x.value.digits; }, record);
}

// --- Refusals ------------------------------------------------------------------------

// An overflow is found before the result is made, as every other refusal
// of these operations is, so nothing is logged.
TEST(FixedfloatNewArithmetic, AnOverflowWritesNoLine) {
  const fixedfloat big = num(8, "9999.9999");
  const fixedfloat tiny = num(8, "-0.0001");
  const fixedfloat two = num(8, "2.0");
  const fixedfloat half = num(8, "0.5");
  const fixedfloat nines = num(4, "99.99");
  const fixedfloat a = num(4, "9.99");
  const fixedfloat b = num(4, "10.01");
  const fixedfloat almostone = num(4, "0.99");
  fixedfloat target = big;
  const std::function<void()> refusals[] = {
      [&] { static_cast<void>(big - tiny); },
      [&] { static_cast<void>(big * two); },
      [&] { static_cast<void>(big / half); },
      [&] { static_cast<void>(big.multiply(two, rounding::towardzero)); },
      [&] { static_cast<void>(big.divide(half, rounding::towardzero)); },
      // 99.9999 brought up to 100.00, and 99.99 to 100.0: carries out of the top.
      [&] { static_cast<void>(a.multiply(b, rounding::awayfromzero)); },
      [&] { static_cast<void>(nines.rounded(1, rounding::ceiling)); },
      [&] { static_cast<void>(nines.divide(almostone, rounding::towardzero)); },
      [&] { target -= tiny; },
  };
  for (std::size_t i = 0; i < std::size(refusals); ++i) {
    SCOPED_TRACE(i);
    const veldran_test::Effect effect = veldran_test::effectof(refusals[i]);
    EXPECT_EQ(effect.threw, "Overflow occured.");
    EXPECT_EQ(effect.lines, Lines{});
  }
}

// --- Products smaller than the last place ----------------------------------------------

// Products whose every digit is dropped, at lengths whose product spans
// two or more limbs of eight digits: each mode rounds them by all of
// their digits, the top ones included.
TEST(FixedfloatMultiply, TinyProductsRoundByAllTheirDigits) {
  using veldran_test::bigfloatmodel;
  const auto make = [](unsigned long long length, unsigned digit, unsigned long long places,
                       bool negative) {
    bigfloatmodel m;
    m.length = length;
    m.value.size = length;
    m.value.negative = negative;
    // digit x 10^-places
    m.value.magnitude = veldran_test::bigmultiply(veldran_test::bigof(digit),
                                                  veldran_test::bigpow10(length / 2 - places));
    return m;
  };
  const auto build = [](const bigfloatmodel& m) {
    fixedfloat x(m.length);
    x.value.digits = veldran_test::bigdigits(m.value.magnitude, m.length);
    x.value.negative = x.negative = m.value.negative;
    return x;
  };
  for (const unsigned long long length : {20ULL, 24ULL, 32ULL, 40ULL, 48ULL}) {
    const unsigned long long half = length / 2;
    for (unsigned long long places = half / 2 + 1; places <= half; ++places) {
      for (const unsigned digit : {1U, 5U, 9U}) {
        for (const bool negative : {false, true}) {
          const bigfloatmodel a = make(length, digit, places, negative);
          const bigfloatmodel b = make(length, 1, half + 1 - places + 1, false);
          for (const rounding mode : kEveryRounding) {
            SCOPED_TRACE("length " + std::to_string(length) + ": " + std::to_string(digit) + "e-" +
                         std::to_string(places) + " x 1e-" + std::to_string(half + 2 - places) +
                         " " + veldran_test::roundingname(mode));
            const veldran_test::bigresult want = veldran_test::floatmultiplymodel(a, b, mode);
            const fixedfloat product = build(a).multiply(build(b), mode);
            EXPECT_EQ(product.value.digits, veldran_test::bigdigits(want.value.magnitude, length));
            EXPECT_EQ(product.value.negative, want.value.negative);
          }
        }
      }
    }
  }
}

// Amounts held to many places: operands with zero limbs below their digits,
// scales of whole limbs and of parts of one, products whose top limb is
// whole or partial, and multiply then rounded as money is billed.
TEST(FixedfloatMultiply, AmountsEndingInZerosMultiplyAndRoundExactly) {
  using veldran_test::bigfloatmodel;
  const auto make = [](unsigned long long length, std::uint32_t digits, unsigned long long shift) {
    bigfloatmodel m;
    m.length = length;
    m.value.size = length;
    m.value.magnitude =
        veldran_test::bigmultiply(veldran_test::bigof(digits), veldran_test::bigpow10(shift));
    return m;
  };
  const auto build = [](const bigfloatmodel& m) {
    fixedfloat x(m.length);
    x.value.digits = veldran_test::bigdigits(m.value.magnitude, m.length);
    return x;
  };
  for (const unsigned long long length : {16ULL, 20ULL, 32ULL, 36ULL, 48ULL}) {
    for (const std::uint32_t digits : {13U, 99999999U, 123456789U}) {
      for (unsigned long long shift = 0; shift + 9 <= length; shift += 3) {
        const bigfloatmodel a = make(length, digits, shift);
        const bigfloatmodel b = make(length, 675, length / 2 - 4 + shift % 5);
        for (const rounding mode : kEveryRounding) {
          SCOPED_TRACE("length " + std::to_string(length) + ": " + std::to_string(digits) + "e" +
                       std::to_string(shift) + " " + veldran_test::roundingname(mode));
          const veldran_test::bigresult want = veldran_test::floatmultiplymodel(a, b, mode);
          if (want.result != veldran_test::outcome::value) {
            EXPECT_THROW(static_cast<void>(build(a).multiply(build(b), mode)), std::overflow_error);
            continue;
          }
          const fixedfloat product = build(a).multiply(build(b), mode);
          EXPECT_EQ(product.value.digits, veldran_test::bigdigits(want.value.magnitude, length));
          // Rounding the product once more to cents reads the digits it wrote.
          bigfloatmodel exact;
          exact.length = length;
          exact.value = want.value;
          const veldran_test::bigresult cents = veldran_test::floatroundedmodel(exact, 2, mode);
          ASSERT_EQ(cents.result, veldran_test::outcome::value);
          EXPECT_EQ(product.rounded(2, mode).value.digits,
                    veldran_test::bigdigits(cents.value.magnitude, length));
        }
      }
    }
  }
}
