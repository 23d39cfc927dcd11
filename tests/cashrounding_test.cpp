// Cash rounding, rounded(increment, mode): the multiple of the increment
// each mode picks, against the big-integer model, with its refusals.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/exceptions.h"
#include "support/log_capture.h"
#include "support/moneymodel.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::rounding;
using veldran_test::outcometext;

std::string modeltext(const fixedfloat& x, const fixedfloat& increment, rounding mode) {
  return outcometext(veldran_test::cashmodel(veldran_test::floatmodelof(x),
                                             veldran_test::floatmodelof(increment), mode));
}

std::string librarytext(const fixedfloat& x, const fixedfloat& increment, rounding mode) {
  return outcometext([&] { return std::vector<fixedfloat>{x.rounded(increment, mode)}; });
}

TEST(CashRounding, RoundsToTheIncrementAsTheExamplesSay) {
  const fixedfloat nickel(8, "0.05");
  EXPECT_EQ(fixedfloat(8, "1.024").rounded(nickel).asstring(2), "1.00");
  EXPECT_EQ(fixedfloat(8, "1.025").rounded(nickel).asstring(2), "1.00");
  EXPECT_EQ(fixedfloat(8, "1.025").rounded(nickel, rounding::halfawayfromzero).asstring(2), "1.05");
  EXPECT_EQ(fixedfloat(8, "1.03").rounded(nickel).asstring(2), "1.05");
  EXPECT_EQ(fixedfloat(8, "-0.02").rounded(nickel).asstring(2), "0.00");
  EXPECT_EQ(fixedfloat(8, "-0.03").rounded(nickel, rounding::ceiling).asstring(2), "0.00");
}

TEST(CashRounding, EveryCaseInEveryModeMatchesTheModel) {
  const fixedfloat nickel(8, "0.05");
  for (const char* text :
       {"1.024", "1.025", "1.03", "1.075", "-1.025", "-1.03", "-0.02", "-0", "0.05", "2.5"}) {
    for (const rounding mode : veldran_test::kEveryRounding) {
      const fixedfloat x(8, text);
      EXPECT_EQ(librarytext(x, nickel, mode), modeltext(x, nickel, mode))
          << text << ' ' << veldran_test::roundingname(mode);
    }
  }
  std::mt19937_64 random(2103);
  for (int round = 0; round < 2000; ++round) {
    const unsigned long long length = 2 * (1 + random() % 20);
    const fixedfloat x = veldran_test::randomamount(random, length);
    fixedfloat increment = veldran_test::randomamount(random, length);
    increment.value.negative = random() % 16 == 0;
    const rounding mode = veldran_test::kEveryRounding[random() % 7];
    ASSERT_EQ(librarytext(x, increment, mode), modeltext(x, increment, mode))
        << x.asstring() << " to " << increment.asstring();
  }
}

TEST(CashRounding, RefusesTheModeTheIncrementTheLengthAndWhatDoesNotFit) {
  const fixedfloat x(8, "9999.99");
  const auto bad = static_cast<rounding>(7);
  veldran_test::expectthrow<std::invalid_argument>([&] { (void)x.rounded(fixedfloat(8), bad); },
                                                   "Unknown rounding mode!");
  for (const char* increment : {"0", "-0", "-0.05"}) {
    veldran_test::expectthrow<std::invalid_argument>(
        [&] { (void)x.rounded(fixedfloat(10, increment)); }, "Increment must be positive!");
  }
  EXPECT_EQ(librarytext(x, fixedfloat(10, "0.05"), rounding::halfeven), "refused length");
  EXPECT_EQ(librarytext(x, fixedfloat(8, "0.5"), rounding::halfeven), "refused overflow");
  EXPECT_EQ(librarytext(x, fixedfloat(8, "0.5"), rounding::floor), "+99995000@8 ");
}

TEST(CashRounding, LogsOnlyTheMakingOfItsResult) {
  const fixedfloat x(8, "1.03");
  const fixedfloat nickel(8, "0.05");
  veldran_test::LogCapture capture;
  { const fixedfloat one(8); }
  std::vector<std::string> expected = capture.messages();
  expected.resize(expected.size() - 2);  // its deletion
  veldran_test::LogCapture during;
  const fixedfloat result = x.rounded(nickel);
  EXPECT_EQ(during.messages(), expected);
  const fixedfloat zero(8);
  veldran_test::LogCapture refused;
  EXPECT_THROW((void)x.rounded(zero), std::invalid_argument);
  EXPECT_TRUE(refused.messages().empty());
}

}  // namespace
