// roundkeepingtotal: a column rounded so that it adds up to its exact sum
// rounded half-even, against the big-integer model.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/moneymodel.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::roundkeepingtotal;
using namespace veldran_test;

TEST(RoundKeepingTotal, RoundsAsTheExamplesSay) {
  struct {
    std::vector<const char*> values;
    unsigned long long places;
    const char* expected;
  } const cases[] = {
      {{"0.4", "0.4", "0.4", "0.4", "0.4"}, 0, "1 1 0 0 0 "},
      {{"1.5", "1.5", "-3.2"}, 0, "2 1 -3 "},
      {{"-0.4", "0.4"}, 0, "0 0 "},  // -0.4 goes up to a positive zero
      {{"0.5", "2"}, 0, "0 2 "},     // 2.5 rounds to even: nothing goes up
      {{"0.5", "1"}, 0, "1 1 "},
      {{"-1.005", "2.115", "3.333"}, 2, "-1.00 2.11 3.33 "},
  };
  for (const auto& c : cases) {
    std::string text;
    for (const fixedfloat& x : roundkeepingtotal(numbers(8, c.values), c.places)) {
      text += x.asstring(c.places) + " ";
    }
    EXPECT_EQ(text, c.expected);
  }
}

TEST(RoundKeepingTotal, RefusesLengthsPlacesAndResultsThatDoNotFit) {
  std::vector<fixedfloat> mixed = numbers(8, {"1"});
  mixed.emplace_back(10, "1");
  EXPECT_EQ(moneyof([&] { return roundkeepingtotal(mixed, 1); }), kOtherLength);
  EXPECT_EQ(moneyof([&] { return roundkeepingtotal(mixed, 5); }), kTooManyPlaces);
  EXPECT_EQ(moneyof([] { return roundkeepingtotal(numbers(8, {"9999.9"}), 0); }), kOverflow);
  EXPECT_EQ(moneyof([] {
              return roundkeepingtotal(numbers(8, {"-9999.4", "-0.1"}), 0);
            }),
            kOverflow);
  EXPECT_TRUE(roundkeepingtotal({}, 9).empty());
}

// The model's results add up to the rounded sum by construction, and each
// lies within one unit of its value.
TEST(RoundKeepingTotal, MatchesTheModelOnMixedSigns) {
  std::mt19937_64 random(2121);
  for (int round = 0; round < 600; ++round) {
    const unsigned long long length = 2 * (1 + random() % 20);
    const unsigned long long places = random() % (length / 2 + 1);
    std::vector<fixedfloat> values;
    std::vector<bigfloatmodel> models;
    const std::size_t count = random() % 30;
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      values.push_back(randomamount(random, length));
      models.push_back(floatmodelof(values.back()));
    }
    ASSERT_EQ(moneyof([&] { return roundkeepingtotal(values, places); }),
              keepingtotalmodel(models, places));
  }
}

TEST(RoundKeepingTotal, LogsOnlyTheMakingOfEachResult) {
  const std::vector<std::string> two = makinglines(2, 8);
  const std::vector<fixedfloat> values = numbers(8, {"0.5", "1.5"});
  {
    const LogCapture capture;
    const std::vector<fixedfloat> rounded = roundkeepingtotal(values, 0);
    EXPECT_EQ(capture.messages(), two);
  }
  const LogCapture refused;
  EXPECT_THROW((void)roundkeepingtotal(values, 5), std::out_of_range);
  EXPECT_TRUE(refused.messages().empty());
}

}  // namespace
