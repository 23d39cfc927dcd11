// Addition (with its signed difference path) and multiplication of fixedint.
#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedint"
#include "support/exceptions.h"
#include "support/log_capture.h"

using VELDRAN::fixedint;
using Lines = std::vector<std::string>;
using veldran_test::expectthrow;

namespace {

// A record of `places` places from decimal text; "-0" is a negative zero.
fixedint num(unsigned long long places, const std::string& text, bool hassign = true) {
  fixedint x(places);
  const bool minus = !text.empty() && text[0] == '-';
  const std::string magnitude = text.substr(minus ? 1 : 0);
  for (std::size_t i = 0; i < magnitude.size(); ++i) {
    x.digits.at(i) = static_cast<std::int8_t>(magnitude[magnitude.size() - 1 - i] - '0');
  }
  x.negative = minus;
  x.hassign = hassign;
  return x;
}

Lines created(unsigned long long places) {
  return {"New fixedint object!", "Resizing Digits to: " + std::to_string(places), "Done."};
}

Lines deleted(std::size_t count) { return Lines(count, "Deleted fixedint object."); }

Lines join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

void expectresultflags(const fixedint& result, unsigned long long places) {
  EXPECT_EQ(result.size, places);
  EXPECT_EQ(result.digits.size(), places);
  EXPECT_TRUE(result.hassign);
  EXPECT_FALSE(result.overflowthrows);
}

constexpr char kUnderflow[] = "underflow";

}  // namespace

// --- Addition ------------------------------------------------------------------

TEST(FixedintAddition, SameSignPathLogsOnlyTheWorkingSum) {
  fixedint a = num(3, "123");
  const fixedint b = num(3, "456");
  veldran_test::LogCapture capture;
  const fixedint sum = a + b;
  EXPECT_EQ(sum.asstring(), "579");
  // The second deletion is the argument copy's.
  EXPECT_EQ(capture.messages(), join({created(3), deleted(2)}));
}

TEST(FixedintAddition, SignedPathLogsWorkingSumResultAndComparisonCopies) {
  struct Case {
    const char *a, *b, *sum;
    std::size_t comparisondeletions;  // 2 when the left operand is the larger
  };
  const Case cases[] = {
      {"5", "-3", "2", 2},
      {"-3", "5", "2", 4},
      {"3", "-5", kUnderflow, 2},
      {"-5", "3", kUnderflow, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " + " + c.b);
    fixedint a = num(3, c.a);
    const fixedint b = num(3, c.b);
    veldran_test::LogCapture capture;
    if (c.sum == kUnderflow) {
      expectthrow<std::underflow_error>([&] { return a + b; }, "Underflow occured.");
      // Unwinding destroys the result, both copies and the working sum.
      EXPECT_EQ(capture.messages(), join({created(3), created(3), deleted(c.comparisondeletions),
                                          deleted(4), deleted(1)}));
    } else {
      const fixedint sum = a + b;
      EXPECT_EQ(sum.asstring(), c.sum);
      EXPECT_EQ(capture.messages(), join({created(3), created(3), deleted(c.comparisondeletions),
                                          deleted(3), deleted(1)}));
    }
  }
}

TEST(FixedintAddition, SignsChooseBetweenSumAndDifference) {
  struct Case {
    unsigned long long places;
    const char *a, *b;
    bool lefthassign, righthassign;
    const char* sum;
  };
  const Case cases[] = {
      {3, "123", "456", true, true, "579"},
      {3, "-123", "-456", true, true, "-579"},
      {3, "500", "499", true, true, "999"},
      {3, "5", "-3", true, true, "2"},
      {3, "-3", "5", true, true, "2"},
      {3, "3", "-5", true, true, kUnderflow},
      {3, "-5", "3", true, true, kUnderflow},
      {3, "7", "-7", true, true, "0"},
      {3, "-7", "7", true, true, "0"},
      {1, "9", "-9", true, true, "0"},
      {4, "1000", "-1", true, true, "999"},
      {4, "-1", "1000", true, true, "999"},
      // A negative zero counts as negative.
      {3, "-0", "5", true, true, "5"},
      {3, "0", "-0", true, true, "0"},
      {3, "-0", "0", true, true, "0"},
      {3, "-0", "-5", true, true, "-5"},
      // Only the left operand's hassign is looked at.
      {3, "3", "-5", false, true, "8"},
      {3, "-3", "5", false, true, "-8"},
      {3, "3", "-5", true, false, kUnderflow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " + " + c.b + " in " + std::to_string(c.places));
    fixedint a = num(c.places, c.a, c.lefthassign);
    const fixedint b = num(c.places, c.b, c.righthassign);
    a.overflowthrows = true;  // no case carries out; the result must not inherit it
    if (c.sum == kUnderflow) {
      expectthrow<std::underflow_error>([&] { return a + b; }, "Underflow occured.");
    } else {
      const fixedint sum = a + b;
      EXPECT_EQ(sum.asstring(), c.sum);
      expectresultflags(sum, c.places);
    }
    EXPECT_EQ(a.asstring(), c.a);
  }
}

TEST(FixedintAddition, CarryOutWrapsAndStoresCarryInLeftOperand) {
  struct Case {
    const char *a, *b;
    bool lefthassign, rightoverflowthrows;
    const char *sum, *leftafter;
  };
  const Case cases[] = {
      {"123", "989", true, false, "112", "1"},
      {"123", "989", true, true, "112", "1"},  // the right operand's switch is ignored
      {"999", "1", true, false, "0", "1"},
      {"-999", "-1", true, false, "-0", "1"},
      {"-999", "-1", false, false, "-0", "-1"},  // without hassign the sign stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " + " + c.b);
    fixedint a = num(3, c.a, c.lefthassign);
    fixedint b = num(3, c.b);
    b.overflowthrows = c.rightoverflowthrows;
    const fixedint sum = a + b;
    EXPECT_EQ(sum.asstring(), c.sum);
    expectresultflags(sum, 3);
    EXPECT_EQ(a.asstring(), c.leftafter);
    EXPECT_EQ(a.size, 3U);
    EXPECT_EQ(b.asstring(), c.b);
  }
}

TEST(FixedintAddition, OverflowThrowsWhenLeftOperandAsksAndLeavesItUnchanged) {
  fixedint a = num(3, "123");
  a.overflowthrows = true;
  const fixedint b = num(3, "989");
  veldran_test::LogCapture capture;
  expectthrow<std::overflow_error>([&] { return a + b; }, "Overflow occured.");
  EXPECT_EQ(a.asstring(), "123");
  EXPECT_EQ(capture.messages(), join({created(3), deleted(2)}));
}

TEST(FixedintAddition, CarryAboveNineThrowsAndLeavesLeftOperandZero) {
  fixedint a = num(1, "-0");
  a.digits[0] = 105;  // only hand-set digits can carry more than one ten
  const fixedint b = num(1, "-0");
  expectthrow<std::out_of_range>([&] { return a + b; }, "Carry over 9!");
  EXPECT_EQ(a.digits, std::vector<std::int8_t>{0});
  EXPECT_FALSE(a.negative);
}

TEST(FixedintAddition, CarryOfExactlyNineIsStoredNotRefused) {
  fixedint a = num(1, "0");
  a.digits[0] = 45;  // 45 + 45 = 90: nine tens leave the top place
  fixedint b = num(1, "0");
  b.digits[0] = 45;
  const fixedint sum = a + b;
  EXPECT_EQ(sum.digits, std::vector<std::int8_t>{0});
  EXPECT_EQ(a.digits, std::vector<std::int8_t>{9});
}

// Digits set by hand outside 0 to 9 carry or borrow as many tens as the
// place holds, and a sum past 127 wraps in the 8-bit digit.
TEST(FixedintAddition, HandSetDigitsCarryAndBorrowWholeTens) {
  using Digits = std::vector<std::int8_t>;
  struct Case {
    Digits a;
    bool anegative;
    Digits b;
    bool bnegative;
    Digits sum;  // empty: std::underflow_error
  };
  const Case cases[] = {
      {{25, 0, 0}, false, {0, 0, 0}, false, {5, 2, 0}},
      {{9, 9, 0}, false, {12, 0, 0}, false, {1, 1, 1}},
      {{100, 0, 0}, false, {100, 0, 0}, false, {-56, 0, 0}},
      {{-7, 0, 0}, true, {3, 0, 0}, true, {-4, 0, 0}},
      {{3, 5, 0}, false, {40, 0, 0}, true, {3, 1, 0}},
      {{0, 0, 1}, false, {-25, 0, 0}, true, {25, 0, 1}},
      {{0, 5, 9}, false, {127, 0, 0}, true, {3, 2, 8}},
      {{120, 0, 0}, true, {0, 0, 0}, false, {}},
  };
  for (const Case& c : cases) {
    fixedint a(3);
    a.digits = c.a;
    a.negative = c.anegative;
    fixedint b(3);
    b.digits = c.b;
    b.negative = c.bnegative;
    if (c.sum.empty()) {
      EXPECT_THROW(a + b, std::underflow_error);
    } else {
      EXPECT_EQ((a + b).digits, c.sum) << int{c.a[0]} << " + " << int{c.b[0]};
    }
  }
}

// Long records, whose places are added eight at a time while their digits
// are at rest: carries run across those groups, and a hand-set digit in any
// group switches to the place-by-place rule from there on.
TEST(FixedintAddition, LongSumsCarryAcrossEveryGroupOfPlaces) {
  using Digits = std::vector<std::int8_t>;
  // The place-by-place rule: as many tens as the place holds go up.
  const auto placebyplace = [](const Digits& a, const Digits& b) {
    Digits sum(a.size());
    std::int8_t carry = 0;
    for (std::size_t p = 0; p < a.size(); ++p) {
      auto place = static_cast<std::int8_t>(a[p] + b[p] + carry);
      carry = static_cast<std::int8_t>(place > 9 ? place / 10 : 0);
      sum[p] = static_cast<std::int8_t>(place - 10 * carry);
    }
    return std::make_pair(sum, carry);
  };
  const Digits nines(20, 9);
  Digits one(20, 0);
  one[0] = 1;
  Digits handset = nines;
  handset[11] = 35;
  Digits acrossgroups = {1, 2, 3, 4, 5, 6, 7, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0, 1, 2, 0};
  Digits seven(20, 0);
  seven[7] = 7;
  struct Case {
    Digits a, b;
  };
  for (const Case& c :
       {Case{nines, one}, Case{handset, one}, Case{acrossgroups, seven}, Case{one, handset}}) {
    SCOPED_TRACE(testing::PrintToString(c.a));
    fixedint a(20);
    a.digits = c.a;
    fixedint b(20);
    b.digits = c.b;
    const auto [expected, carry] = placebyplace(c.a, c.b);
    EXPECT_EQ((a + b).digits, expected);
    EXPECT_EQ(a.digits[0], carry == 0 ? c.a[0] : carry);
  }
}

TEST(FixedintAddition, ZeroPlacesGiveAnEmptyResult) {
  fixedint a(0);
  const fixedint sum = a + fixedint(0);
  EXPECT_TRUE(sum.digits.empty());
  EXPECT_EQ(sum.asstring(), "");
}

TEST(FixedintArithmetic, MismatchedSizesThrowBeforeAnythingIsMade) {
  fixedint a = num(3, "1");
  const fixedint b = num(4, "1");
  veldran_test::LogCapture capture;
  expectthrow<std::length_error>([&] { return a + b; }, "Int sizes are not equal!");
  expectthrow<std::length_error>([&] { return a * b; }, "Int sizes are not equal!");
  // Only the argument copies are destroyed.
  EXPECT_EQ(capture.messages(), deleted(2));
  EXPECT_EQ(a.asstring(), "1");
}

// --- Multiplication ------------------------------------------------------------

TEST(FixedintMultiplication, ProductsSignsAndOutOfRangePlaces) {
  struct Case {
    unsigned long long places;
    const char *a, *b;
    bool lefthassign, righthassign;
    const char* product;  // nullptr: throws for place `index`
    unsigned long long index;
  };
  const Case cases[] = {
      {4, "12", "34", true, true, "408", 0},
      {4, "99", "99", true, true, "9801", 0},
      {3, "99", "99", true, true, nullptr, 3},   // the last row's carry
      {3, "100", "10", true, true, nullptr, 3},  // a column past the top
      {2, "5", "50", true, true, nullptr, 2},
      {2, "31", "3", true, true, "93", 0},
      {2, "34", "3", true, true, nullptr, 2},
      {3, "999", "1", true, true, "999", 0},
      {3, "1", "999", true, true, "999", 0},
      {4, "120", "10", true, true, "1200", 0},
      {4, "1200", "10", true, true, nullptr, 4},
      {1, "0", "0", true, true, "0", 0},
      {4, "-12", "34", true, true, "-408", 0},
      {4, "12", "-34", true, true, "-408", 0},
      {4, "-12", "-34", true, true, "408", 0},
      {3, "0", "-5", true, true, "-0", 0},
      {3, "-0", "-5", true, true, "0", 0},
      // Only the left operand's hassign is looked at.
      {4, "-12", "34", false, true, "408", 0},
      {4, "12", "-34", true, false, "-408", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " x " + c.b + " in " + std::to_string(c.places));
    fixedint a = num(c.places, c.a, c.lefthassign);
    const fixedint b = num(c.places, c.b, c.righthassign);
    a.overflowthrows = true;
    veldran_test::LogCapture capture;
    if (c.product == nullptr) {
      expectthrow<std::out_of_range>(
          [&] { return a * b; },
          "Out of range while running multiplication! Index: " + std::to_string(c.index));
      EXPECT_EQ(capture.messages(), join({created(c.places), deleted(2)}));
    } else {
      const fixedint product = a * b;
      EXPECT_EQ(product.asstring(), c.product);
      expectresultflags(product, c.places);
      // Nothing but the result's creation and the argument copy's deletion.
      EXPECT_EQ(capture.messages(), join({created(c.places), deleted(1)}));
    }
    EXPECT_EQ(a.asstring(), c.a);
  }
}

TEST(FixedintMultiplication, ZeroPlacesThrowFromClearingTheResult) {
  const fixedint a(0);
  const fixedint b(0);
  veldran_test::LogCapture capture;
  expectthrow<std::out_of_range>([&] { return a * b; }, "Input int bigger than size!");
  EXPECT_EQ(capture.messages(), join({created(0), deleted(2)}));
}
