// Numbers in other sizes and lengths, and doubles in, against the model:
// each result is one count-constructed number, and a refusal logs nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/exceptions.h"
#include "support/log_capture.h"
#include "support/model.h"
#include "support/records.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::rounding;
using veldran_test::bigfloatmodel;
using veldran_test::bigintmodel;
using veldran_test::bigresult;
using veldran_test::LogCapture;
using veldran_test::outcome;
using veldran_test::show;

bigintmodel magnitudeof(const std::string& digits, unsigned long long size, bool negative) {
  bigintmodel m = veldran_test::freshbig(size);
  std::vector<std::int8_t> places(digits.rbegin(), digits.rend());
  for (auto& d : places) d = static_cast<std::int8_t>(d - '0');
  m.magnitude = veldran_test::bigfromdigits(places);
  m.negative = negative;
  return m;
}

// A result logs the count constructor's life, a refusal nothing.
void expectmade(const std::string& want, bool made, unsigned long long places,
                const std::function<std::string()>& call) {
  veldran_test::expectresult<fixedfloat>("", want, made, places, call);
  if (!made) {
    const LogCapture capture;
    veldran_test::outcomeof(call);
    EXPECT_EQ(capture.messages(), std::vector<std::string>{});
  }
}

TEST(LengthConversion, FixedfloatRoundsDroppedFractionDigitsByMode) {
  // Magnitudes at length 8: ties, carries into the integer part, zero.
  for (const char* digits : {"0", "12345", "12355", "99995000", "99994999", "15", "50000", "1"}) {
    for (const bool negative : {false, true}) {
      const bigfloatmodel m{8, magnitudeof(digits, 8, negative)};
      const fixedfloat x = veldran_test::build(m, false);
      for (const unsigned long long length : {0ULL, 2ULL, 4ULL, 6ULL, 8ULL, 12ULL, 40ULL}) {
        for (const rounding mode : veldran_test::kEveryRounding) {
          SCOPED_TRACE(show(m, false) + " to " + std::to_string(length) + " " +
                       veldran_test::roundingname(mode));
          const bigresult r = veldran_test::floatresizemodel(m, length, mode);
          expectmade(veldran_test::expectedfloat(r, length), r.result == outcome::value, length,
                     [&] { return show(fixedfloat(length, x, mode)); });
          EXPECT_EQ(show(x), show(m, false));
          if (HasFailure()) return;
        }
      }
    }
  }
}

TEST(DoubleIn, TakesTheShortestTextRoundedByMode) {
  const double values[] = {19.99,
                           0.1 + 0.2,
                           4.835739785214588e+19,
                           9007199254740992.0,  // 2^53
                           9007199254740993.0,
                           5e-324,  // the smallest subnormal
                           2.2250738585072014e-308,
                           1.7976931348623157e308,
                           -0.0,
                           0.0,
                           -0.004,
                           0.125,
                           -2.5,
                           0.5,
                           99.995,
                           -9999.99995,
                           123456789.0,
                           1e-5};
  for (const double x : values) {
    for (const unsigned long long length : {0ULL, 4ULL, 8ULL, 16ULL, 40ULL, 700ULL}) {
      for (const rounding mode : veldran_test::kEveryRounding) {
        SCOPED_TRACE(std::to_string(x) + " at " + std::to_string(length) + " " +
                     veldran_test::roundingname(mode));
        const bigresult r = veldran_test::doublemodel(x, length, mode);
        expectmade(veldran_test::expectedfloat(r, length), r.result == outcome::value, length,
                   [&] { return show(fixedfloat(length, x, mode)); });
        if (HasFailure()) return;
      }
    }
  }
}

// The float assignment's algorithm stays for float; a double reads as written.
TEST(DoubleIn, NineteenNinetyNineIsExactAtLength16) {
  EXPECT_EQ(fixedfloat(16, 19.99).asstring(), "19.99");
  fixedfloat f(16);
  f = 19.99F;
  EXPECT_EQ(f.asstring(), "19.9899999");
}

TEST(DoubleIn, RefusalsComeBeforeAnyLine) {
  const LogCapture capture;
  for (const double x :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()}) {
    veldran_test::expectthrow<std::domain_error>([x] { fixedfloat(8, x); }, "Float is not finite!");
  }
  // An unknown mode is refused before the value is looked at.
  const auto unknown = static_cast<rounding>(99);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  veldran_test::expectthrow<std::invalid_argument>([&] { fixedfloat(8, nan, unknown); },
                                                   "Unknown rounding mode!");
  veldran_test::expectthrow<std::invalid_argument>([&] { fixedfloat(3, 1.0, unknown); },
                                                   "Unknown rounding mode!");
  EXPECT_EQ(capture.messages(), std::vector<std::string>{});
}

}  // namespace
