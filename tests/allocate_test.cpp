// Splits that lose no unit: allocate in equal parts and by weights, against
// the big-integer model, with its refusals and its log lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/log_capture.h"
#include "support/moneymodel.h"

namespace {

using VELDRAN::fixedfloat;
using veldran_test::outcometext;

std::vector<fixedfloat> numbers(unsigned long long length, const std::vector<const char*>& texts) {
  std::vector<fixedfloat> result;
  result.reserve(texts.size());
  for (const char* text : texts) result.emplace_back(length, text);
  return result;
}

std::string texts(const std::vector<fixedfloat>& parts, unsigned long long places) {
  std::string text;
  for (const fixedfloat& part : parts) text += part.asstring(places) + " ";
  return text;
}

struct splitcase {
  const char* total;                 // at length 8
  std::vector<const char*> weights;  // none: three equal parts
  unsigned long long places;
  const char* expected;
};

TEST(Allocate, SplitsAsTheExamplesSay) {
  const std::vector<splitcase> cases = {
      {"100", {}, 2, "33.34 33.33 33.33 "},
      {"-100", {}, 2, "-33.34 -33.33 -33.33 "},
      {"0.05", {"1", "1", "1"}, 2, "0.02 0.02 0.01 "},
      // A tie among the remainders goes to the earlier part.
      {"1", {"1", "2", "1", "2"}, 0, "0 1 0 0 "},
      {"10", {"0", "3", "-0", "7"}, 1, "0.0 3.0 0.0 7.0 "},
      // A negative total's zero parts are positive zeros.
      {"-0.01", {}, 2, "-0.01 0.00 0.00 "},
      {"-0.02", {"0.1", "0", "0.3"}, 2, "-0.01 0.00 -0.01 "},
  };
  for (const splitcase& c : cases) {
    const fixedfloat total(8, c.total);
    const std::vector<fixedfloat> parts = c.weights.empty()
                                              ? total.allocate(3, c.places)
                                              : total.allocate(numbers(8, c.weights), c.places);
    EXPECT_EQ(texts(parts, c.places), c.expected) << c.total;
  }
}

TEST(Allocate, RefusesInOrderPlacesLengthsWeightsThenTheTotalsDigits) {
  const fixedfloat total(8, "1.005");  // digits below 2 places
  const std::vector<fixedfloat> none;
  const auto weights = [](const char* first) { return numbers(8, {first, "1"}); };
  EXPECT_EQ(outcometext([&] { return total.allocate(none, 5); }), "refused places");
  EXPECT_EQ(outcometext([&] { return total.allocate(0, 5); }), "refused places");
  EXPECT_EQ(outcometext([&] { return total.allocate(numbers(10, {"-1"}), 2); }), "refused length");
  EXPECT_EQ(outcometext([&] { return total.allocate(none, 2); }), "refused weights");
  EXPECT_EQ(outcometext([&] { return total.allocate(0, 2); }), "refused weights");
  EXPECT_EQ(outcometext([&] { return total.allocate(weights("-0.01"), 2); }), "refused weights");
  EXPECT_EQ(outcometext([&] {
              return total.allocate(numbers(8, {"0", "-0"}), 2);
            }),
            "refused weights");
  EXPECT_EQ(outcometext([&] { return total.allocate(weights("-0"), 2); }), "refused amount");
  EXPECT_EQ(outcometext([&] { return total.allocate(2, 2); }), "refused amount");
}

TEST(Allocate, PartsMatchTheModelAndAddUpToTheTotal) {
  std::mt19937_64 random(21);
  for (int round = 0; round < 400; ++round) {
    const unsigned long long length = 2 * (1 + random() % 20);
    const unsigned long long places = random() % (length / 2 + 1);
    const fixedfloat total = veldran_test::randomamount(random, length, length / 2 - places);
    const std::size_t count = 1 + random() % (round % 10 == 0 ? 1000 : 12);
    std::vector<fixedfloat> weights;
    weights.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      weights.push_back(veldran_test::randomamount(random, length));
      weights.back().value.negative = weights.back().value.negative && random() % 8 == 0;
    }
    std::vector<veldran_test::bigfloatmodel> weightmodels, ones;
    for (const fixedfloat& w : weights) weightmodels.push_back(veldran_test::floatmodelof(w));
    ones.assign(count, veldran_test::floatmodelof(fixedfloat(length, "1")));
    const auto totalmodel = veldran_test::floatmodelof(total);
    EXPECT_EQ(outcometext([&] { return total.allocate(weights, places); }),
              outcometext(veldran_test::allocatemodel(totalmodel, weightmodels, places)));
    const std::vector<fixedfloat> parts = total.allocate(count, places);
    EXPECT_EQ(outcometext([&] { return parts; }),
              outcometext(veldran_test::allocatemodel(totalmodel, ones, places)));
    veldran_test::bignum sum;
    for (const fixedfloat& part : parts) {
      sum = veldran_test::bigadd(sum, veldran_test::bigfromdigits(part.value.digits));
    }
    EXPECT_EQ(veldran_test::bigdecimal(sum), veldran_test::bigdecimal(totalmodel.value.magnitude));
  }
}

TEST(Allocate, LogsOnlyTheMakingOfEachPart) {
  const fixedfloat total(8, "100");
  const std::vector<fixedfloat> weights = numbers(8, {"1", "2"});
  veldran_test::LogCapture capture;
  { const fixedfloat part(8); }
  std::vector<std::string> onepart = capture.messages();
  onepart.resize(onepart.size() - 2);  // the part's deletion is not the call's
  std::vector<std::string> twoparts = onepart;
  twoparts.insert(twoparts.end(), onepart.begin(), onepart.end());

  for (const auto& call :
       {+[](const fixedfloat&t, const std::vector<fixedfloat>&w) { return t.allocate(w, 2); },
        +[](const fixedfloat&t, const std::vector<fixedfloat>&) { return t.allocate(2, 2); }}) {
    veldran_test::LogCapture during;
    const std::vector<fixedfloat> parts = call(total, weights);
    EXPECT_EQ(during.messages(), twoparts);
  }
  veldran_test::LogCapture refused;
  EXPECT_THROW((void)total.allocate(2, 5), std::out_of_range);
  EXPECT_THROW((void)total.allocate(std::vector<fixedfloat>(), 2), std::invalid_argument);
  EXPECT_TRUE(refused.messages().empty());
}

}  // namespace
