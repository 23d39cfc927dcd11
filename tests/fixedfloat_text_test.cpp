// fixedfloat text assignment, the stream operators, comparison and std::hash.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "decimal/fixedfloat"
#include "support/exceptions.h"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedfloat;
using Digits = std::vector<std::int8_t>;
using veldran_test::whatof;

// A number of `length` places set from `text`.
fixedfloat fromtext(unsigned long long length, const std::string& text) {
  fixedfloat f(length);
  f = text;
  return f;
}

// The value's digits, most significant first, with value's sign in front.
std::string scaled(const fixedfloat& f) {
  std::string text = f.value.negative ? "-" : "+";
  for (auto digit = f.value.digits.rbegin(); digit != f.value.digits.rend(); ++digit) {
    text += std::to_string(*digit);
  }
  return text;
}

// Assigns `text` to a number holding -12.5, expecting the Error with
// `message` and the number unchanged.
template <typename Error>
void expectrefused(const std::string& text, const std::string& message) {
  SCOPED_TRACE(::testing::PrintToString(text));
  fixedfloat f = fromtext(8, "-12.5");
  EXPECT_EQ(whatof<Error>([&] { f = text; }), message);
  EXPECT_EQ(scaled(f), "-00125000");
  EXPECT_TRUE(f.negative);
}

}  // namespace

TEST(FixedfloatTextAssignment, StoresTheNumberTimesTenToTheHalfLengthExactly) {
  const struct {
    std::string text, value, asstring;
  } cases[] = {{"12", "+00120000", "12.0"},
               {"12.5", "+00125000", "12.5"},
               {"0.29", "+00002900", "0.29"},  // the float 0.29f is refused at this length
               {"19.99", "+00199900", "19.99"},
               {"-5.10", "-00051000", "-5.1"},
               {"1234.5678", "+12345678", "1234.5678"},
               {"+0001.1000", "+00011000", "1.1"},
               {"0.0001", "+00000001", "0.0001"},
               {"-0.0", "-00000000", "-0.0"},
               {"00009999.99990000", "+99999999", "9999.9999"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    fixedfloat f = fromtext(8, "-9876.5432");  // every old digit and the sign must go
    f.value.hassign = false;
    f.value.overflowthrows = true;
    f = c.text;
    EXPECT_EQ(scaled(f), c.value);
    EXPECT_EQ(f.negative, f.value.negative);
    EXPECT_EQ(f.asstring(), c.asstring);
    EXPECT_FALSE(f.value.hassign);
    EXPECT_TRUE(f.value.overflowthrows);
  }
}

TEST(FixedfloatTextAssignment, RefusesEachFaultWithItsOwnErrorAndKeepsTheNumber) {
  // clang-format off
  const std::string malformed[] = {
      "", "-", ".", "1..2", "1.2.3",                 // missing or extra digits and points
      "1,5", "1 .5",                                 // separator, blank inside
      "1:.5", "1.5:", "/.5",                         // the characters next to the digits
      std::string{'1', '.', '\0', '5'},              // embedded NUL
      "\xd9\xa1.5",                                  // ARABIC-INDIC DIGIT ONE
  };
  // clang-format on
  // The integer part is checked first, so the last one names it.
  const std::string integertoolong[] = {"12345", "-10000.5", "12345.12345"};
  const std::string fractiontoolong[] = {"1.23456", "0.00001", "-0.000010"};

  for (const std::string& text : malformed) {
    const std::string message = "Not a decimal number! \"" + text + "\"";
    expectrefused<std::invalid_argument>(text, message.c_str());
  }
  for (const std::string& text : integertoolong) {
    expectrefused<std::out_of_range>(text, "Input int bigger than size!");
  }
  for (const std::string& text : fractiontoolong) {
    expectrefused<std::length_error>(text, "Fraction of text too big to fit in fixedfloat!");
  }
  fixedfloat empty(0);
  EXPECT_EQ(whatof<std::out_of_range>([&] { empty = "0"; }), "Input int bigger than size!");
}

TEST(FixedfloatText, AssignmentAndComparisonWriteNoLogLine) {
  fixedfloat a(8), b(8), c(10);
  const veldran_test::LogCapture log;
  a = "12.5";
  b = "-0.25";
  static_cast<void>(whatof<std::length_error>([&] { a = "1.23456"; }));
  static_cast<void>(whatof<std::invalid_argument>([&] { a = "x"; }));
  EXPECT_TRUE(b < a && a > b && a != b && !(a == b) && b <= a && a >= b);
  static_cast<void>(whatof<std::length_error>([&] { static_cast<void>(a < c); }));
  EXPECT_TRUE(log.messages().empty());
}

TEST(FixedfloatText, RandomNumbersSurviveAsstringAndStreamRoundTrips) {
  std::mt19937_64 random(20240612);
  for (int round = 0; round < 1000; ++round) {
    fixedfloat f(2 * (1 + random() % 20));
    for (auto& digit : f.value.digits) digit = static_cast<std::int8_t>(random() % 10);
    f.value.negative = random() % 2 == 1;
    f.updsign();
    SCOPED_TRACE(f.asstring());

    fixedfloat fromstring(f.length);
    fromstring = f.asstring();
    EXPECT_EQ(scaled(fromstring), scaled(f));
    EXPECT_EQ(fromstring.negative, f.negative);

    std::stringstream stream;
    stream << f;
    fixedfloat fromstream(f.length);
    stream >> fromstream;
    EXPECT_FALSE(stream.fail());
    EXPECT_EQ(scaled(fromstream), scaled(f));
  }
}

TEST(FixedfloatStreams, RefusedTokenOfAnyKindSetsFailbitAndLeavesTheNumber) {
  for (const std::string token : {"1.5x", "12345.0", "1.23456"}) {
    SCOPED_TRACE(token);
    std::istringstream in(token);
    fixedfloat f = fromtext(8, "-3.25");
    EXPECT_NO_THROW(in >> f);
    EXPECT_TRUE(in.fail());
    EXPECT_EQ(scaled(f), "-00032500");
  }
}

TEST(FixedfloatComparison, OrdersBySignThenMagnitudeWithNegativeZeroBelowZero) {
  // -1: a below b, 0: equal, 1: a above b.
  const struct {
    std::string a, b;
    int order;
  } cases[] = {{"1.5", "1.25", 1},      {"1.25", "1.5", -1},    {"12.5", "12.50", 0},
               {"-1.5", "-1.25", -1},   {"-1.25", "-1.5", 1},   {"-2", "1", -1},
               {"1", "-2", 1},          {"-0.0", "0.0", -1},    {"0.0", "-0.0", 1},
               {"-0.0", "-0.0", 0},     {"-0.0", "-0.0001", 1}, {"0.0001", "0.0", 1},
               {"9999.9999", "1000", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a + " vs " + c.b);
    const fixedfloat a = fromtext(8, c.a);
    const fixedfloat b = fromtext(8, c.b);
    EXPECT_EQ(a == b, c.order == 0);
    EXPECT_EQ(a != b, c.order != 0);
    EXPECT_EQ(a < b, c.order < 0);
    EXPECT_EQ(a > b, c.order > 0);
    EXPECT_EQ(a <= b, c.order <= 0);
    EXPECT_EQ(a >= b, c.order >= 0);
  }
}

TEST(FixedfloatComparison, EveryOperatorRefusesDifferentLengths) {
  const fixedfloat a = fromtext(8, "1.5");
  const fixedfloat b = fromtext(10, "1.5");
  using Comparison = bool (fixedfloat::*)(const fixedfloat&) const;
  for (const Comparison compare : {&fixedfloat::operator==, &fixedfloat::operator!=,
                                   &fixedfloat::operator<, &fixedfloat::operator>,
                                   &fixedfloat::operator<=, &fixedfloat::operator>=}) {
    EXPECT_EQ(whatof<std::length_error>([&] { static_cast<void>((a.*compare)(b)); }),
              "Size is not equal!");
  }
}

TEST(FixedfloatHash, AgreesWithEqualityOnValueAndSeparatesNegativeZero) {
  const std::hash<fixedfloat> hash;
  static_assert(noexcept(hash(std::declval<const fixedfloat&>())), "hashing must not throw");
  const fixedfloat a = fromtext(8, "12.5");
  fixedfloat b = fromtext(8, "0012.5000");
  b.negative = true;  // a stale flag: == and the hash read value alone
  ASSERT_TRUE(a == b);
  EXPECT_EQ(hash(a), hash(b));
  EXPECT_NE(hash(fromtext(8, "0.0")), hash(fromtext(8, "-0.0")));
  EXPECT_NE(hash(a), hash(fromtext(8, "12.6")));
}
