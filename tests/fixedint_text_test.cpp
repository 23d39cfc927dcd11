// fixedint text assignment, the stream operators and std::hash.
#include <gtest/gtest.h>

#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "decimal/fixedint"
#include "support/exceptions.h"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedint;
using veldran_test::whatof;

// A record of `places` places set from `text`.
fixedint fromtext(unsigned long long places, const std::string& text) {
  fixedint x(places);
  x = text;
  return x;
}

}  // namespace

TEST(FixedintTextAssignment, TakesSignedAsciiDigitsAndDropsLeadingZeros) {
  const struct {
    std::string text, stored;
  } cases[] = {{"0", "0"},
               {"-0", "-0"},
               {"+7", "7"},
               {"0042", "42"},
               {"-0042", "-42"},
               {"9999", "9999"},
               {"0000000001234", "1234"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    fixedint x(4, -9876);  // every old digit and the sign must go
    x = c.text;
    EXPECT_EQ(x.asstring(), c.stored);
    EXPECT_EQ(x.size, 4U);
  }
}

TEST(FixedintTextAssignment, RefusesAnythingElseAndKeepsTheRecord) {
  // clang-format off
  const std::string refused[] = {
      "", "+", "-", "--1", "+-1",                // no digits, or a sign too many
      "1 2", "1,000", "1_000",                   // blanks inside and separators
      "0x1a",                                    // other bases
      "1:", ":", "/1",                           // the characters next to the digits
      std::string{'1', '\0', '2'},               // embedded NUL
      "\xd9\xa1", "\xef\xbc\x91",                // ARABIC-INDIC and FULLWIDTH DIGIT ONE
  };
  // clang-format on
  for (const std::string& text : refused) {
    SCOPED_TRACE(::testing::PrintToString(text));
    fixedint x(4, -123);
    // what() ends at an embedded NUL, as the quoted text then does.
    const std::string message = "Not a decimal number! \"" + text + "\"";
    EXPECT_EQ(whatof<std::invalid_argument>([&] { x = text; }), message.c_str());
    EXPECT_EQ(x.asstring(), "-123");
  }
}

TEST(FixedintTextAssignment, RefusesMoreSignificantDigitsThanPlacesAndKeepsTheRecord) {
  const struct {
    unsigned long long places;
    std::string text;
  } cases[] = {{4, "12345"}, {4, "-00010000"}, {1, "10"}, {0, "0"}, {0, "-0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " into " + std::to_string(c.places));
    fixedint x(c.places);
    x.negative = true;
    EXPECT_EQ(whatof<std::out_of_range>([&] { x = c.text; }), "Input int bigger than size!");
    EXPECT_TRUE(x.negative);
    EXPECT_EQ(x.digits, std::vector<std::int8_t>(c.places, 0));
  }
}

TEST(FixedintTextAssignment, TakesTheSignOnlyWhileHassignIsSetAndKeepsBothSwitches) {
  const struct {
    bool hassign;
    long long before;
    std::string text, stored;
  } cases[] = {{true, 5, "-7", "-7"},  {true, -5, "7", "7"},   {false, 5, "-7", "7"},
               {false, -5, "7", "-7"}, {false, -5, "0", "-0"}, {false, 5, "-0", "0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.before) + " <- " + c.text);
    fixedint x(4, c.before);
    x.hassign = c.hassign;
    x.overflowthrows = true;
    x = c.text;
    EXPECT_EQ(x.asstring(), c.stored);
    EXPECT_EQ(x.hassign, c.hassign);
    EXPECT_TRUE(x.overflowthrows);
  }
}

TEST(FixedintText, AssignmentAndStreamsWriteNoLogLine) {
  fixedint x(6);
  const veldran_test::LogCapture log;
  x = "-4711";
  static_cast<void>(whatof<std::invalid_argument>([&] { x = "4.7"; }));
  static_cast<void>(whatof<std::out_of_range>([&] { x = "4711000"; }));
  std::stringstream stream;
  stream << x << " 12 x";
  stream >> x >> x >> x;
  EXPECT_TRUE(stream.fail());
  EXPECT_EQ(x.asstring(), "12");
  EXPECT_TRUE(log.messages().empty());
}

TEST(FixedintText, RandomRecordsSurviveTheAsstringRoundTrip) {
  std::mt19937_64 random(20240611);
  for (int round = 0; round < 2000; ++round) {
    fixedint x(1 + random() % 40);
    for (auto& digit : x.digits) digit = static_cast<std::int8_t>(random() % 10);
    x.negative = random() % 2 == 1;
    SCOPED_TRACE(x.asstring());

    fixedint fromstring(x.size);
    fromstring = x.asstring();
    EXPECT_EQ(fromstring.digits, x.digits);
    EXPECT_EQ(fromstring.negative, x.negative);
  }
}

TEST(FixedintStreams, OutputHonoursWidthAndFill) {
  std::ostringstream out;
  out << std::setw(6) << std::setfill('*') << fixedint(4, -42) << '|' << fixedint(4, 7);
  EXPECT_EQ(out.str(), "***-42|7");
}

TEST(FixedintStreams, RefusedTokenSetsFailbitAndLeavesTheRecord) {
  for (const std::string token : {"12a", "12345", "1.5", "-"}) {
    SCOPED_TRACE(token);
    std::istringstream in(token + " 9");
    fixedint x(4, -3);
    EXPECT_NO_THROW(in >> x);
    EXPECT_TRUE(in.fail());
    EXPECT_FALSE(in.bad());
    EXPECT_EQ(x.asstring(), "-3");
  }
}

TEST(FixedintHash, AgreesWithEqualityAndSeesEveryPlaceAndTheSign) {
  const std::hash<fixedint> hash;
  static_assert(noexcept(hash(std::declval<const fixedint&>())), "hashing must not throw");

  fixedint a = fromtext(20, "12345678901234567890");
  fixedint b(a);
  b.hassign = false;  // the switches take no part in ==
  b.overflowthrows = true;
  ASSERT_TRUE(a == b);
  EXPECT_EQ(hash(a), hash(b));

  for (std::size_t place = 0; place < a.digits.size(); ++place) {
    fixedint changed(a);
    changed.digits[place] = static_cast<std::int8_t>((changed.digits[place] + 1) % 10);
    EXPECT_NE(hash(changed), hash(a)) << "place " << place;
  }
  EXPECT_NE(hash(fromtext(4, "0")), hash(fromtext(4, "-0")));
}
