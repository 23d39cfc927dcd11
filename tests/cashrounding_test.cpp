// Cash rounding, rounded(increment, mode): the multiple of the increment
// each mode picks, against the big-integer model, with its refusals.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/moneymodel.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::rounding;
using namespace veldran_test;

moneyoutcome rounded(const fixedfloat& x, const fixedfloat& increment, rounding mode) {
  return moneyof([&] { return x.rounded(increment, mode); });
}

moneyoutcome modelled(const fixedfloat& x, const fixedfloat& increment, rounding mode) {
  return cashmodel(floatmodelof(x), floatmodelof(increment), mode);
}

TEST(CashRounding, RoundsToTheIncrementAsTheExamplesSay) {
  const fixedfloat nickel(8, "0.05");
  EXPECT_EQ(fixedfloat(8, "1.024").rounded(nickel).asstring(2), "1.00");
  EXPECT_EQ(fixedfloat(8, "1.025").rounded(nickel).asstring(2), "1.00");
  EXPECT_EQ(fixedfloat(8, "1.025").rounded(nickel, rounding::halfawayfromzero).asstring(2), "1.05");
  EXPECT_EQ(fixedfloat(8, "1.03").rounded(nickel).asstring(2), "1.05");
  EXPECT_EQ(fixedfloat(8, "-0.02").rounded(nickel).asstring(2), "0.00");
}

TEST(CashRounding, EveryCaseInEveryModeMatchesTheModel) {
  const fixedfloat nickel(8, "0.05");
  for (const char* text : {"1.024", "1.025", "1.03", "1.075", "-1.025", "-1.03", "-0.02", "-0"}) {
    for (const rounding mode : kEveryRounding) {
      const fixedfloat x(8, text);
      EXPECT_EQ(rounded(x, nickel, mode), modelled(x, nickel, mode))
          << text << ' ' << roundingname(mode);
    }
  }
  std::mt19937_64 random(2103);
  for (int round = 0; round < 2000; ++round) {
    const unsigned long long length = 2 * (1 + random() % 20);
    const fixedfloat x = randomamount(random, length);
    fixedfloat increment = randomamount(random, length);
    increment.value.negative = random() % 16 == 0;
    const rounding mode = kEveryRounding[random() % 7];
    ASSERT_EQ(rounded(x, increment, mode), modelled(x, increment, mode))
        << x.asstring() << " to " << increment.asstring();
  }
}

TEST(CashRounding, RefusesTheModeFirstThenTheIncrementTheLengthAndWhatDoesNotFit) {
  const fixedfloat x(8, "9999.99");
  EXPECT_EQ(moneyof([&] { return x.rounded(fixedfloat(10), static_cast<rounding>(7)); }),
            "invalid_argument: Unknown rounding mode!");
  for (const char* increment : {"0", "-0", "-0.05"}) {
    EXPECT_EQ(rounded(x, fixedfloat(10, increment), rounding::halfeven), kBadIncrement);
  }
  EXPECT_EQ(rounded(x, fixedfloat(10, "0.05"), rounding::halfeven), kOtherLength);
  EXPECT_EQ(rounded(x, fixedfloat(8, "0.5"), rounding::halfeven), kOverflow);
}

TEST(CashRounding, LogsOnlyTheMakingOfItsResult) {
  const std::vector<std::string> one = makinglines(1, 8);
  const fixedfloat x(8, "1.03");
  const fixedfloat nickel(8, "0.05");
  const fixedfloat zero(8);
  {
    const LogCapture capture;
    const fixedfloat result = x.rounded(nickel);
    EXPECT_EQ(capture.messages(), one);
  }
  const LogCapture refused;
  EXPECT_THROW((void)x.rounded(zero), std::invalid_argument);
  EXPECT_TRUE(refused.messages().empty());
}

}  // namespace
