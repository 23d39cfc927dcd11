// roundkeepingtotal: a column rounded so that it adds up to its exact sum
// rounded half-even, against the big-integer model.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/log_capture.h"
#include "support/moneymodel.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::roundkeepingtotal;
using veldran_test::outcometext;

std::vector<fixedfloat> column(unsigned long long length, const std::vector<const char*>& texts) {
  std::vector<fixedfloat> values;
  values.reserve(texts.size());
  for (const char* text : texts) values.emplace_back(length, text);
  return values;
}

TEST(RoundKeepingTotal, RoundsAsTheExamplesSay) {
  struct {
    std::vector<const char*> values;
    unsigned long long places;
    const char* expected;
  } const cases[] = {
      {{"0.4", "0.4", "0.4", "0.4", "0.4"}, 0, "1 1 0 0 0 "},
      {{"1.5", "1.5", "-3.2"}, 0, "2 1 -3 "},
      {{"-0.4", "0.4"}, 0, "0 0 "},  // -0.4 goes up to a positive zero
      {{"0.125", "0.125"}, 2, "0.13 0.12 "},
      {{"-1.005", "2.115", "3.333"}, 2, "-1.00 2.11 3.33 "},
  };
  for (const auto& c : cases) {
    std::string text;
    for (const fixedfloat& x : roundkeepingtotal(column(8, c.values), c.places)) {
      text += x.asstring(c.places) + " ";
    }
    EXPECT_EQ(text, c.expected);
  }
}

TEST(RoundKeepingTotal, RefusesLengthsPlacesAndResultsThatDoNotFit) {
  std::vector<fixedfloat> mixed = column(8, {"1"});
  mixed.emplace_back(10, "1");
  EXPECT_EQ(outcometext([&] { return roundkeepingtotal(mixed, 1); }), "refused length");
  EXPECT_EQ(outcometext([&] { return roundkeepingtotal(mixed, 5); }), "refused places");
  EXPECT_EQ(outcometext([] { return roundkeepingtotal(column(8, {"9999.9"}), 0); }),
            "refused overflow");
  EXPECT_EQ(outcometext([] {
              return roundkeepingtotal(column(8, {"-9999.4", "-0.1"}), 0);
            }),
            "refused overflow");
  EXPECT_TRUE(roundkeepingtotal({}, 9).empty());
}

TEST(RoundKeepingTotal, MatchesTheModelAndAddsUpToTheRoundedSum) {
  std::mt19937_64 random(2121);
  for (int round = 0; round < 600; ++round) {
    const unsigned long long length = 2 * (1 + random() % 20);
    const unsigned long long places = random() % (length / 2 + 1);
    std::vector<fixedfloat> values;
    std::vector<veldran_test::bigfloatmodel> models;
    const std::size_t count = random() % 30;
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      values.push_back(veldran_test::randomamount(random, length));
      models.push_back(veldran_test::floatmodelof(values.back()));
    }
    const veldran_test::moneyresult expected = veldran_test::keepingtotalmodel(models, places);
    ASSERT_EQ(outcometext([&] { return roundkeepingtotal(values, places); }),
              outcometext(expected));
    veldran_test::signedbig exact, rounded;
    for (std::size_t i = 0; i < expected.results.size(); ++i) {
      exact = veldran_test::signedadd(exact, {models[i].value.negative, models[i].value.magnitude});
      rounded = veldran_test::signedadd(
          rounded, {expected.results[i].negative, expected.results[i].magnitude});
    }
    const veldran_test::bignum unit = veldran_test::bigpow10(length / 2 - places);
    const auto half =
        veldran_test::roundquotient(veldran_test::bigsplit(exact.magnitude, length / 2 - places),
                                    unit, exact.negative, VELDRAN::rounding::halfeven);
    EXPECT_EQ(veldran_test::bigdecimal(veldran_test::bigmultiply(half, unit)),
              veldran_test::bigdecimal(rounded.magnitude));
  }
}

TEST(RoundKeepingTotal, LogsOnlyTheMakingOfEachResult) {
  const std::vector<fixedfloat> values = column(8, {"0.5", "1.5"});
  veldran_test::LogCapture capture;
  { const fixedfloat one(8); }
  std::vector<std::string> one = capture.messages();
  one.resize(one.size() - 2);  // its deletion
  std::vector<std::string> expected = one;
  expected.insert(expected.end(), one.begin(), one.end());
  veldran_test::LogCapture during;
  const std::vector<fixedfloat> rounded = roundkeepingtotal(values, 0);
  EXPECT_EQ(during.messages(), expected);
  veldran_test::LogCapture refused;
  EXPECT_THROW((void)roundkeepingtotal(values, 5), std::out_of_range);
  EXPECT_TRUE(refused.messages().empty());
}

}  // namespace
