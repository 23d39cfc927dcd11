// Difference, negation, division with its rounding modes, <= and >=, the
// compound assignments and todouble of fixedint: results, signs, refusals
// and the log lines of the one object each operation makes.
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

#include "decimal/fixedint"
#include "support/arithmetic_checks.h"
#include "support/exceptions.h"
#include "support/log_capture.h"
#include "support/model.h"

using VELDRAN::fixedint;
using VELDRAN::rounding;
using Lines = std::vector<std::string>;
using veldran_test::expectthrow;
using veldran_test::kEveryRounding;
using veldran_test::LogCapture;

namespace {

constexpr char kOverflow[] = "overflow";
constexpr char kUnderflow[] = "underflow";

fixedint num(unsigned long long places, const std::string& text, bool hassign = true) {
  fixedint x(places);
  x = std::string_view(text);
  x.hassign = hassign;
  return x;
}

Lines created(unsigned long long places) {
  return {"New fixedint object!", "Resizing Digits to: " + std::to_string(places), "Done."};
}

// Every field, to see that an operand came through unchanged.
std::string record(const fixedint& x) {
  std::string text = x.asstring() + (x.negative ? " neg" : " pos") + " size " +
                     std::to_string(x.size) + (x.hassign ? " signs" : " magnitudes") +
                     (x.overflowthrows ? " throws" : " wraps") + " |";
  for (const std::int8_t digit : x.digits) text += std::to_string(digit) + ",";
  return text;
}

// The result's text, or which refusal it met.
std::string outcome(const std::function<fixedint()>& operation) {
  try {
    const fixedint result = operation();
    EXPECT_TRUE(result.hassign);
    EXPECT_FALSE(result.overflowthrows);
    return result.asstring();
  } catch (const std::overflow_error& error) {
    EXPECT_STREQ(error.what(), "Overflow occured.");
    return kOverflow;
  } catch (const std::underflow_error& error) {
    EXPECT_STREQ(error.what(), "Underflow occured.");
    return kUnderflow;
  }
}

}  // namespace

// --- Difference and negation ---------------------------------------------------

TEST(FixedintDifference, IsExactWithZeroPositiveAndRefusesWhatDoesNotFit) {
  struct Case {
    const char *a, *b;
    bool hassign;
    const char* difference;
  };
  const Case cases[] = {
      {"5", "3", true, "2"},
      {"3", "5", true, "-2"},
      {"-3", "5", true, "-8"},
      {"3", "-5", true, "8"},
      {"-3", "-5", true, "2"},
      {"-5", "-3", true, "-2"},
      {"7", "7", true, "0"},
      {"-7", "-7", true, "0"},
      {"-0", "0", true, "0"},
      {"0", "-0", true, "0"},
      {"-0", "-0", true, "0"},
      {"0", "7", true, "-7"},
      {"-0", "7", true, "-7"},
      {"500", "-499", true, "999"},
      {"999", "-1", true, kOverflow},
      {"-999", "1", true, kOverflow},
      {"-1", "999", true, kOverflow},
      {"999", "999", true, "0"},
      {"100", "1", true, "99"},
      {"-100", "-1", true, "-99"},
      // Magnitudes alone while the left operand's hassign is clear.
      {"5", "-3", false, "2"},
      {"-5", "3", false, "2"},
      {"-5", "-3", false, "2"},
      {"3", "5", false, kUnderflow},
      {"-3", "-5", false, kUnderflow},
      {"7", "-7", false, "0"},
      {"999", "-1", false, "998"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " - " + c.b + (c.hassign ? "" : " magnitudes"));
    const fixedint a = num(3, c.a, c.hassign);
    const fixedint b = num(3, c.b);
    EXPECT_EQ(outcome([&] { return a - b; }), c.difference);
  }
}

TEST(FixedintDifference, CarriesAndBorrowsRunThroughWholeWordsOfPlaces) {
  const std::string nines(20, '9');
  EXPECT_EQ(outcome([&] { return num(21, nines) - num(21, "-1"); }), "1" + std::string(20, '0'));
  EXPECT_EQ(outcome([&] { return num(20, nines) - num(20, "-1"); }), kOverflow);
  EXPECT_EQ(outcome([&] { return num(20, "1" + std::string(19, '0')) - num(20, "1"); }),
            std::string(19, '9'));
  EXPECT_EQ(outcome([&] { return num(17, "1") - num(17, "10000000000000000"); }),
            "-9999999999999999");
  EXPECT_EQ(outcome([&] { return num(16, "12345678") - num(16, "12345679"); }), "-1");
}

TEST(FixedintNegation, FlipsTheSignOfEveryValueWhileSignsCount) {
  struct Case {
    const char* value;
    bool hassign;
    const char* negated;
  };
  const Case cases[] = {
      {"5", true, "-5"}, {"-5", true, "5"}, {"0", true, "-0"},
      {"-0", true, "0"}, {"5", false, "5"}, {"-5", false, "-5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const fixedint x = num(4, c.value, c.hassign);
    EXPECT_EQ(outcome([&] { return -x; }), c.negated);
  }
}

// --- Division ------------------------------------------------------------------

TEST(FixedintDivision, QuotientTowardZeroAndRemainderWithTheDividendsSign) {
  struct Case {
    const char *a, *b;
    bool hassign;
    const char *quotient, *remainder;
  };
  const Case cases[] = {
      {"7", "2", true, "3", "1"},       {"-7", "2", true, "-3", "-1"},
      {"7", "-2", true, "-3", "1"},     {"-7", "-2", true, "3", "-1"},
      {"-6", "3", true, "-2", "-0"},    {"6", "-3", true, "-2", "0"},
      {"-3", "5", true, "-0", "-3"},    {"0", "-5", true, "-0", "0"},
      {"-0", "5", true, "-0", "-0"},    {"-0", "-5", true, "0", "-0"},
      {"999", "1", true, "999", "0"},   {"5", "7", true, "0", "5"},
      {"998", "999", true, "0", "998"}, {"999", "999", true, "1", "0"},
      {"-7", "2", false, "3", "1"},     {"7", "-2", false, "3", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    const fixedint a = num(3, c.a, c.hassign);
    const fixedint b = num(3, c.b);
    EXPECT_EQ(outcome([&] { return a / b; }), c.quotient);
    EXPECT_EQ(outcome([&] { return a % b; }), c.remainder);
  }
}

TEST(FixedintDivision, DivideRoundsTheExactQuotientByEachMode) {
  // Columns: towardzero, awayfromzero, floor, ceiling, halfeven,
  // halfawayfromzero, halftowardzero.
  struct Case {
    unsigned long long places;
    const char *a, *b;
    std::vector<const char*> rounded;
  };
  const Case cases[] = {
      {3, "7", "2", {"3", "4", "3", "4", "4", "4", "3"}},
      {3, "-7", "2", {"-3", "-4", "-4", "-3", "-4", "-4", "-3"}},
      {3, "5", "2", {"2", "3", "2", "3", "2", "3", "2"}},
      {3, "5", "-2", {"-2", "-3", "-3", "-2", "-2", "-3", "-2"}},
      {3, "2", "3", {"0", "1", "0", "1", "1", "1", "1"}},
      {3, "-2", "3", {"-0", "-1", "-1", "-0", "-1", "-1", "-1"}},
      {3, "1", "3", {"0", "1", "0", "1", "0", "0", "0"}},
      {3, "-1", "-3", {"0", "1", "0", "1", "0", "0", "0"}},
      {3, "-1", "3", {"-0", "-1", "-1", "-0", "-0", "-0", "-0"}},
      {3, "-6", "2", {"-3", "-3", "-3", "-3", "-3", "-3", "-3"}},
      {3, "-0", "5", {"-0", "-0", "-0", "-0", "-0", "-0", "-0"}},
      {3, "999", "2", {"499", "500", "499", "500", "500", "500", "499"}},
      // Ties and near-ties against a divisor of two limbs.
      {9, "150000000", "300000000", {"0", "1", "0", "1", "0", "1", "0"}},
      {9, "150000001", "300000000", {"0", "1", "0", "1", "1", "1", "1"}},
      {9, "149999999", "300000000", {"0", "1", "0", "1", "0", "0", "0"}},
      {9, "-450000000", "300000000", {"-1", "-2", "-2", "-1", "-2", "-2", "-1"}},
      {18, "500000000000000000", "999999999999999999", {"0", "1", "0", "1", "1", "1", "1"}},
  };
  for (const Case& c : cases) {
    for (std::size_t m = 0; m < std::size(kEveryRounding); ++m) {
      SCOPED_TRACE(std::string(c.a) + " / " + c.b + " mode " + std::to_string(m));
      const fixedint a = num(c.places, c.a);
      const fixedint b = num(c.places, c.b);
      EXPECT_EQ(outcome([&] { return a.divide(b, kEveryRounding[m]); }), c.rounded[m]);
    }
  }
}

TEST(FixedintDivision, DivisionByZeroIsRefusedWhateverItsSign) {
  for (const char* zero : {"0", "-0"}) {
    SCOPED_TRACE(zero);
    const fixedint a = num(4, "12");
    const fixedint b = num(4, zero);
    const std::string before = record(b);
    LogCapture capture;
    expectthrow<std::domain_error>([&] { return a / b; }, "Division by zero!");
    expectthrow<std::domain_error>([&] { return a % b; }, "Division by zero!");
    expectthrow<std::domain_error>([&] { return a.divide(b, rounding::ceiling); },
                                   "Division by zero!");
    EXPECT_EQ(capture.messages(), Lines{});
    EXPECT_EQ(record(b), before);
  }
  // A record without places holds only zero.
  const fixedint empty(0);
  expectthrow<std::domain_error>([&] { return empty / empty; }, "Division by zero!");
}

// --- Refusals, operands and the log --------------------------------------------

TEST(FixedintNewArithmetic, SizesThatDifferAreRefusedBeforeAnythingIsMade) {
  const fixedint a = num(3, "12");
  const fixedint b = num(4, "5");
  LogCapture capture;
  const std::string message = "Int sizes are not equal!";
  expectthrow<std::length_error>([&] { return a - b; }, message);
  expectthrow<std::length_error>([&] { return a / b; }, message);
  expectthrow<std::length_error>([&] { return a % b; }, message);
  expectthrow<std::length_error>([&] { return a.divide(b, rounding::floor); }, message);
  EXPECT_EQ(capture.messages(), Lines{});
}

TEST(FixedintNewArithmetic, OperandsNeverChangeAlsoWhenRefused) {
  struct Case {
    const char *a, *b;
  };
  const Case cases[] = {{"999", "-1"}, {"-7", "2"}, {"3", "5"}, {"5", "0"}, {"-0", "-0"}};
  const std::vector<std::function<fixedint(const fixedint&, const fixedint&)>> operations = {
      [](const fixedint& a, const fixedint& b) { return a - b; },
      [](const fixedint& a, const fixedint& b) { return a / b; },
      [](const fixedint& a, const fixedint& b) { return a % b; },
      [](const fixedint& a, const fixedint& b) { return a.divide(b, rounding::halfeven); },
      [](const fixedint& a, const fixedint&) { return -a; },
  };
  for (const Case& c : cases) {
    for (const bool hassign : {true, false}) {
      for (const auto& operation : operations) {
        fixedint a = num(3, c.a, hassign);
        a.overflowthrows = true;
        veldran_test::expectoperandskept<fixedint>(a, num(3, c.b), operation, record);
      }
    }
  }
}

TEST(FixedintNewArithmetic, EachOperationLogsOnlyItsResult) {
  const fixedint a = num(12, "-123456789012");
  const fixedint b = num(12, "98765");
  const std::vector<std::function<fixedint()>> operations = {
      [&] { return -a; },
      [&] { return a - b; },
      [&] { return a / b; },
      [&] { return a % b; },
      [&] { return a.divide(b, rounding::halfawayfromzero); },
  };
  Lines expected = created(12);
  expected.push_back("Deleted fixedint object.");
  veldran_test::expectlogsonly(operations, expected);
}

// --- Order and compound assignment ---------------------------------------------

TEST(FixedintOrder, LessOrEqualAndGreaterOrEqualAgreeWithTheFourComparisons) {
  const std::vector<fixedint> values = {
      num(3, "5"),  num(3, "-5"), num(3, "7"),  num(3, "-7"),    num(3, "0"),
      num(3, "-0"), num(4, "5"),  num(4, "-5"), num(5, "12345"),
  };
  for (const fixedint& a : values) {
    for (const fixedint& b : values) {
      SCOPED_TRACE(record(a) + " vs " + record(b));
      const bool lessorequal = a < b || a == b;
      const bool greaterorequal = a > b || a == b;
      LogCapture capture;
      EXPECT_EQ(a <= b, lessorequal);
      EXPECT_EQ(a >= b, greaterorequal);
      EXPECT_EQ(capture.messages(), Lines{});
    }
  }
}

TEST(FixedintCompoundAssignment, EachIsTheOperatorAndAssignmentWithTheirLines) {
  struct Case {
    const char *a, *b;
    veldran_test::Assignment<fixedint> assignment;
  };
  const auto subtract = veldran_test::subtractassign<fixedint>();
  const auto multiply = veldran_test::multiplyassign<fixedint>();
  const auto quotient = veldran_test::divideassign<fixedint>();
  const auto rest = veldran_test::restassign<fixedint>();
  const Case cases[] = {
      {"5", "7", subtract},   {"999", "-1", subtract}, {"12", "-34", multiply},
      {"99", "99", multiply}, {"-7", "2", quotient},   {"7", "0", quotient},
      {"-7", "2", rest},      {"7", "-0", rest},
  };
  for (const Case& c : cases) {
    for (const bool hassign : {true, false}) {
      SCOPED_TRACE(std::string(c.a) + " " + c.assignment.symbol + " " + c.b +
                   (hassign ? "" : " magnitudes"));
      veldran_test::expectcompoundasplain<fixedint>(num(3, c.a, hassign), num(3, c.b), c.assignment,
                                                    record);
    }
  }
}

TEST(FixedintCompoundAssignment, AdditionLogsOnlyItsResult) {
  fixedint x = num(3, "123");
  const fixedint y = num(3, "456");
  LogCapture capture;
  x += y;
  Lines expected = created(3);
  expected.emplace_back("Deleted fixedint object.");
  EXPECT_EQ(capture.messages(), expected);
  EXPECT_EQ(x.asstring(), "579");
}

// --- Conversion ------------------------------------------------------------------

TEST(FixedintToDouble, ReadsTheTextAsTheNearestDouble) {
  struct Case {
    unsigned long long places;
    std::string text;
    double expected;
  };
  const Case cases[] = {
      {3, "0", 0.0},
      {3, "-0", -0.0},
      {3, "-305", -305.0},
      {20, "12345678901234567890", 12345678901234567890.0},
      {16, "9007199254740993", 9007199254740992.0},  // a tie goes to even
      {16, "9007199254740995", 9007199254740996.0},
      {309, "1" + std::string(308, '0'), 1e308},
      {310, "1" + std::string(309, '0'), std::numeric_limits<double>::infinity()},
      {310, "-1" + std::string(309, '0'), -std::numeric_limits<double>::infinity()},
      {400, std::string(400, '9'), std::numeric_limits<double>::infinity()},
      {400, "-" + std::string(400, '9'), -std::numeric_limits<double>::infinity()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    veldran_test::expecttodouble(num(c.places, c.text), c.expected);
  }
}

// --- Digits set by hand ----------------------------------------------------------

TEST(FixedintNewArithmetic, DigitsOutsideZeroToNineGiveDigitsAtRest) {
  const std::vector<std::int8_t> odd = {11, -3, 127, -128, 9, 0, 10, 5, -1, 100};
  for (std::size_t shift = 0; shift < odd.size(); ++shift) {
    fixedint a(10);
    fixedint b(10);
    for (std::size_t i = 0; i < odd.size(); ++i) {
      a.digits[i] = odd[(i + shift) % odd.size()];
      b.digits[i] = odd[(i + 3 * shift) % odd.size()];
    }
    b.digits[0] = 7;  // never a zero divisor
    const std::vector<std::function<fixedint()>> operations = {
        [&] { return -a; },
        [&] { return a - b; },
        [&] { return a / b; },
        [&] { return a % b; },
        [&] { return a.divide(b, rounding::awayfromzero); },
    };
    veldran_test::expectdigitsatrest<fixedint>(operations,
                                               [](const fixedint& x) { return x.digits; });
    EXPECT_FALSE(std::isnan(a.todouble()));
  }
}

TEST(FixedintNewArithmetic, AHandSetDigitInOneOperandIsReadModuloTen) {
  const fixedint a = num(12, "-987654321012");
  const fixedint b = num(12, "30000407");
  veldran_test::expecthandsetdigitreadmoduloten<fixedint>(
      a, b, 12,
      {[](const fixedint& x, const fixedint& y) { return x - y; },
       [](const fixedint& x, const fixedint& y) { return x / y; },
       [](const fixedint& x, const fixedint& y) { return x % y; },
       [](const fixedint& x, const fixedint& y) { return x.divide(y, rounding::halfeven); }},
      [](fixedint& x) -> std::vector<std::int8_t>& { return x.digits; }, record);
}

// An overflow is found before the result is made, so nothing is logged.
TEST(FixedintDifference, AnOverflowWritesNoLine) {
  const fixedint nines = num(8, "99999999");
  const fixedint minusone = num(8, "-1");
  const veldran_test::Effect effect =
      veldran_test::effectof([&] { static_cast<void>(nines - minusone); });
  EXPECT_EQ(effect.threw, "Overflow occured.");
  EXPECT_EQ(effect.lines, Lines{});
  fixedint target = minusone;
  const veldran_test::Effect compound = veldran_test::effectof([&] { target -= nines; });
  EXPECT_EQ(compound.threw, "Overflow occured.");
  EXPECT_EQ(compound.lines, Lines{});
}
