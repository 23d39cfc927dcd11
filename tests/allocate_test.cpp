// Splits that lose no unit: allocate in equal parts and by weights, against
// the big-integer model, with its refusals and its log lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/moneymodel.h"

namespace {

using VELDRAN::fixedfloat;
using namespace veldran_test;

TEST(Allocate, SplitsAsTheExamplesSay) {
  struct {
    const char* total;                 // at length 8
    std::vector<const char*> weights;  // none: three equal parts
    unsigned long long places;
    const char* expected;
  } const cases[] = {
      {"100", {}, 2, "33.34 33.33 33.33 "},
      {"-100", {}, 2, "-33.34 -33.33 -33.33 "},
      {"0.05", {"1", "1", "1"}, 2, "0.02 0.02 0.01 "},
      {"1", {"1", "2", "1", "2"}, 0, "0 1 0 0 "},  // a tie: the earlier part
      {"10", {"0", "3", "-0", "7"}, 1, "0.0 3.0 0.0 7.0 "},
      {"-0.01", {}, 2, "-0.01 0.00 0.00 "},  // zero parts are positive
      {"-0.02", {"0.1", "0", "0.3"}, 2, "-0.01 0.00 -0.01 "},
  };
  for (const auto& c : cases) {
    const fixedfloat total(8, c.total);
    std::string text;
    for (const fixedfloat& part : c.weights.empty()
                                      ? total.allocate(3, c.places)
                                      : total.allocate(numbers(8, c.weights), c.places)) {
      text += part.asstring(c.places) + " ";
    }
    EXPECT_EQ(text, c.expected) << c.total;
  }
}

TEST(Allocate, RefusesInOrderPlacesLengthsWeightsThenTheTotalsDigits) {
  const fixedfloat total(8, "1.005");  // digits below 2 places
  const std::vector<fixedfloat> none;
  const auto first = [](const char* weight) { return numbers(8, {weight, "1"}); };
  EXPECT_EQ(moneyof([&] { return total.allocate(none, 5); }), kTooManyPlaces);
  EXPECT_EQ(moneyof([&] { return total.allocate(0, 5); }), kTooManyPlaces);
  EXPECT_EQ(moneyof([&] { return total.allocate(numbers(10, {"-1"}), 2); }), kOtherLength);
  EXPECT_EQ(moneyof([&] { return total.allocate(none, 2); }), kBadWeights);
  EXPECT_EQ(moneyof([&] { return total.allocate(0, 2); }), kBadWeights);
  EXPECT_EQ(moneyof([&] { return total.allocate(first("-0.01"), 2); }), kBadWeights);
  EXPECT_EQ(moneyof([&] { return total.allocate(numbers(8, {"0", "-0"}), 2); }), kBadWeights);
  EXPECT_EQ(moneyof([&] { return total.allocate(first("-0"), 2); }), kAmountPlaces);
  EXPECT_EQ(moneyof([&] { return total.allocate(2, 2); }), kAmountPlaces);
}

// The model's parts add up to the total by construction, and each lies
// within one unit of its exact share.
TEST(Allocate, PartsMatchTheModel) {
  std::mt19937_64 random(21);
  for (int round = 0; round < 400; ++round) {
    const unsigned long long length = 2 * (1 + random() % 20);
    const unsigned long long places = random() % (length / 2 + 1);
    const fixedfloat total = randomamount(random, length, length / 2 - places);
    const std::size_t count = 1 + random() % (round % 10 == 0 ? 1000 : 12);
    std::vector<fixedfloat> weights;
    weights.reserve(count);
    std::vector<bigfloatmodel> weightmodels;
    for (std::size_t i = 0; i < count; ++i) {
      weights.push_back(randomamount(random, length));
      weights.back().value.negative = weights.back().value.negative && random() % 8 == 0;
      weightmodels.push_back(floatmodelof(weights.back()));
    }
    const std::vector<bigfloatmodel> ones(count, floatmodelof(fixedfloat(length, "1")));
    ASSERT_EQ(moneyof([&] { return total.allocate(weights, places); }),
              allocatemodel(floatmodelof(total), weightmodels, places));
    ASSERT_EQ(moneyof([&] { return total.allocate(count, places); }),
              allocatemodel(floatmodelof(total), ones, places));
  }
}

TEST(Allocate, LogsOnlyTheMakingOfEachPart) {
  const std::vector<std::string> twoparts = makinglines(2, 8);
  const fixedfloat total(8, "100");
  const std::vector<fixedfloat> weights = numbers(8, {"1", "2"});
  {
    const LogCapture capture;
    const std::vector<fixedfloat> parts = total.allocate(weights, 2);
    EXPECT_EQ(capture.messages(), twoparts);
  }
  const LogCapture capture;
  const std::vector<fixedfloat> parts = total.allocate(2, 2);
  EXPECT_EQ(capture.messages(), twoparts);
  const LogCapture refused;
  EXPECT_THROW((void)total.allocate(2, 5), std::out_of_range);
  EXPECT_THROW((void)total.allocate(std::vector<fixedfloat>(), 2), std::invalid_argument);
  EXPECT_TRUE(refused.messages().empty());
}

}  // namespace
