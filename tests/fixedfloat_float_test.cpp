// fixedfloat assignment from single-precision values.
#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "decimal/fixedfloat"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;

enum class Outcome { kStored, kLengthError, kOutOfRange, kDomainError };

struct Case {
  float x;
  unsigned long long length;
  Outcome outcome;
  // The stored value as fixedint text (the number times 10^(length/2));
  // empty when the object must keep what it held before.
  std::string value;
  bool negative;
  std::string text;  // asstring() afterwards; empty to skip
};

const std::string kTooBig = "Fraction of float too big to fit in fixedfloat!";

// Runs the assignment; returns the outcome and the exception's text.
std::pair<Outcome, std::string> assign(fixedfloat& f, float x) {
  try {
    f = x;
  } catch (const std::length_error& e) {
    return {Outcome::kLengthError, e.what()};
  } catch (const std::out_of_range& e) {
    return {Outcome::kOutOfRange, e.what()};
  } catch (const std::domain_error& e) {
    return {Outcome::kDomainError, e.what()};
  }
  return {Outcome::kStored, ""};
}

std::string expectedwhat(Outcome outcome) {
  switch (outcome) {
    case Outcome::kLengthError:
      return kTooBig;
    case Outcome::kOutOfRange:
      return "Input int bigger than size!";
    case Outcome::kDomainError:
      return "Float is not finite!";
    case Outcome::kStored:
      break;
  }
  return "";
}

void check(const Case& c) {
  SCOPED_TRACE(testing::Message() << "x = " << c.x << ", length " << c.length);
  fixedfloat f(c.length);
  // A negative starting value, so that a refused assignment visibly keeps
  // it and an accepted one visibly refreshes the sign.
  f = fixedint(c.length / 2, -7);
  const std::string before = f.value.asstring();

  const auto [outcome, what] = assign(f, c.x);
  EXPECT_EQ(outcome, c.outcome);
  EXPECT_EQ(what, expectedwhat(c.outcome));
  EXPECT_EQ(f.value.asstring(), c.value.empty() ? before : c.value);
  EXPECT_EQ(f.negative, c.value.empty() ? true : c.negative);
  EXPECT_EQ(f.value.size, c.length);
  if (!c.text.empty()) {
    EXPECT_EQ(f.asstring(), c.text);
  }
}

TEST(FixedfloatFromFloat, TakesIntegerPartAndFractionDigitsFoundByScaling) {
  for (const Case& c : std::vector<Case>{
           {0.123F, 8, Outcome::kStored, "1230", false, "0.123"},
           {78.9F, 8, Outcome::kStored, "789000", false, "78.9"},
           {2.0F, 8, Outcome::kStored, "20000", false, "2.0"},
           {-3.0F, 8, Outcome::kStored, "-30000", true, "-3.0"},
           {3.75F, 8, Outcome::kStored, "37500", false, "3.75"},
           {12.5F, 8, Outcome::kStored, "125000", false, "12.5"},
           {0.7F, 8, Outcome::kStored, "7000", false, "0.7"},
           {0.9999F, 8, Outcome::kStored, "9999", false, "0.9999"},
           {0.5F, 2, Outcome::kStored, "5", false, "0.5"},
       }) {
    check(c);
  }
}

// The fraction scales until it is within a thousandth of a whole number;
// values that single precision holds just below their decimal form never get
// there within the places and are refused, keeping the integer part.
TEST(FixedfloatFromFloat, RefusesFractionsNeedingMoreThanHalfThePlaces) {
  const float third = 1.0F / 3.0F;
  for (const Case& c : std::vector<Case>{
           {0.12345F, 8, Outcome::kLengthError, "0", false, ""},
           {99.99F, 8, Outcome::kLengthError, "990000", false, "99.0"},
           {-99.99F, 8, Outcome::kLengthError, "-990000", true, "-99.0"},
           {0.29F, 8, Outcome::kLengthError, "0", false, ""},
           {third, 8, Outcome::kLengthError, "0", false, ""},
           {5.1F, 8, Outcome::kLengthError, "50000", false, ""},
           {0.25F, 2, Outcome::kLengthError, "0", false, ""},
       }) {
    check(c);
  }
}

TEST(FixedfloatFromFloat, PlacesSmallFractionsAtTheirOwnDecimalPlaces) {
  for (const Case& c : std::vector<Case>{
           {0.05F, 8, Outcome::kStored, "500", false, "0.05"},
           {0.0015F, 8, Outcome::kStored, "15", false, "0.0015"},
           {0.0123F, 8, Outcome::kStored, "123", false, "0.0123"},
           {0.05F, 4, Outcome::kStored, "5", false, "0.05"},
           // Leading zero places count against the fraction places too.
           {0.00123F, 8, Outcome::kLengthError, "0", false, ""},
           {0.05F, 2, Outcome::kLengthError, "0", false, ""},
           // At most a thousandth is not scaled at all.
           {2.0005F, 8, Outcome::kStored, "20000", false, "2.0"},
       }) {
    check(c);
  }
}

TEST(FixedfloatFromFloat, NegativeValuesTakeTheSignOfXExceptOnZero) {
  for (const Case& c : std::vector<Case>{
           {-2.5F, 8, Outcome::kStored, "-25000", true, "-2.5"},
           {-0.5F, 8, Outcome::kStored, "-5000", true, "-0.5"},
           {-78.9F, 8, Outcome::kStored, "-789000", true, "-78.9"},
           {-0.0001F, 8, Outcome::kStored, "0", false, "0.0"},
       }) {
    check(c);
  }
}

TEST(FixedfloatFromFloat, RefusesValuesWithoutAFittingIntegerPartAndKeepsOldValue) {
  constexpr float kTwoTo63 = 9223372036854775808.0F;
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  for (const Case& c : std::vector<Case>{
           {12345.5F, 8, Outcome::kOutOfRange, "", true, ""},
           {kTwoTo63, 8, Outcome::kOutOfRange, "", true, ""},
           {-kTwoTo63, 8, Outcome::kOutOfRange, "", true, ""},
           {std::numeric_limits<float>::quiet_NaN(), 8, Outcome::kDomainError, "", true, ""},
           {kInfinity, 8, Outcome::kDomainError, "", true, ""},
           {-kInfinity, 8, Outcome::kDomainError, "", true, ""},
       }) {
    check(c);
  }
}

TEST(FixedfloatFromFloat, LogsTheIntegerPartsScalingThenTheFractionsAddition) {
  using Lines = std::vector<std::string>;
  const auto created = [](unsigned long long places, Lines& into) {
    into.insert(into.end(),
                {"New fixedint object!", "Resizing Digits to: " + std::to_string(places), "Done."});
  };
  const std::string deleted = "Deleted fixedint object.";

  fixedfloat f(8);
  veldran_test::LogCapture capture;
  f = 0.123F;

  Lines expected;
  created(4, expected);  // the integer part, 0
  expected.insert(expected.end(),
                  {"Resize requested in fixedint.", "Resizing Digits to: 8", "Done."});
  for (int place = 0; place < 4; ++place) {
    created(8, expected);  // the ten
    created(8, expected);  // the product
    expected.insert(expected.end(), {deleted, deleted});
  }
  expected.push_back(deleted);                 // the integer part
  created(8, expected);                        // the fraction digits, 123
  created(8, expected);                        // the working sum of the addition
  expected.insert(expected.end(), {deleted,    // the working sum
                                   deleted,    // the sum
                                   deleted,    // the copy of the fraction digits
                                   deleted});  // the fraction digits
  EXPECT_EQ(capture.messages(), expected);
}

TEST(FixedfloatFromFloat, WholeNumberLogsExactlyWhatItsIntegerPartAsAFixedintLogs) {
  for (const auto& [x, integer] : {std::pair{3.0F, 3LL}, std::pair{-2.0F, -2LL}}) {
    SCOPED_TRACE(testing::Message() << "x = " << x);
    fixedfloat fromfloat(8);
    fixedfloat fromint(8);
    veldran_test::LogCapture floatcapture;
    fromfloat = x;
    const std::vector<std::string> floatlines = floatcapture.messages();
    veldran_test::LogCapture intcapture;
    fromint = fixedint(4, integer);
    EXPECT_EQ(floatlines, intcapture.messages());
    EXPECT_EQ(fromfloat.value.asstring(), fromint.value.asstring());
  }
}

}  // namespace
