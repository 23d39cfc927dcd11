// Multiplication on records of every width, checked against a plain
// base-ten long multiplication: the limb kernel for digits at rest, the
// digit loop for digits set by hand outside 0 to 9.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "decimal/fixedint"
#include "support/log_capture.h"

using VELDRAN::fixedint;
using Digits = std::vector<std::int8_t>;
using Lines = std::vector<std::string>;

namespace {

std::string outofrange(unsigned long long index) {
  return "Out of range while running multiplication! Index: " + std::to_string(index);
}

std::string show(const Digits& digits) {
  std::string text;
  for (const std::int8_t digit : digits) text += std::to_string(digit) + ",";
  return text;
}

std::size_t significant(const Digits& digits) {
  std::size_t length = digits.size();
  while (length > 0 && digits[length - 1] == 0) --length;
  return length;
}

// Row by row, one place sum per digit pair, the carry of each row added
// above its last column. The product's digits, or the exception text.
std::string reference(const Digits& a, const Digits& b) {
  const std::size_t places = a.size();
  const std::size_t la = significant(a);
  const std::size_t lb = significant(b);
  Digits product(places, 0);
  for (std::size_t i = 0; i < la; ++i) {
    std::int32_t carry = 0;
    for (std::size_t j = 0; j < lb; ++j) {
      if (i + j > places - 1) return outofrange(i + j);
      const std::int32_t sum = product[i + j] + std::int32_t{b[j]} * std::int32_t{a[i]} + carry;
      carry = sum / 10;
      product[i + j] = static_cast<std::int8_t>(sum - 10 * carry);
    }
    if (carry != 0) {
      if (lb + i > places - 1) return outofrange(lb + i);
      product[lb + i] = static_cast<std::int8_t>(product[lb + i] + carry);
    }
  }
  return show(product);
}

std::string outcome(const fixedint& a, const fixedint& b) {
  try {
    return show((a * b).digits);
  } catch (const std::out_of_range& error) {
    return error.what();
  }
}

fixedint record(const Digits& digits) {
  fixedint x(digits.size());
  x.digits = digits;
  return x;
}

// `places` places, the lowest `length` random with a non-zero top one.
Digits randomdigits(std::size_t places, std::size_t length, std::mt19937& engine) {
  std::uniform_int_distribution<int> digit(0, 9);
  Digits digits(places, 0);
  for (std::size_t i = 0; i < length; ++i) digits[i] = static_cast<std::int8_t>(digit(engine));
  if (length > 0) digits[length - 1] = static_cast<std::int8_t>(1 + digit(engine) % 9);
  return digits;
}

Digits nines(std::size_t places, std::size_t count) {
  Digits digits(places, 0);
  for (std::size_t i = 0; i < count; ++i) digits[i] = 9;
  return digits;
}

Digits power(std::size_t places, std::size_t exponent, std::int8_t leading) {
  Digits digits(places, 0);
  digits[exponent] = leading;
  return digits;
}

}  // namespace

TEST(FixedintMultiplication, AgreesWithLongMultiplicationOnRandomOperands) {
  std::mt19937 engine(20240611U);
  std::vector<std::size_t> widths;
  for (std::size_t places = 1; places <= 70; ++places) widths.push_back(places);
  // Limb edges, and both sides of where the kernel's words leave the stack.
  for (const std::size_t places : {127, 128, 129, 255, 256, 511, 1023, 1024, 1025, 2100}) {
    widths.push_back(places);
  }
  for (const std::size_t places : widths) {
    for (int round = 0; round < 12; ++round) {
      VELDRAN::logstream.str("");
      std::uniform_int_distribution<std::size_t> length(0, places);
      const std::size_t la = length(engine);
      // Mostly products near the width, where fitting is decided.
      const std::size_t room = places + 1 - la;
      std::uniform_int_distribution<std::size_t> nearroom(room > 2 ? room - 2 : 0, room);
      std::size_t lb = round % 4 == 0 ? length(engine) : nearroom(engine);
      if (lb > places) lb = places;
      const Digits a = randomdigits(places, la, engine);
      const Digits b = randomdigits(places, lb, engine);
      SCOPED_TRACE(std::to_string(places) + " places, " + std::to_string(la) + " x " +
                   std::to_string(lb) + " digits");
      ASSERT_EQ(outcome(record(a), record(b)), reference(a, b));
    }
  }
  // A left operand long enough for the columns to be carried between rows.
  const Digits a = randomdigits(9000, 8990, engine);
  const Digits b = randomdigits(9000, 9, engine);
  EXPECT_EQ(outcome(record(a), record(b)), reference(a, b));
}

TEST(FixedintMultiplication, ProductsThatFitExactlyOrNeedOnePlaceMore) {
  for (const std::size_t places : {2, 7, 8, 9, 16, 17, 64, 100, 512, 1024, 1025}) {
    SCOPED_TRACE(std::to_string(places) + " places");
    const std::size_t k = places / 2;  // digits of the left operand
    const Lines created = {"New fixedint object!", "Resizing Digits to: " + std::to_string(places),
                           "Done."};
    const Lines deleted = {"Deleted fixedint object."};
    {
      // (10^k - 1)(10^(places-k) - 1) has exactly `places` digits.
      const fixedint a = record(nines(places, k));
      const fixedint b = record(nines(places, places - k));
      veldran_test::LogCapture capture;
      const fixedint product = a * b;
      EXPECT_EQ(product.asstring(), std::string(k - 1, '9') + "8" +
                                        std::string(places - 2 * k, '9') + std::string(k - 1, '0') +
                                        "1");
      Lines expected = created;
      expected.push_back(deleted[0]);  // the argument copy
      EXPECT_EQ(capture.messages(), expected);
    }
    // 10^places: 5 * 10^(k-1) times 2 * 10^(places-k) fails at the last
    // row's carry, 10^(places-1) times 10 at a column past the top.
    const std::pair<Digits, Digits> overflows[] = {
        {power(places, k - 1, 5), power(places, places - k, 2)},
        {power(places, places - 1, 1), power(places, 1, 1)},
    };
    for (const auto& [left, right] : overflows) {
      const fixedint a = record(left);
      const fixedint b = record(right);
      veldran_test::LogCapture capture;
      EXPECT_EQ(outcome(a, b), outofrange(places));
      Lines expected = created;
      expected.push_back(deleted[0]);  // the result, as the exception leaves
      expected.push_back(deleted[0]);  // the argument copy
      EXPECT_EQ(capture.messages(), expected);
    }
  }
}

TEST(FixedintMultiplication, DigitsSetByHandKeepTheDigitLoop) {
  // The loop's own results: a negative place survives, a carry is not
  // checked against the digit's range.
  EXPECT_EQ(outcome(record({-5, 0}), record({1, 0})), "-5,0,");
  EXPECT_EQ(outcome(record({0, -1, 0}), record({5, 0, 0})), "0,-5,0,");
  EXPECT_EQ(outcome(record({12, 0}), record({9, 0})), "8,10,");
  // 102 x 99 would not fit; the loop leaves the last row's carry of 10.
  EXPECT_EQ(outcome(record({2, 10, 0, 0}), record({9, 9, 0, 0})), "8,9,0,10,");
  EXPECT_EQ(outcome(record({0, 12}), record({1, 0})), outofrange(2));

  // Hand-set digits anywhere among digits at rest, in either operand.
  std::mt19937 engine(7U);
  // Values just past either end are the ones a range check may miss.
  const int handset[] = {10, 10, 11, 15, 16, 99, 127, -1, -1, -9, -10, -128};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(handset) - 1);
  for (const std::size_t places : {1, 5, 8, 9, 33, 64, 200}) {
    for (int round = 0; round < 20; ++round) {
      std::uniform_int_distribution<std::size_t> length(1, places);
      Digits a = randomdigits(places, length(engine), engine);
      Digits b = randomdigits(places, (places + 1) / 2, engine);
      Digits& target = round % 2 == 0 ? a : b;
      target[length(engine) - 1] = static_cast<std::int8_t>(handset[pick(engine)]);
      SCOPED_TRACE(std::to_string(places) + " places, round " + std::to_string(round));
      ASSERT_EQ(outcome(record(a), record(b)), reference(a, b));
    }
  }
}
