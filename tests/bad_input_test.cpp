// Input chosen to break things: every refusal must name its cause, leave the
// object as it was where that is promised, and never touch memory it lacks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/exceptions.h"
#include "support/log_capture.h"

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using Digits = std::vector<std::int8_t>;
using Lines = std::vector<std::string>;
using veldran_test::expectthrow;

TEST(BadInput, OddLengthsAreRefusedBeforeStorageAndLeaveALiveNumberUnchanged) {
  const std::string message = "length should be able to be divided by 2!";
  // ~0ULL could never be allocated; being odd, it must not get that far.
  expectthrow<std::runtime_error>([] { static_cast<void>(fixedfloat(~0ULL)); }, message);
  fixedfloat number(8);
  number = fixedint(4, -12);
  expectthrow<std::runtime_error>([&] { number.init(9); }, message);
  EXPECT_EQ(number.length, 8U);
  EXPECT_EQ(number.asstring(), "-12.0");
}

TEST(BadInput, ZeroLengthNumberRefusesEveryFloatButTakesAZeroPlaceInteger) {
  fixedfloat empty(0);
  expectthrow<std::out_of_range>([&] { empty = 0.0F; }, "Input int bigger than size!");
  empty = fixedint(0);
  EXPECT_EQ((empty + empty).asstring(), ".0");
}

TEST(BadInput, NonFiniteAndHugeFloatsAreRefusedBeforeAnyTemporaryIsMade) {
  fixedfloat number(8);
  number = -3.0F;
  const float max = std::numeric_limits<float>::max();
  const float twoTo63 = std::ldexp(1.0F, 63);
  {
    const veldran_test::LogCapture log;
    expectthrow<std::domain_error>([&] { number = std::nanf(""); }, "Float is not finite!");
    for (const float x : {twoTo63, max, -max}) {
      expectthrow<std::out_of_range>([&] { number = x; }, "Input int bigger than size!");
    }
    EXPECT_TRUE(log.messages().empty());
  }
  EXPECT_EQ(number.asstring(), "-3.0");

  fixedfloat wide(38);  // the largest float below 2^63 still has an integer part
  wide = std::nextafter(twoTo63, 0.0F);
  EXPECT_EQ(wide.asstring(), "9223371487098961920.0");
}

// Counts above vector::max_size() fail before any allocation, so this holds
// under AddressSanitizer too.
TEST(BadInput, PlaceCountsPastTheStorageLimitPassOnItsErrorAndKeepTheRecord) {
  const unsigned long long past = Digits().max_size() + 1;
  fixedint record(3, -123);
  const veldran_test::LogCapture log;
  EXPECT_THROW(static_cast<void>(fixedint(past, 5)), std::length_error);
  EXPECT_THROW(record.resize(past), std::length_error);
  EXPECT_EQ(record.size, record.digits.size());
  EXPECT_EQ(record.asstring(), "-123");
  // A fixedfloat whose digits cannot be made releases its zero-place value
  // and, never having been made, logs no deletion of its own.
  EXPECT_THROW(static_cast<void>(fixedfloat(past)), std::length_error);
  const Lines lines = log.messages();
  ASSERT_GE(lines.size(), 3U);
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
            (Lines{"New fixedint object!", "Resizing Digits to: " + std::to_string(past),
                   "Deleted fixedint object."}));

  // Re-initialising a live number to such a length keeps all of it.
  fixedfloat live(8);
  live = -12.5F;
  EXPECT_THROW(live.init(past), std::length_error);
  EXPECT_EQ(live.length, 8U);
  EXPECT_TRUE(live.negative);
  EXPECT_EQ(live.asstring(), "-12.5");
}

TEST(BadInput, HandSetDigitOverflowIsReportedBeforeTheLeftOperandIsOverwritten) {
  fixedint guarded(3, 5);
  guarded.digits[2] = 100;  // would carry ten out of the top place
  guarded.overflowthrows = true;
  expectthrow<std::overflow_error>([&] { static_cast<void>(guarded + fixedint(3, 1)); },
                                   "Overflow occured.");
  EXPECT_EQ(guarded.digits, (Digits{5, 0, 100}));

  // Each element prints as a whole signed number, even at the 8-bit limits.
  fixedint extremes(3);
  extremes.digits = {-128, 127, 0};
  EXPECT_EQ(extremes.asstring(), "127-128");
}

// Every call that takes a mode refuses one outside the seven first: before
// its other refusals, before its result is made (so no line), and also when
// no digit would be dropped.
TEST(BadInput, AModeOutsideTheSevenIsRefusedBeforeAnythingElse) {
  const auto unknown = static_cast<VELDRAN::rounding>(99);
  const fixedint six(4, 6), zero(4);
  const fixedfloat half(8, "0.5"), nothing(8), wide(10, "1");
  const std::function<void()> calls[] = {
      [&] { static_cast<void>(six.divide(zero, unknown)); },
      [&] { static_cast<void>(half.multiply(wide, unknown)); },
      [&] { static_cast<void>(half.divide(nothing, unknown)); },
      [&] { static_cast<void>(half.rounded(4, unknown)); },
      [&] { static_cast<void>(half.asstring(1ULL << 62, unknown)); },
  };
  const veldran_test::LogCapture log;
  for (const auto& call : calls) {
    expectthrow<std::invalid_argument>(call, "Unknown rounding mode!");
  }
  EXPECT_TRUE(log.messages().empty());
}

// The string would refuse them too, but only after the rounding had begun.
TEST(BadInput, PlacesNoTextCanHoldAreRefusedBeforeAnyAllocation) {
  const fixedfloat number(8, "-1.5");
  for (const unsigned long long places : {1ULL << 62, ~0ULL}) {
    expectthrow<std::length_error>([&] { static_cast<void>(number.asstring(places)); },
                                   "Too many places!");
  }
}
