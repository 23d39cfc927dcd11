// Construction from text: the count constructor's lines, then the text's
// number; a refused text throws as the assignment does and leaves no object.
#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/exceptions.h"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using lines = std::vector<std::string>;

// What fixedint(places) logs.
lines fixedintlines(const std::string& places) {
  return {"New fixedint object!", "Resizing Digits to: " + places, "Done."};
}

// What fixedfloat(length) logs, its member's lines first.
lines fixedfloatlines(const std::string& length) {
  lines expected = fixedintlines("0");
  const lines own = {"Creating new fixedfloat object!",
                     "Init called on fixedfloat with length: " + length,
                     "Register size.",
                     "Init boolean properties.",
                     "Init digits.",
                     "New fixedint object!",
                     "Resizing Digits to: " + length,
                     "Done.",
                     "Deleted fixedint object.",
                     "Done."};
  expected.insert(expected.end(), own.begin(), own.end());
  return expected;
}

TEST(FixedintTextConstructor, LogsTheCountConstructorAndHoldsTheNumber) {
  veldran_test::LogCapture capture;
  {
    const fixedint number(6, "-0042");
    EXPECT_EQ(capture.messages(), fixedintlines("6"));
    EXPECT_EQ(number.asstring(), "-42");
    EXPECT_EQ(number.size, 6U);
  }
  lines expected = fixedintlines("6");
  expected.push_back("Deleted fixedint object.");
  EXPECT_EQ(capture.messages(), expected);
}

TEST(FixedintTextConstructor, RefusedTextThrowsAndLogsNoDeletion) {
  veldran_test::LogCapture capture;
  veldran_test::expectthrow<std::out_of_range>([] { fixedint(2, "123"); },
                                               "Input int bigger than size!");
  EXPECT_EQ(capture.messages(), fixedintlines("2"));
  veldran_test::LogCapture again;
  EXPECT_THROW(fixedint(4, "12a"), std::invalid_argument);
  EXPECT_EQ(again.messages(), fixedintlines("4"));
}

TEST(FixedintTextConstructor, AnIntegerArgumentStillMeansTheValue) {
  const fixedint zero(8, 0);
  EXPECT_EQ(zero.asstring(), "0");
  EXPECT_FALSE(zero.negative);
  EXPECT_EQ(fixedint(8, 5).asstring(), "5");
  EXPECT_EQ(fixedint(8, "5"), fixedint(8, 5));
}

TEST(FixedfloatTextConstructor, LogsTheCountConstructorAndHoldsTheNumber) {
  veldran_test::LogCapture capture;
  {
    const fixedfloat price(8, "19.99");
    EXPECT_EQ(capture.messages(), fixedfloatlines("8"));
    EXPECT_EQ(price.value.asstring(), "199900");
  }
  lines expected = fixedfloatlines("8");
  expected.push_back("Deleting fixedfloat object!");
  expected.push_back("Deleted fixedint object.");
  EXPECT_EQ(capture.messages(), expected);
}

TEST(FixedfloatTextConstructor, RefusedTextThrowsAndOnlyItsMemberIsDeleted) {
  struct refusal {
    const char* text;
    const char* message;
  };
  const refusal refusals[] = {
      {"1.555", "Fraction of text too big to fit in fixedfloat!"},
      {"123", "Input int bigger than size!"},
      {"1,5", "Not a decimal number! \"1,5\""},
  };
  for (const refusal& r : refusals) {
    veldran_test::LogCapture capture;
    EXPECT_EQ(veldran_test::whatof<std::logic_error>([&r] { fixedfloat(4, r.text); }), r.message);
    lines expected = fixedfloatlines("4");
    expected.push_back("Deleted fixedint object.");
    EXPECT_EQ(capture.messages(), expected) << r.text;
  }
}

TEST(FixedfloatTextConstructor, OddLengthThrowsBeforeTheTextIsRead) {
  EXPECT_THROW(fixedfloat(3, "not a number"), std::runtime_error);
}

// fixedfloat(8, 0) is the integer zero, never a null text.
static_assert(std::is_constructible_v<fixedfloat, unsigned long long, int>);
static_assert(std::is_constructible_v<fixedfloat, unsigned long long, const char*>);
static_assert(!std::is_convertible_v<const char*, fixedint>);
// A null pointer is no text, wherever text goes in; 0 is still a number.
static_assert(!std::is_constructible_v<fixedint, unsigned long long, std::nullptr_t>);
static_assert(!std::is_constructible_v<fixedfloat, unsigned long long, std::nullptr_t>);
static_assert(!std::is_assignable_v<fixedint&, std::nullptr_t>);
static_assert(!std::is_assignable_v<fixedfloat&, std::nullptr_t>);
static_assert(std::is_assignable_v<fixedint&, int> && std::is_assignable_v<fixedfloat&, int>);

}  // namespace
