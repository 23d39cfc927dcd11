// {fmt} formatting of both number classes: text as asstring() gives it,
// with a sign, `z` and digit grouping on request, aligned right as numbers
// are; a fixedfloat precision fixes the fraction digits.
#include "decimal/fmtformat"

#include <gtest/gtest.h>

#include <string>

#include "decimal/fixedfloat"
#include "decimal/fixedint"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;

TEST(FmtFormat, PlainFieldWritesAsstring) {
  const fixedfloat price(8, "1259.6");
  const fixedint count(6, -305);
  EXPECT_EQ(fmt::format("{} {}", price, count), "1259.6 -305");
  EXPECT_EQ(fmt::format("{}", fixedfloat(8, "-0.0")), "-0.0");
}

TEST(FmtFormat, FixedfloatPrecisionWritesThatManyRoundedDigits) {
  const fixedfloat price(8, "9999.996");
  EXPECT_EQ(fmt::format("{:.2f}", price), "10000.00");
  EXPECT_EQ(fmt::format("{:.2}", price), "10000.00");
  EXPECT_EQ(fmt::format("{:.0f}", fixedfloat(8, "2.5")), "2");
  EXPECT_EQ(fmt::format("{:.2f}", fixedfloat(8, "-0.004")), "-0.00");
  EXPECT_EQ(fmt::format("{:.6f}", fixedfloat(8, "1.5")), "1.500000");
}

TEST(FmtFormat, FillAlignmentAndWidthApplyWithNumbersAlignedRight) {
  const fixedfloat price(8, "19.99");
  const fixedint count(4, 42);
  EXPECT_EQ(fmt::format("[{:8}]", price), "[   19.99]");
  EXPECT_EQ(fmt::format("[{:<8}]", price), "[19.99   ]");
  EXPECT_EQ(fmt::format("[{:>8}]", price), "[   19.99]");
  EXPECT_EQ(fmt::format("[{:*^9.1f}]", price), "[**20.0***]");
  EXPECT_EQ(fmt::format("[{:_>5}]", count), "[___42]");
  EXPECT_EQ(fmt::format("[{:€<4}]", count), "[42€€]");
  EXPECT_EQ(fmt::format("[{:2}]", fixedfloat(8, "-123.25")), "[-123.25]");
}

struct optioncase {
  const char* format;
  const char* number;  // a fixedfloat of 16 places, or with `integer` a fixedint of 8
  const char* expected;
  bool integer = false;
};

TEST(FmtFormat, SignZeroMinusAndGroupingAloneAndCombined) {
  const optioncase cases[] = {
      {"{:+}", "1.5", "+1.5"},
      {"{:+}", "-1.5", "-1.5"},
      {"{: }", "1.5", " 1.5"},
      {"{:-}", "1.5", "1.5"},
      {"{:+}", "0", "+0", true},
      {"{:z.2f}", "-0.004", "0.00"},
      {"{:z.2f}", "-0.006", "-0.01"},
      {"{:z}", "-0.0", "0.0"},
      {"{:z}", "-0", "0", true},
      {"{:+z.2f}", "-0.004", "+0.00"},
      {"{:,.2f}", "1234567.891", "1,234,567.89"},
      {"{:_}", "-1234567.891", "-1_234_567.891"},
      {"{:,}", "999.5", "999.5"},
      {"{:,.0f}", "999.5", "1,000"},
      {"{:*^+16,.2f}", "1234567.891", "*+1,234,567.89**"},
      {"{:+,}", "1234567", "+1,234,567", true},
      {"{:>+8_}", "-12345", " -12_345", true},
      {"{:0>+9,}", "1234", "000+1,234", true},
  };
  for (const optioncase& c : cases) {
    const std::string text = c.integer
                                 ? fmt::format(fmt::runtime(c.format), fixedint(8, c.number))
                                 : fmt::format(fmt::runtime(c.format), fixedfloat(16, c.number));
    EXPECT_EQ(text, c.expected) << c.format << ' ' << c.number;
  }
}

TEST(FmtFormat, EveryOtherPresentationIsAFormatErrorThatNamesIt) {
  const fixedfloat price(8, "19.99");
  const fixedint count(4, 42);
  struct refusal {
    const char* format;
    const char* named;  // in the message
  };
  const refusal refusals[] = {
      {"{:#}", "'#'"},
      {"{:08}", "'0'"},
      {"{:e}", "'e'"},
      {"{:.2e}", "'e'"},
      {"{:f}", "'f'"},
      {"{:s}", "'s'"},
      {"{:.}", "precision"},
      {"{:{}}", "'{'"},
      {"{:L}", "'L'"},
      {"{:,,}", "','"},
      {"{:z+}", "'+'"},
      {"{:{<5}", "'{'"},
      {"{:€}", "'€'"},
      // Widths and precisions above INT_MAX, {fmt}'s own limit, also where
      // they would wrap a 64-bit count.
      {"{:2147483648}", "too big"},
      {"{:100000000000}", "too big"},
      {"{:18446744073709551616}", "too big"},
      {"{:36893488147419103232}", "too big"},
      {"{:.2147483648f}", "too big"},
      {"{:>18446744073709551617.2f}", "too big"},
  };
  for (const refusal& r : refusals) {
    try {
      (void)fmt::format(fmt::runtime(r.format), price, 8);
      ADD_FAILURE() << r.format << " was taken";
    } catch (const fmt::format_error& e) {
      EXPECT_NE(std::string(e.what()).find(r.named), std::string::npos)
          << r.format << ": " << e.what();
    }
  }
  for (const char* format : {"{:d}", "{:.2}", "{:08}", "{:x}", "{:{<3}", "{:4294967297}"}) {
    EXPECT_THROW((void)fmt::format(fmt::runtime(format), count), fmt::format_error) << format;
  }
}

}  // namespace
