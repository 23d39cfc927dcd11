// fixedfloat construction, parts, assignment from fixedint, text and addition.
#include "decimal/fixedfloat"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/exceptions.h"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using Lines = std::vector<std::string>;
using veldran_test::whatof;

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Lines created(unsigned long long places) {
  return {"New fixedint object!", "Resizing Digits to: " + std::to_string(places), "Done."};
}

const std::string kDeleted = "Deleted fixedint object.";

// What fixedfloat(8) logs once the module is set up.
Lines createdfloat8() {
  return created(0) +
         Lines{"Creating new fixedfloat object!", "Init called on fixedfloat with length: 8",
               "Register size.", "Init boolean properties.", "Init digits."} +
         created(8) + Lines{kDeleted, "Done."};
}

// A fixedfloat of `length` places whose value is `scaled` (the number times
// 10^(length/2)), with its sign flag taken from it.
fixedfloat makefloat(unsigned long long length, long long scaled) {
  fixedfloat f(length);
  f.value = fixedint(length, scaled);
  f.updsign();
  return f;
}

TEST(FixedfloatConstruction, LogsZeroPlaceValueThenInitAndIsAZeroOfThatLength) {
  veldran_test::LogCapture capture;
  const fixedfloat f(8);
  EXPECT_EQ(capture.messages(), createdfloat8());
  EXPECT_EQ(f.length, 8U);
  EXPECT_TRUE(f.hassign);
  EXPECT_FALSE(f.negative);
  EXPECT_EQ(f.value.size, 8U);
  EXPECT_EQ(f.value.digits, std::vector<std::int8_t>(8, 0));
  EXPECT_TRUE(f.value.hassign);
  EXPECT_FALSE(f.value.overflowthrows);
  EXPECT_FALSE(f.value.negative);
}

TEST(FixedfloatConstruction, OddLengthIsRefusedAndZeroLengthAccepted) {
  veldran_test::LogCapture capture;
  EXPECT_EQ(whatof<std::runtime_error>([] { (void)fixedfloat(7); }),
            "length should be able to be divided by 2!");
  const Lines log = capture.messages();
  ASSERT_GE(log.size(), 2U);
  EXPECT_EQ(Lines(log.end() - 2, log.end()),
            (Lines{"Init called on fixedfloat with length: 7", kDeleted}));

  const fixedfloat empty(0);
  EXPECT_EQ(empty.length, 0U);
  EXPECT_EQ(empty.value.size, 0U);
  EXPECT_EQ(empty.asstring(), ".0");
}

TEST(FixedfloatConstruction, CopyIsSilentAndItsDestructionLogsBothObjects) {
  const fixedfloat original = makefloat(8, -790230);
  veldran_test::LogCapture capture;
  {
    const fixedfloat copy(original);
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(copy.length, 8U);
    EXPECT_TRUE(copy.negative);
    EXPECT_EQ(copy.value.asstring(), "-790230");
  }
  EXPECT_EQ(capture.messages(), (Lines{"Deleting fixedfloat object!", kDeleted}));
}

TEST(FixedfloatConstruction, InitOnANegativeNumberClearsItsSign) {
  fixedfloat f = makefloat(8, -15000);
  ASSERT_TRUE(f.negative);
  f.init(8);
  EXPECT_FALSE(f.negative);
  EXPECT_FALSE(f.value.negative);
  EXPECT_EQ(f.asstring(), "0.0");
}

TEST(FixedfloatConstruction, InitResetsTheValuesSwitchesSoSignsCountAgain) {
  fixedfloat f = makefloat(8, 25000);
  f.value.hassign = false;
  f.value.overflowthrows = true;
  f.init(8);
  EXPECT_TRUE(f.value.hassign);
  EXPECT_FALSE(f.value.overflowthrows);
  // Text assignment keeps the switches: with value's signs honoured again,
  // 2.5 + -1.5 subtracts.
  f = "2.5";
  EXPECT_EQ((f + makefloat(8, -15000)).asstring(), "1.0");
}

TEST(FixedfloatFromFixedint, ScalesByTenPerFractionPlaceAndSplitsIntoParts) {
  struct Case {
    long long integer;
    std::string value, intpart, fractionpart;
    bool negative;
  };
  for (const Case& c : {Case{12, "120000", "12", "0", false},
                        // A negative number without fraction digits keeps the
                        // sign on its zero fraction.
                        Case{-3, "-30000", "-3", "-0", true}}) {
    SCOPED_TRACE(c.integer);
    fixedfloat f(8);
    f = fixedint(4, c.integer);
    EXPECT_EQ(f.value.asstring(), c.value);
    EXPECT_EQ(f.value.size, 8U);
    EXPECT_EQ(f.negative, c.negative);
    const fixedint intpart = f.getintpart();
    const fixedint fractionpart = f.getfractionpart();
    EXPECT_EQ(intpart.asstring(), c.intpart);
    EXPECT_EQ(fractionpart.asstring(), c.fractionpart);
    EXPECT_EQ(intpart.size, 8U);
    EXPECT_EQ(fractionpart.size, 8U);
  }
}

TEST(FixedfloatFromFixedint, RefusesTooFewPlacesAndStopsAtTheFirstProductThatOverflows) {
  fixedfloat f = makefloat(8, 15000);
  EXPECT_EQ(whatof<std::out_of_range>([&] { f = fixedint(3, 7); }),
            "Val too small for fixedfloat!");
  EXPECT_EQ(f.value.asstring(), "15000");
  EXPECT_EQ(f.value.size, 8U);

  EXPECT_EQ(whatof<std::out_of_range>([&] { f = fixedint(8, 12345); }),
            "Out of range while running multiplication! Index: 8");
  EXPECT_EQ(f.value.asstring(), "12345000");
}

TEST(FixedfloatFromFixedint, LogsResizeThenATenAndAProductPerFractionPlace) {
  fixedfloat f(8);
  const fixedint twelve(4, 12);
  veldran_test::LogCapture capture;
  f = twelve;
  Lines expected{"Resize requested in fixedint.", "Resizing Digits to: 8", "Done."};
  for (int place = 0; place < 4; ++place) {
    expected = expected + created(8) + created(8) + Lines{kDeleted, kDeleted};
  }
  expected.push_back(kDeleted);  // the argument's copy
  EXPECT_EQ(capture.messages(), expected);
}

TEST(FixedintFromFixedfloat, TakesTheIntegerPartAndTheFloatsLength) {
  fixedfloat f = makefloat(8, 790230);
  fixedint target(2, 5);
  target = f;
  EXPECT_EQ(target.size, 8U);
  EXPECT_EQ(target.asstring(), "79");
  EXPECT_FALSE(target.negative);
}

TEST(FixedintFromFixedfloat, KeepsTheSignOfANegativeNumber) {
  fixedfloat f = makefloat(8, -15000);  // -1.5
  fixedint target(8);
  target = f;
  EXPECT_TRUE(target.negative);
  EXPECT_EQ(target.asstring(), "-1");
}

TEST(FixedfloatText, WritesFractionPlacesFromTheTenthsWithoutTrailingZeros) {
  struct Case {
    unsigned long long length;
    long long scaled;
    std::string text;
  };
  for (const Case& c : {Case{8, 790230, "79.023"}, Case{8, 500, "0.05"}, Case{8, 15, "0.0015"},
                        Case{8, 1234, "0.1234"}, Case{8, 15000, "1.5"}, Case{8, 20000, "2.0"},
                        Case{8, -30000, "-3.0"}, Case{8, -5000, "-0.5"}, Case{8, 0, "0.0"},
                        Case{4, 905, "9.05"}, Case{2, 70, "7.0"}}) {
    SCOPED_TRACE(c.scaled);
    EXPECT_EQ(makefloat(c.length, c.scaled).asstring(), c.text);
  }
}

TEST(FixedfloatText, TakesTheSignFromItsOwnFlag) {
  fixedfloat f(8);
  f.value = fixedint(8, -30000);  // no updsign: the flag stays clear
  EXPECT_EQ(f.asstring(), "3.0");
  f.negative = true;
  f.value.negative = false;
  EXPECT_EQ(f.asstring(), "-3.0");
}

TEST(FixedfloatText, WritesHandSetDigitsInSignedDecimal) {
  struct Case {
    unsigned long long length;
    std::vector<std::int8_t> digits;
    bool negative;
    std::string text;
  };
  for (const Case& c :
       {Case{4, {0, -7, 11, 0}, false, "11.-7"}, Case{6, {0, 0, 127, 0, 0, 0}, true, "-0.127"},
        Case{4, {5, -2, 0, 0}, false, "0.-25"}}) {
    fixedfloat f(c.length);
    f.value.digits = c.digits;
    f.negative = c.negative;
    EXPECT_EQ(f.asstring(), c.text);
  }
}

TEST(FixedfloatAddition, AddsScaledValuesAndLogsBetweenItsOwnLines) {
  fixedfloat left = makefloat(8, 1230);
  fixedfloat right = makefloat(8, 789000);
  veldran_test::LogCapture capture;
  const fixedfloat sum = left + right;
  const Lines expected =
      Lines{"Addition operation in fixedfloat."} + createdfloat8() + created(8) +
      Lines{kDeleted} +                                // the working sum inside fixedint addition
      Lines{kDeleted, kDeleted, "Done."} +             // the sum and the copy of right's value
      Lines{"Deleting fixedfloat object!", kDeleted};  // the argument
  EXPECT_EQ(capture.messages(), expected);
  EXPECT_EQ(sum.value.asstring(), "790230");
  EXPECT_EQ(sum.asstring(), "79.023");
  EXPECT_FALSE(sum.negative);
  EXPECT_EQ(right.value.asstring(), "789000");
  EXPECT_EQ(left.value.asstring(), "1230");
}

TEST(FixedfloatAddition, RefusesDifferentLengthsBeforeMakingAnything) {
  fixedfloat eight(8);
  fixedfloat ten(10);
  veldran_test::LogCapture capture;
  EXPECT_EQ(whatof<std::length_error>([&] { (void)(eight + ten); }), "Size is not equal!");
  // After the operation's one line, only the argument's copy is destroyed.
  EXPECT_EQ(capture.messages(),
            (Lines{"Addition operation in fixedfloat.", "Deleting fixedfloat object!", kDeleted}));
}

// The left operand's own switch decides whether the sum keeps its sign;
// the right operand's is never read.
TEST(FixedfloatAddition, OnlyTheLeftOperandsHassignCarriesTheSumsSign) {
  const struct {
    bool lefthassign, righthassign, negative;
  } cases[] = {
      {true, true, true}, {true, false, true}, {false, true, false}, {false, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lefthassign << c.righthassign);
    fixedfloat left = makefloat(8, -30000);
    fixedfloat right = makefloat(8, -25000);
    left.hassign = c.lefthassign;
    right.hassign = c.righthassign;
    const fixedfloat sum = left + right;
    EXPECT_EQ(sum.negative, c.negative);
    EXPECT_EQ(sum.value.asstring(), "-55000");
  }
}

TEST(FixedfloatAddition, SumOfNegativesIsNegative) {
  fixedfloat left = makefloat(8, -30000);
  const fixedfloat sum = left + makefloat(8, -25000);
  EXPECT_TRUE(sum.negative);
  EXPECT_EQ(sum.value.asstring(), "-55000");
  EXPECT_EQ(sum.asstring(), "-5.5");
}

}  // namespace
