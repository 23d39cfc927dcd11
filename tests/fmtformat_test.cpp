// {fmt} formatting of both number classes: text as asstring() gives it,
// padded as a string; a fixedfloat precision fixes the fraction digits.
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

TEST(FmtFormat, FillAlignmentAndWidthApplyAsToAString) {
  const fixedfloat price(8, "19.99");
  const fixedint count(4, 42);
  EXPECT_EQ(fmt::format("[{:8}]", price), "[19.99   ]");
  EXPECT_EQ(fmt::format("[{:>8}]", price), "[   19.99]");
  EXPECT_EQ(fmt::format("[{:*^9.1f}]", price), "[**20.0***]");
  EXPECT_EQ(fmt::format("[{:_>5}]", count), "[___42]");
  EXPECT_EQ(fmt::format("[{:€<4}]", count), "[42€€]");
  EXPECT_EQ(fmt::format("[{:2}]", fixedfloat(8, "-123.25")), "[-123.25]");
}

TEST(FmtFormat, EveryOtherPresentationIsAFormatError) {
  const fixedfloat price(8, "19.99");
  const fixedint count(4, 42);
  for (const char* format :
       {"{:+}", "{:#}", "{:08}", "{:e}", "{:.2e}", "{:f}", "{:s}", "{:.}", "{:{}}", "{:L}"}) {
    EXPECT_THROW((void)fmt::format(fmt::runtime(format), price, 8), fmt::format_error) << format;
  }
  for (const char* format : {"{:d}", "{:.2}", "{:+}", "{:08}", "{:x}"}) {
    EXPECT_THROW((void)fmt::format(fmt::runtime(format), count), fmt::format_error) << format;
  }
}

}  // namespace
