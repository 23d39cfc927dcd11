// Decimal text out: fixedint::asstring and fixedfloat::asstring against a
// plain reading of what they must write, for digits at rest and digits set
// by hand, at every length the writer treats differently.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using Digits = std::vector<std::int8_t>;
using Lines = std::vector<std::string>;

// Every element as a signed decimal number, the top place first, leading
// zero characters dropped down to one, then the sign flag's "-".
std::string referencetext(const Digits& digits, bool negative) {
  std::string text;
  for (const std::int8_t digit : digits) {
    text = std::to_string(digit) + text;
  }
  while (text.size() > 1 && text.front() == '0') {
    text.erase(0, 1);
  }
  return (negative ? "-" : "") + text;
}

// The number's own sign, its integer part's text without its sign, ".",
// then the fraction part's places from the tenths down to its lowest
// non-zero element, or "0" when the fraction part is zero.
std::string referencetext(const fixedfloat& f) {
  const fixedint integerpart = f.getintpart();
  std::string integer = integerpart.asstring();
  if (integerpart.negative) {
    integer.erase(0, 1);
  }
  const Digits fraction = f.getfractionpart().digits;
  std::size_t lowest = 0;
  while (lowest < fraction.size() && fraction[lowest] == 0) {
    ++lowest;
  }
  std::string fractiontext = lowest == fraction.size() ? "0" : "";
  for (std::size_t place = lowest; place < f.length / 2; ++place) {
    fractiontext = (place < fraction.size() ? std::to_string(fraction[place]) : "0") + fractiontext;
  }
  return (f.negative ? "-" : "") + integer + "." + fractiontext;
}

fixedint record(bool negative, const Digits& digits) {
  fixedint x(digits.size());
  x.digits = digits;
  x.negative = negative;
  return x;
}

// Digits 0 to 9 at random, and with `handset` odds in a thousand a value
// outside that range.
Digits randomdigits(std::mt19937_64& random, std::size_t places, unsigned handset) {
  const std::int8_t outside[] = {10, 11, 12, 99, 127, -1, -3, -10, -128};
  Digits digits(places);
  for (auto& digit : digits) {
    digit = random() % 1000 < handset ? outside[random() % std::size(outside)]
                                      : static_cast<std::int8_t>(random() % 10);
  }
  // Often some zeros on top, which the text must not show.
  const std::size_t topzeros = random() % 3 == 0 ? random() % (places + 1) : 0;
  for (std::size_t i = places - topzeros; i < places; ++i) {
    digits[i] = 0;
  }
  return digits;
}

// Lengths on both sides of every step the writer takes: 8 and 16 digits a
// word step, 256 a buffer.
const std::size_t kLengths[] = {0,  1,   2,   7,   8,   9,   15,  16,  17,  24,
                                31, 255, 256, 257, 300, 511, 512, 513, 1000};

}  // namespace

TEST(FixedintTextOut, EdgeRecordsReadAsTheirDigitsAndSign) {
  struct Case {
    bool negative;
    Digits digits;
    std::string text;
  };
  const Case cases[] = {
      {false, {}, ""},
      {true, {}, "-"},  // no places: the sign alone
      {false, {0}, "0"},
      {true, {0}, "-0"},
      {false, {9}, "9"},
      {true, {0, 0, 0, 0, 0, 0, 0, 0, 0}, "-0"},
      {false, {0, 10, 0}, "100"},  // 10 is two characters, not one
      {false, {10}, "10"},
      {false, {12, -3, -128}, "-128-312"},
      {true, {0, 0, 127, 0}, "-12700"},
      {false, {1, 2, 3, 4, 5, 6, 7, 8}, "87654321"},
      {false, {1, 2, 3, 4, 5, 6, 7, 10}, "107654321"},
      {false, {10, 2, 3, 4, 5, 6, 7, 8, 9}, "9876543210"},
      {false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, -6}, "-6543210987654321"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(record(c.negative, c.digits).asstring(), c.text);
  }
}

TEST(FixedintTextOut, RandomRecordsMatchTheElementByElementText) {
  std::mt19937_64 random(20261209);
  for (const std::size_t places : kLengths) {
    for (const unsigned handset : {0U, 2U, 100U}) {
      for (int round = 0; round < 20; ++round) {
        const Digits digits = randomdigits(random, places, handset);
        const bool negative = random() % 2 == 1;
        SCOPED_TRACE(testing::Message() << places << " places: " << referencetext(digits, false));
        EXPECT_EQ(record(negative, digits).asstring(), referencetext(digits, negative));
      }
    }
  }
}

// Past the first buffer, a digit set by hand sends the whole text back to
// the digit-by-digit path, and what was already written must go.
TEST(FixedintTextOut, HandSetDigitBelowTheFirstBufferStillReadsInOrder) {
  for (const std::size_t at : {0, 1, 100, 255, 256, 257, 599}) {
    Digits digits(600, 3);
    digits[at] = 12;
    SCOPED_TRACE(at);
    EXPECT_EQ(record(true, digits).asstring(), referencetext(digits, true));
  }
}

TEST(FixedfloatTextOut, RandomNumbersMatchTheirPartsText) {
  std::mt19937_64 random(20261210);
  for (const std::size_t length : kLengths) {
    if (length % 2 != 0) {
      continue;
    }
    for (const unsigned handset : {0U, 2U, 100U}) {
      for (int round = 0; round < 20; ++round) {
        fixedfloat f(length);
        f.value.digits = randomdigits(random, length, handset);
        f.value.negative = random() % 2 == 1;
        f.negative = random() % 2 == 1;  // the flag, not value's sign, is written
        SCOPED_TRACE(testing::Message() << length << " places: " << referencetext(f));
        EXPECT_EQ(f.asstring(), referencetext(f));
      }
    }
  }
}

TEST(FixedfloatTextOut, EdgeNumbersReadAsTheirPartsAndOwnSign) {
  struct Case {
    unsigned long long length;
    Digits digits;
    bool negative;
    std::string text;
  };
  const Case cases[] = {
      {0, {}, false, ".0"},
      {0, {}, true, "-.0"},
      {2, {0, 0}, true, "-0.0"},
      {2, {5, 0}, false, "0.5"},
      {2, {10, 10}, false, "10.10"},
      {4, {0, 10, 0, 0}, false, "0.10"},
      {4, {10, 0, 0, 0}, false, "0.010"},  // the lowest place is not zero
      {8, {0, 0, 0, 0, 0, 0, 0, 0}, false, "0.0"},
      {8, {3, 2, 0, 0, 9, 7, 0, 0}, false, "79.0023"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    fixedfloat f(c.length);
    f.value.digits = c.digits;
    f.negative = c.negative;
    EXPECT_EQ(f.asstring(), c.text);
  }
}

// A record whose value does not hold `length` places takes the parts as
// they are made, shifts and all.
TEST(FixedfloatTextOut, ValueOfAnotherSizeReadsAsItsParts) {
  fixedfloat f(4);
  f.value = fixedint(8, 12345678);
  EXPECT_EQ(f.asstring(), referencetext(f));
  f.value = fixedint(2, 12);
  EXPECT_EQ(f.asstring(), referencetext(f));
}

TEST(FixedfloatTextOut, EachPartIsDeletedBeforeTheNextIsMade) {
  fixedfloat f(8);
  f = "79.023";
  const veldran_test::LogCapture log;
  EXPECT_EQ(f.asstring(), "79.023");
  const Lines part = {"New fixedint object!", "Resizing Digits to: 8", "Done.",
                      "Deleted fixedint object."};
  Lines expected = part;
  expected.insert(expected.end(), part.begin(), part.end());
  EXPECT_EQ(log.messages(), expected);
}
