// Equality, ordering and the copies each comparison destroys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decimal/fixedfloat"
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

// --- The place where two records first differ, from the top ------------------------

namespace {

// A record of `size` places with mixed digits up to `top` and zeros above.
fixedint pattern(unsigned long long size, unsigned long long top) {
  fixedint x(size);
  for (unsigned long long i = 0; i <= top && i < size; ++i) {
    x.digits[i] = static_cast<std::int8_t>((i * 7 + 3) % 10);
  }
  return x;
}

// Sizes on either side of whole words of eight places, and places with
// the top word only partly used.
const unsigned long long kSizes[] = {1, 7, 8, 9, 15, 16, 17, 24, 31, 33, 64, 65};

}  // namespace

// b holds the larger digit at `place` and agrees with a everywhere else,
// with every place significant or only those up to `place`; then both are
// made negative, which reverses the order.
TEST(FixedintComparison, TheHighestDifferingPlaceDecidesWhereverItLies) {
  for (const unsigned long long size : kSizes) {
    for (unsigned long long place = 0; place < size; ++place) {
      for (const unsigned long long top : {size - 1, place}) {
        for (const std::int8_t low : {0, 4}) {
          SCOPED_TRACE("size " + std::to_string(size) + " place " + std::to_string(place) +
                       " top " + std::to_string(top) + " low " + std::to_string(low));
          fixedint a = pattern(size, top);
          fixedint b = a;
          a.digits[place] = low;
          b.digits[place] = 6;
          EXPECT_TRUE(a < b);
          EXPECT_FALSE(b < a);
          EXPECT_TRUE(b > a);
          EXPECT_FALSE(a > b);
          EXPECT_TRUE(a <= b && !(a >= b) && a != b);
          a.negative = b.negative = true;
          EXPECT_TRUE(b < a);
          EXPECT_TRUE(a > b);
          EXPECT_TRUE(b <= a && !(b >= a));
          b.digits[place] = low;
          EXPECT_TRUE(a == b && !(a < b) && !(a > b) && a <= b && a >= b);
        }
      }
    }
  }
}

// Records of different sizes order by their significant digits alone,
// however the shorter one's top word is filled.
TEST(FixedintComparison, DifferentSizesOrderBySignificantDigitsAtEveryLength) {
  for (const unsigned long long small : kSizes) {
    for (const unsigned long long large : {small + 1, small + 8, small + 9}) {
      for (unsigned long long top = 0; top < small; ++top) {
        SCOPED_TRACE(std::to_string(small) + " and " + std::to_string(large) + " places, top " +
                     std::to_string(top));
        const fixedint a = pattern(small, top);
        fixedint b = pattern(large, top);
        EXPECT_FALSE(a > b || b > a);  // one value in both
        b.digits[top + 1] = 1;         // one more significant digit
        EXPECT_TRUE(b > a);
        EXPECT_TRUE(a < b);
        EXPECT_FALSE(a > b);
      }
    }
  }
}

// A digit set below zero by hand is compared as a signed value where the
// significant digits are as many, but makes its record the longer one
// where it stands above all of the other's: at every place and size.
TEST(FixedintComparison, ANegativeHandSetDigitCountsAsSignificantAtEveryPlace) {
  for (const unsigned long long size : kSizes) {
    for (unsigned long long place = 0; place < size; ++place) {
      SCOPED_TRACE("size " + std::to_string(size) + " place " + std::to_string(place));
      fixedint a = pattern(size, place);
      fixedint b = a;
      a.digits[place] = -3;
      b.digits[place] = 0;
      EXPECT_TRUE(a > b);  // pattern() leaves the places above empty
      EXPECT_TRUE(b < a);
      if (place + 1 < size) {
        a.digits[place + 1] = b.digits[place + 1] = 2;  // now both reach higher
        EXPECT_TRUE(a < b);
        EXPECT_FALSE(a > b);
      }
    }
  }
}

// fixedfloat compares its values the same way, at lengths on either side
// of whole words.
TEST(FixedfloatComparison, TheHighestDifferingPlaceDecidesWhereverItLies) {
  for (const unsigned long long length : {8ULL, 14ULL, 16ULL, 18ULL, 34ULL}) {
    for (unsigned long long place = 0; place < length; ++place) {
      SCOPED_TRACE("length " + std::to_string(length) + " place " + std::to_string(place));
      VELDRAN::fixedfloat a(length);
      a.value = pattern(length, length - 1);
      VELDRAN::fixedfloat b = a;
      a.value.digits[place] = 2;
      b.value.digits[place] = 8;
      EXPECT_TRUE(a < b && b > a && a <= b && b >= a && a != b);
      EXPECT_FALSE(b < a || a > b || a >= b || a == b);
    }
  }
}
