// Equality, ordering and the copies each comparison destroys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decimal/fixedint"
#include "support/log_capture.h"

using VELDRAN::fixedint;

namespace {

// A value of `places` places (zero needs none); `minuszero` makes a zero
// magnitude negative.
fixedint number(unsigned long long places, long long value, bool minuszero = false) {
  fixedint x(places);
  if (value != 0) x = value;
  x.negative = x.negative || minuszero;
  return x;
}

struct Operand {
  unsigned long long places;
  long long value;
  bool minuszero;
};

std::string show(const Operand& o) {
  return (o.minuszero ? "-0" : std::to_string(o.value)) + "/" + std::to_string(o.places);
}

}  // namespace

TEST(FixedintComparison, EqualityNeedsSameDigitVectorsAndSigns) {
  struct Case {
    Operand a, b;
    bool equal;
  };
  const Case cases[] = {
      {{4, 42, false}, {4, 42, false}, true},
      {{3, 42, false}, {4, 42, false}, false},  // leading zeros count
      {{4, 0, false}, {4, 0, true}, false},     // zero is not negative zero
      {{4, 0, true}, {4, 0, true}, true},
      {{4, -7, false}, {4, 7, false}, false},
      {{0, 0, false}, {0, 0, false}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(show(c.a) + " vs " + show(c.b));
    const fixedint a = number(c.a.places, c.a.value, c.a.minuszero);
    fixedint b = number(c.b.places, c.b.value, c.b.minuszero);
    // The switches take no part in equality.
    b.hassign = false;
    b.overflowthrows = true;
    EXPECT_EQ(a == b, c.equal);
    EXPECT_EQ(a != b, !c.equal);
  }
}

TEST(FixedintComparison, OrderingGoesBySignThenSignificantDigits) {
  struct Case {
    Operand a, b;
    bool greater, less;
  };
  const Case cases[] = {
      {{4, 42, false}, {4, 7, false}, true, false},
      {{4, 42, false}, {4, 42, false}, false, false},
      {{4, 42, false}, {4, 100, false}, false, true},
      {{4, 999, false}, {4, 1000, false}, false, true},
      {{4, 1000, false}, {4, 999, false}, true, false},
      {{4, -3, false}, {4, 2, false}, false, true},
      {{4, 2, false}, {4, -3, false}, true, false},
      {{4, 0, false}, {4, 0, true}, true, false},
      {{4, 0, true}, {4, 0, false}, false, true},
      // Among negatives the larger magnitude is the smaller number.
      {{4, -5, false}, {4, -3, false}, false, true},
      {{4, -3, false}, {4, -5, false}, true, false},
      {{4, 0, true}, {4, -5, false}, true, false},
      {{4, -5, false}, {4, 0, true}, false, true},
      {{4, -5, false}, {4, -5, false}, false, false},
      // Place counts do not order; equal values of different places are
      // unequal, so each is less than the other.
      {{3, 5, false}, {5, 7, false}, false, true},
      {{5, 12345, false}, {3, 5, false}, true, false},
      {{3, 42, false}, {4, 42, false}, false, true},
      {{4, 42, false}, {3, 42, false}, false, true},
      {{3, -5, false}, {4, -5, false}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(show(c.a) + " vs " + show(c.b));
    const fixedint a = number(c.a.places, c.a.value, c.a.minuszero);
    const fixedint b = number(c.b.places, c.b.value, c.b.minuszero);
    EXPECT_EQ(a > b, c.greater);
    EXPECT_EQ(a < b, c.less);
  }
}

TEST(FixedintComparison, DigitsAreComparedAsSignedValues) {
  fixedint a(2);
  fixedint b(2);
  a.digits = {5, -1};
  b.digits = {5, 1};
  EXPECT_FALSE(a > b);
  EXPECT_TRUE(a < b);
  EXPECT_TRUE(b > a);
}

TEST(FixedintComparison, EachCopyOfTheRightOperandLogsItsDeletion) {
  const fixedint small = number(4, 7);
  const fixedint big = number(4, 42);
  struct Case {
    const char* name;
    bool (*compare)(const fixedint&, const fixedint&);
    const fixedint& a;
    const fixedint& b;
    std::size_t deletions;
  };
  const Case cases[] = {
      {"==", [](const fixedint& a, const fixedint& b) { return a == b; }, small, big, 1},
      {"!=", [](const fixedint& a, const fixedint& b) { return a != b; }, small, big, 2},
      {">", [](const fixedint& a, const fixedint& b) { return a > b; }, small, big, 1},
      {"< when greater", [](const fixedint& a, const fixedint& b) { return a < b; }, big, small, 2},
      {"< when less", [](const fixedint& a, const fixedint& b) { return a < b; }, small, big, 4},
      {"< when equal", [](const fixedint& a, const fixedint& b) { return a < b; }, big, big, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    veldran_test::LogCapture capture;
    c.compare(c.a, c.b);
    EXPECT_EQ(capture.messages(),
              std::vector<std::string>(c.deletions, "Deleted fixedint object."));
  }
}
