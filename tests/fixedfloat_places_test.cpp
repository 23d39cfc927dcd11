// fixedfloat text with a fixed number of fraction digits: asstring(places,
// mode) and the stream's std::fixed precision.
#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>

#include "decimal/fixedfloat"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::rounding;

struct placescase {
  const char* number;  // in a fixedfloat of 8 places
  unsigned long long places;
  rounding mode;
  const char* expected;
};

class FixedfloatPlaces : public testing::TestWithParam<placescase> {};

TEST_P(FixedfloatPlaces, RoundsByTheModeAndWritesExactlyThatManyDigits) {
  const placescase& c = GetParam();
  const fixedfloat number(8, c.number);
  EXPECT_EQ(number.asstring(c.places, c.mode), c.expected)
      << c.number << " to " << c.places << " places";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, FixedfloatPlaces, testing::Values(
    // Trailing zeros kept, no point for 0 places, places beyond the number's.
    placescase{"1259.6", 2, rounding::halfeven, "1259.60"},
    placescase{"8", 0, rounding::halfeven, "8"},
    placescase{"8", 4, rounding::halfeven, "8.0000"},
    placescase{"0.0001", 7, rounding::halfeven, "0.0001000"},
    placescase{"-12.5", 6, rounding::towardzero, "-12.500000"},
    // Ties: only the half modes tell them apart.
    placescase{"0.125", 2, rounding::halfeven, "0.12"},
    placescase{"0.135", 2, rounding::halfeven, "0.14"},
    placescase{"0.125", 2, rounding::halfawayfromzero, "0.13"},
    placescase{"0.125", 2, rounding::halftowardzero, "0.12"},
    placescase{"-0.125", 2, rounding::halfawayfromzero, "-0.13"},
    placescase{"-0.135", 2, rounding::halftowardzero, "-0.13"},
    placescase{"2.5", 0, rounding::halfeven, "2"},
    placescase{"3.5", 0, rounding::halfeven, "4"},
    // A digit below the tie makes it more than half.
    placescase{"0.1251", 2, rounding::halfeven, "0.13"},
    placescase{"0.1251", 2, rounding::halftowardzero, "0.13"},
    placescase{"0.1249", 2, rounding::halfawayfromzero, "0.12"},
    // Directed modes, both signs.
    placescase{"1.231", 2, rounding::towardzero, "1.23"},
    placescase{"1.231", 2, rounding::awayfromzero, "1.24"},
    placescase{"1.231", 2, rounding::floor, "1.23"},
    placescase{"1.231", 2, rounding::ceiling, "1.24"},
    placescase{"-1.231", 2, rounding::towardzero, "-1.23"},
    placescase{"-1.231", 2, rounding::awayfromzero, "-1.24"},
    placescase{"-1.231", 2, rounding::floor, "-1.24"},
    placescase{"-1.231", 2, rounding::ceiling, "-1.23"},
    placescase{"0.0001", 2, rounding::ceiling, "0.01"},
    placescase{"0.0001", 2, rounding::floor, "0.00"},
    // The sign stays when the digits round to zero, and on -0 itself.
    placescase{"-0.004", 2, rounding::halfeven, "-0.00"},
    placescase{"-0.004", 2, rounding::ceiling, "-0.00"},
    placescase{"-0.4", 0, rounding::halfeven, "-0"},
    placescase{"-0.0", 2, rounding::halfeven, "-0.00"},
    placescase{"-0.0", 2, rounding::floor, "-0.00"},
    // A carry out of the top adds a digit rather than throwing.
    placescase{"9999.996", 2, rounding::halfeven, "10000.00"},
    placescase{"-9999.9999", 3, rounding::halfeven, "-10000.000"},
    placescase{"9999.5", 0, rounding::halfeven, "10000"},
    placescase{"0.9999", 3, rounding::awayfromzero, "1.000"}));
// clang-format on

TEST(FixedfloatPlacesText, WritesNoLogLineAndLeavesTheNumber) {
  const fixedfloat number(10, "-3.14159");
  veldran_test::LogCapture capture;
  EXPECT_EQ(number.asstring(3), "-3.142");
  EXPECT_EQ(number.asstring(0, rounding::ceiling), "-3");
  EXPECT_TRUE(capture.messages().empty());
  EXPECT_EQ(number.asstring(), "-3.14159");
}

TEST(FixedfloatPlacesText, TakesTheSignFromTheNumbersOwnFlagAsAsstringDoes) {
  fixedfloat number(8, "1.25");
  number.value.negative = true;  // not yet taken by updsign()
  EXPECT_EQ(number.asstring(1), number.asstring(1, rounding::halfeven));
  EXPECT_EQ(number.asstring(1, rounding::floor), "1.2");
  number.updsign();
  EXPECT_EQ(number.asstring(1, rounding::floor), "-1.3");
}

TEST(FixedfloatPlacesText, DigitsSetOutsideZeroToNineAreWrittenAsNumbers) {
  fixedfloat number(4);
  number.value.digits = {9, 12, -3, 127};  // 127 -3 . 12 9
  EXPECT_EQ(number.asstring(1, rounding::towardzero), "127-3.12");
  EXPECT_EQ(number.asstring(1, rounding::ceiling), "127-3.13");
  EXPECT_EQ(number.asstring(0, rounding::ceiling), "127-2");
}

TEST(FixedfloatStreamPrecision, FixedWritesThePrecisionsDigitsOthersTheShortestText) {
  const fixedfloat price(8, "1259.6");
  std::ostringstream out;
  out << price << ' ' << std::fixed << std::setprecision(2) << price << ' ' << std::setprecision(0)
      << price << ' ' << std::scientific << price << ' ' << std::defaultfloat << price;
  EXPECT_EQ(out.str(), "1259.6 1259.60 1260 1259.6 1259.6");
}

TEST(FixedfloatStreamPrecision, WidthFillAndAlignmentApplyAsToAString) {
  const fixedfloat amount(8, "-0.004");
  std::ostringstream out;
  out << std::fixed << std::setprecision(2) << '[' << std::setw(8) << amount << "][" << std::left
      << std::setfill('*') << std::setw(8) << amount << "][" << std::setw(2) << amount << ']';
  EXPECT_EQ(out.str(), "[   -0.00][-0.00***][-0.00]");
}

TEST(FixedfloatStreamRefusal, ThrowsTheStreamsFailureWhenItsMaskHasFailbit) {
  VELDRAN::fixedfloat number(8, "1.5");
  std::istringstream in("1.55555 2.25");
  in.exceptions(std::ios_base::failbit);
  EXPECT_THROW(in >> number, std::ios_base::failure);
  EXPECT_EQ(number.asstring(), "1.5");
}

}  // namespace
