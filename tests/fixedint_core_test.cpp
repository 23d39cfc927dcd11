// fixedint record: construction, integer assignment, resize, copies, digit
// shifts and text.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "decimal/fixedint"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedint;
using veldran_test::LogCapture;
using Digits = std::vector<std::int8_t>;
using Lines = std::vector<std::string>;

const std::string kDeleted = "Deleted fixedint object.";
const std::string kBig = "Input int bigger than size!";

Lines operator+(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

Lines created(unsigned long long places) {
  return {"New fixedint object!", "Resizing Digits to: " + std::to_string(places), "Done."};
}

Lines resized(unsigned long long places) {
  return {"Resize requested in fixedint.", "Resizing Digits to: " + std::to_string(places),
          "Done."};
}

// Decimal text as a digit vector of `places` elements, units first.
Digits unitsfirst(const std::string& text, std::size_t places) {
  Digits digits(places, 0);
  for (std::size_t i = 0; i < text.size(); ++i)
    digits[i] = static_cast<std::int8_t>(text[text.size() - 1 - i] - '0');
  return digits;
}

// A record with its fields set by hand.
fixedint record(bool negative, const Digits& digits) {
  fixedint made(digits.size());
  made.negative = negative;
  made.digits = digits;
  return made;
}

// The message of the std::out_of_range that `action` throws; "" if none.
template <typename Action>
std::string outofrange(Action action) {
  try {
    action();
  } catch (const std::out_of_range& error) {
    return error.what();
  }
  return "";
}

TEST(FixedintConstruction, CountConstructorsStoreDigitsUnitsFirstAndLogThreeLines) {
  LogCapture capture;
  {
    const fixedint zero(6);
    EXPECT_TRUE(!zero.negative && zero.size == 6 && zero.hassign && !zero.overflowthrows);
    EXPECT_EQ(zero.digits, Digits(6, 0));
    const fixedint value(4, -305);
    EXPECT_TRUE(value.negative);
    EXPECT_EQ(value.digits, (Digits{5, 0, 3, 0}));
    EXPECT_TRUE(fixedint(0).digits.empty());
  }
  EXPECT_EQ(capture.messages(), created(6) + created(4) + created(0) + Lines(3, kDeleted));
}

TEST(FixedintConstruction, FailedConstructionKeepsCreationLinesButLogsNoDeletion) {
  for (const auto& [places, value] : {std::pair{3ULL, 1000LL}, {18ULL, LLONG_MIN}, {0ULL, 0LL}}) {
    LogCapture capture;
    EXPECT_EQ(outofrange([&, places = places, value = value] { fixedint made(places, value); }),
              kBig)
        << places << " " << value;
    EXPECT_EQ(capture.messages(), created(places));
  }
  LogCapture capture;
  EXPECT_THROW(fixedint{ULLONG_MAX}, std::length_error);
  EXPECT_EQ(capture.messages(),
            (Lines{"New fixedint object!", "Resizing Digits to: 18446744073709551615"}));
}

TEST(FixedintAssignment, StoresMagnitudeDigitsAndSignOnlyWhileHassignIsSet) {
  using Case = std::tuple<bool, unsigned long long, long long, bool, std::string>;
  // hassign, places, value, resulting negative (the record starts opposite), text.
  for (const auto& [hassign, places, value, negative, text] :
       std::vector<Case>{{true, 3, 999, false, "999"},
                         {true, 3, -999, true, "999"},
                         {true, 1, 0, false, "0"},
                         {true, 5, 7, false, "7"},
                         {true, 19, LLONG_MAX, false, "9223372036854775807"},
                         {true, 19, LLONG_MIN, true, "9223372036854775808"},
                         {false, 3, -7, false, "7"},
                         {false, 3, 0, true, "0"}}) {
    fixedint target(places);
    target.hassign = hassign;
    target.negative = hassign ? !negative : negative;
    target.digits.assign(places, 8);
    target = value;
    EXPECT_EQ(target.negative, negative) << value;
    EXPECT_EQ(target.digits, unitsfirst(text, places)) << value;
  }
}

TEST(FixedintAssignment, TooManyDigitsThrowsAndLeavesRecordUnchanged) {
  for (const auto& [places, value] :
       {std::pair{3ULL, 1000LL}, {3ULL, -1000LL}, {1ULL, -10LL}, {18ULL, LLONG_MIN}, {0ULL, 0LL}}) {
    fixedint target(places);
    target.negative = true;
    for (std::size_t i = 0; i < places; ++i) target.digits[i] = static_cast<std::int8_t>(i % 9 + 1);
    const fixedint before(target);
    EXPECT_EQ(outofrange([&, value = value] { target = value; }), kBig) << places << " " << value;
    EXPECT_TRUE(target.negative && target.size == places && target.digits == before.digits);
  }
}

TEST(FixedintResize, GrowsWithTopZerosShrinksModuloAndKeepsSign) {
  fixedint grown(3, 123);
  fixedint shrunk(5, -12345);
  fixedint emptied(3, -100);
  LogCapture capture;
  grown.resize(5);
  shrunk.resize(2);
  emptied.resize(2);
  EXPECT_EQ(grown.size, 5U);
  EXPECT_EQ(grown.digits, (Digits{3, 2, 1, 0, 0}));
  EXPECT_EQ(shrunk.size, 2U);
  EXPECT_EQ(shrunk.asstring(), "-45");
  EXPECT_EQ(emptied.asstring(), "-0");
  emptied.resize(0);
  EXPECT_TRUE(emptied.digits.empty());
  EXPECT_EQ(capture.messages(), resized(5) + resized(2) + resized(2) + resized(0));
}

TEST(FixedintResize, FailedStorageRequestKeepsSizeMatchingDigits) {
  fixedint target(3, 123);
  LogCapture capture;
  EXPECT_THROW(target.resize(ULLONG_MAX), std::length_error);
  EXPECT_TRUE(target.size == 3 && target.digits == (Digits{3, 2, 1}));
  EXPECT_EQ(capture.messages(),
            (Lines{"Resize requested in fixedint.", "Resizing Digits to: 18446744073709551615"}));
}

TEST(FixedintCopy, GetcopyIsLoggedAsNewCopiesAreSilentEveryDestructionIsLogged) {
  fixedint source(3, -42);
  source.hassign = false;
  source.overflowthrows = true;
  fixedint assigned(1);
  LogCapture capture;
  {
    fixedint logged = source.getcopy();
    EXPECT_EQ(capture.messages(), created(3));
    fixedint silent(source);
    assigned = source;
    EXPECT_EQ(capture.messages(), created(3));
    for (const fixedint* copy : {&logged, &silent, &assigned}) {
      EXPECT_TRUE(copy->negative && copy->size == 3 && !copy->hassign && copy->overflowthrows);
      EXPECT_EQ(copy->digits, (Digits{2, 4, 0}));
    }
    silent.digits[0] = 9;
    EXPECT_EQ(source.digits, (Digits{2, 4, 0}));
  }
  EXPECT_EQ(capture.messages(), created(3) + Lines(2, kDeleted));
}

TEST(FixedintShift, MovesDigitsWithinPlacesKeepsSignAndLogsNothing) {
  using Case = std::tuple<bool, Digits, bool, std::string>;
  // negative, digits, shift left, resulting text; no places at all leaves the record alone.
  for (const auto& [negative, digits, left, text] :
       std::vector<Case>{{false, {4, 3, 2, 1}, true, "2340"},
                         {false, {4, 3, 2, 1}, false, "123"},
                         {true, {5, 0, 0, 0}, true, "-50"},
                         {true, {5, 0, 0, 0}, false, "-0"},
                         {false, {7}, true, "0"},
                         {false, {7}, false, "0"},
                         {false, {}, true, ""},
                         {true, {}, false, "-"}}) {
    fixedint target = record(negative, digits);
    LogCapture capture;
    left ? target.wholeshiftl() : target.wholeshiftr();
    EXPECT_EQ(target.asstring(), text) << (left ? "left: " : "right: ") << text;
    EXPECT_EQ(target.size, digits.size());
    EXPECT_EQ(target.digits.size(), digits.size());
    EXPECT_TRUE(capture.messages().empty());
  }
}

TEST(FixedintText, ShorteneddigitsDropOnlyTopZeros) {
  for (const auto& [digits, shortened] :
       std::vector<std::pair<Digits, Digits>>{{{0, 2, 1, 0}, {0, 2, 1}},
                                              {{0, 0, 0, 0}, {}},
                                              {{0, 0, 0, 1}, {0, 0, 0, 1}},
                                              {{0, 12, 0}, {0, 12}},
                                              {{0, 0, -1}, {0, 0, -1}},
                                              {{}, {}}}) {
    fixedint source = record(false, digits);
    EXPECT_EQ(source.getshorteneddigits(), shortened);
    EXPECT_EQ(source.digits, digits);
  }
}

TEST(FixedintText, AsstringPutsTopPlaceFirstAndDropsLeadingZeros) {
  using Case = std::tuple<bool, Digits, std::string>;
  for (const auto& [negative, digits, text] :
       std::vector<Case>{{false, unitsfirst("123", 8), "123"},
                         {false, {0, 0, 0}, "0"},
                         {true, {0, 4, 0}, "-40"},
                         {true, {0, 0, 0}, "-0"},
                         {false, {12, 4}, "412"},
                         {false, {5, -3}, "-35"},
                         {false, {-3, 0}, "-3"},
                         {true, {-3, 1}, "-1-3"}}) {
    EXPECT_EQ(record(negative, digits).asstring(), text);
  }
}

}  // namespace
