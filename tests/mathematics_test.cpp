// Powers, square roots, exp, ln and log10 against the model of
// support/mathmodel.h, in every rounding mode: exact results and their
// neighbours, random operands at many lengths, refusals and log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/log_capture.h"
#include "support/mathmodel.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;
using veldran_test::everymode;
using veldran_test::kEveryRounding;
using veldran_test::mathoperand;

// The result as the model writes it; a sign flag that disagrees with
// value's shows up too.
std::string textof(const fixedfloat& f) {
  veldran_test::bigintmodel m = veldran_test::freshbig(f.length);
  m.magnitude = veldran_test::bigfromdigits(f.value.digits);
  m.negative = f.value.negative;
  return veldran_test::exacttext(m, f.length / 2) + (f.negative == m.negative ? "" : " stale");
}

mathoperand operandof(unsigned long long length, const std::string& text) {
  const fixedfloat f(length, text);
  return mathoperand{length, veldran_test::bigfromdigits(f.value.digits), f.value.negative};
}

fixedfloat floatof(const mathoperand& x) {
  fixedfloat f(x.length);
  f.value.digits = veldran_test::bigdigits(x.magnitude, x.length);
  f.value.negative = x.negative;
  f.updsign();
  return f;
}

using floatcall = std::function<fixedfloat(const fixedfloat&, rounding)>;

// Checks a call in every mode against the model's outcomes, and that the
// operand is left as it was.
void expectevery(const mathoperand& x, const floatcall& call, const everymode& expected,
                 const std::string& what) {
  const fixedfloat operand = floatof(x);
  for (std::size_t m = 0; m < expected.size(); ++m) {
    const std::string got =
        veldran_test::outcomeof([&] { return textof(call(operand, kEveryRounding[m])); });
    EXPECT_EQ(got, expected[m]) << what << " " << veldran_test::roundingname(kEveryRounding[m]);
    EXPECT_EQ(textof(operand), textof(floatof(x))) << what << " changed its operand";
  }
}

// --- Random operands --------------------------------------------------------------

struct generator {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30U)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27U)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31U);
  }
  unsigned long long below(unsigned long long n) { return next() % n; }
  // `integer` integer digits at most and `fraction` fraction digits at most.
  std::string number(unsigned long long integer, unsigned long long fraction, bool sign) {
    std::string text = sign && below(2) == 0 ? "-" : "";
    const unsigned long long whole = below(integer + 1);
    text += whole == 0 ? "0" : "";
    for (unsigned long long i = 0; i < whole; ++i) text += static_cast<char>('0' + below(10));
    const unsigned long long part = below(fraction + 1);
    if (part > 0) text += ".";
    for (unsigned long long i = 0; i < part; ++i) text += static_cast<char>('0' + below(10));
    return text;
  }
};

// Lengths 2 to 80 in turn, and now and then 400.
unsigned long long lengthfor(int i, bool long400) {
  return long400 && i % 25 == 24 ? 400 : 2 + 2ULL * static_cast<unsigned long long>(i * 7 % 40);
}

TEST(MathematicsRandom, SquareRootsAreRoundedExactly) {
  generator random{1};
  for (int i = 0; i < 60; ++i) {
    const unsigned long long length = lengthfor(i, true);
    const mathoperand x = operandof(length, random.number(length / 2, length / 2, i % 10 == 0));
    expectevery(
        x, [](const fixedfloat& f, rounding m) { return f.sqrt(m); },
        veldran_test::ineverymode([&](rounding m) { return veldran_test::sqrtmodel(x, m); }),
        "sqrt");
  }
}

TEST(MathematicsRandom, WholePowersAreRoundedExactly) {
  generator random{2};
  for (int i = 0; i < 60; ++i) {
    const unsigned long long length = lengthfor(i, true);
    const mathoperand x =
        operandof(length, random.number(std::min(3ULL, length / 2), length / 2, true));
    const auto n = static_cast<long long>(random.below(25)) - 12;
    expectevery(
        x, [n](const fixedfloat& f, rounding m) { return f.pow(n, m); },
        veldran_test::ineverymode([&](rounding m) { return veldran_test::powmodel(x, n, m); }),
        "pow " + std::to_string(n));
    // The same power through a whole fixedfloat exponent, where it fits.
    if (std::to_string(n < 0 ? -n : n).size() > length / 2) continue;
    const fixedfloat y(length, std::to_string(n));
    expectevery(
        x, [&y](const fixedfloat& f, rounding m) { return f.pow(y, m); },
        veldran_test::ineverymode([&](rounding m) { return veldran_test::powmodel(x, n, m); }),
        "pow y " + std::to_string(n));
  }
}

TEST(MathematicsRandom, ExpMatchesTheInterval) {
  generator random{3};
  for (int i = 0; i < 40; ++i) {
    const unsigned long long length = lengthfor(i, false);
    // Up to 2.5 (h + 1), past where the result overflows or underflows.
    const std::string bound = std::to_string(5 * (length / 2 + 1) / 2 + 1);
    const mathoperand x = operandof(length, random.number(bound.size(), length / 2, true));
    expectevery(
        x, [](const fixedfloat& f, rounding m) { return f.exp(m); }, veldran_test::expmodel(x),
        "exp");
  }
}

TEST(MathematicsRandom, LogarithmsMatchTheInterval) {
  generator random{4};
  for (int i = 0; i < 14; ++i) {
    const unsigned long long length = lengthfor(i, false);
    const mathoperand x = operandof(length, random.number(length / 2, length / 2, i % 8 == 0));
    expectevery(
        x, [](const fixedfloat& f, rounding m) { return f.ln(m); }, veldran_test::lnmodel(x, false),
        "ln");
    expectevery(
        x, [](const fixedfloat& f, rounding m) { return f.log10(m); },
        veldran_test::lnmodel(x, true), "log10");
  }
}

TEST(MathematicsRandom, FractionalPowersMatchTheInterval) {
  generator random{5};
  for (int i = 0; i < 12; ++i) {
    const unsigned long long length = lengthfor(i, false);
    const mathoperand x =
        operandof(length, random.number(std::min(2ULL, length / 2), length / 2, false));
    std::string ytext = random.number(1, length / 2, true);
    ytext += ytext.find('.') == std::string::npos ? ".7" : "7";  // a fraction, kept if it fits
    mathoperand y = operandof(length, ytext.substr(0, ytext.find('.') + 1 + length / 2));
    if (iszero(x.magnitude) ||
        veldran_test::bigsplit(y.magnitude, length / 2).remainder.limbs.empty()) {
      continue;
    }
    const fixedfloat yf = floatof(y);
    expectevery(
        x, [&yf](const fixedfloat& f, rounding m) { return f.pow(yf, m); },
        veldran_test::exppowmodel(x, y), "pow " + ytext);
  }
}

TEST(MathematicsRandom, IntegerPowersAreExactOrRefused) {
  generator random{6};
  for (int i = 0; i < 200; ++i) {
    const unsigned long long size = 1 + random.below(60);
    fixedint x(size, std::string(1 + random.below(size < 4 ? size : 4), '7'));
    x.digits[0] = static_cast<std::int8_t>(random.below(10));
    x.negative = random.below(2) == 0;
    x.hassign = random.below(4) != 0;
    const unsigned long long e = random.below(40);
    const std::string expected = veldran_test::intpowmodel(
        size, veldran_test::bigfromdigits(x.digits), x.negative, x.hassign, e);
    EXPECT_EQ(veldran_test::outcomeof([&] { return x.pow(e).asstring(); }), expected)
        << x.asstring() << "^" << e << " in " << size;
  }
}

// --- Exact results and their neighbours ---------------------------------------

struct exactcase {
  const char* name;
  unsigned long long length;
  const char* x;
  const char* y;     // the exponent of pow, or nullptr
  const char* root;  // x^y = root^p for a rational pow, else nullptr
  long long p;
};

class MathematicsExact : public testing::TestWithParam<exactcase> {};

// The case itself in every mode, then x one unit either side, whose results
// are irrational (or, for whole powers, exact in another way).
TEST_P(MathematicsExact, AndItsNeighboursRoundRightInEveryMode) {
  const exactcase& c = GetParam();
  const std::string name = c.name;
  const mathoperand center = operandof(c.length, c.x);
  const mathoperand unit = operandof(c.length, "0." + std::string(c.length / 2 - 1, '0') + "1");
  std::vector<mathoperand> operands{center};
  for (const bool up : {false, true}) {
    mathoperand n = center;
    const bool away = up != center.negative;
    if (!away && iszero(center.magnitude)) {
      n.magnitude = unit.magnitude;
      n.negative = !center.negative;
    } else {
      n.magnitude = away ? veldran_test::bigadd(center.magnitude, unit.magnitude)
                         : veldran_test::bigsubtract(center.magnitude, unit.magnitude);
    }
    operands.push_back(n);
  }
  for (std::size_t k = 0; k < operands.size(); ++k) {
    const mathoperand& x = operands[k];
    const std::string what = name + (k == 0 ? "" : k == 1 ? " below" : " above");
    if (name == "sqrt") {
      expectevery(
          x, [](const fixedfloat& f, rounding m) { return f.sqrt(m); },
          veldran_test::ineverymode([&](rounding m) { return veldran_test::sqrtmodel(x, m); }),
          what);
    } else if (name == "exp") {
      expectevery(
          x, [](const fixedfloat& f, rounding m) { return f.exp(m); }, veldran_test::expmodel(x),
          what);
    } else if (name == "ln" || name == "log10") {
      const bool base10 = name == "log10";
      expectevery(
          x, [base10](const fixedfloat& f, rounding m) { return base10 ? f.log10(m) : f.ln(m); },
          veldran_test::lnmodel(x, base10), what);
    } else if (c.root == nullptr) {
      const long long n = std::stoll(c.y);
      expectevery(
          x, [n](const fixedfloat& f, rounding m) { return f.pow(n, m); },
          veldran_test::ineverymode([&](rounding m) { return veldran_test::powmodel(x, n, m); }),
          what);
    } else {
      const fixedfloat y(c.length, c.y);
      const auto call = [&y](const fixedfloat& f, rounding m) { return f.pow(y, m); };
      const mathoperand root = operandof(c.length, c.root);
      expectevery(x, call,
                  k == 0 ? veldran_test::ineverymode(
                               [&](rounding m) { return veldran_test::powmodel(root, c.p, m); })
                         : veldran_test::exppowmodel(x, operandof(c.length, c.y)),
                  what);
    }
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, MathematicsExact, testing::Values(
    exactcase{"sqrt", 4, "2.25", nullptr, nullptr, 0},
    exactcase{"sqrt", 40, "0.0001", nullptr, nullptr, 0},
    exactcase{"sqrt", 8, "-0", nullptr, nullptr, 0},
    exactcase{"pow", 8, "4", "0.5", "2", 1},
    exactcase{"pow", 4, "6.25", "1.5", "2.5", 3},       // a tie: 15.625
    exactcase{"pow", 8, "0.25", "-1.5", "0.5", -3},
    exactcase{"pow", 16, "1.1", "2", nullptr, 0},
    exactcase{"pow", 2, "0.5", "2", nullptr, 0},        // a tie: 0.25
    exactcase{"pow", 2, "-0.1", "3", nullptr, 0},       // -0.001 rounds to -0.0
    exactcase{"pow", 12, "1.5", "-3", nullptr, 0},
    exactcase{"log10", 8, "1000", nullptr, nullptr, 0},
    exactcase{"log10", 8, "0.001", nullptr, nullptr, 0},
    exactcase{"exp", 8, "0", nullptr, nullptr, 0},
    exactcase{"exp", 40, "0", nullptr, nullptr, 0},
    exactcase{"ln", 8, "1", nullptr, nullptr, 0},
    exactcase{"ln", 40, "1", nullptr, nullptr, 0}),
    [](const testing::TestParamInfo<exactcase>& info) {
      return info.param.name + std::to_string(info.index);
    });
// clang-format on

// --- Refusals ----------------------------------------------------------------------

struct refusalcase {
  const char* what;
  unsigned long long length;
  const char* x;
  std::function<fixedfloat(const fixedfloat&)> call;
  const char* expected;
};

TEST(MathematicsRefusals, ComeBeforeTheResultAndLeaveTheOperand) {
  const fixedfloat half(16, "0.5");
  const fixedfloat minushalf(16, "-0.5");
  const fixedfloat eight(8, "2");
  const fixedfloat threehalves(16, "3.5");
  const std::vector<refusalcase> cases{
      {"sqrt of a negative", 16, "-0.01", [](const fixedfloat& f) { return f.sqrt(); },
       veldran_test::kDomain},
      {"ln of zero", 16, "0", [](const fixedfloat& f) { return f.ln(); }, veldran_test::kDomain},
      {"ln of -0", 16, "-0", [](const fixedfloat& f) { return f.ln(); }, veldran_test::kDomain},
      {"log10 of a negative", 16, "-10", [](const fixedfloat& f) { return f.log10(); },
       veldran_test::kDomain},
      {"exp past the top", 16, "100", [](const fixedfloat& f) { return f.exp(); },
       veldran_test::kOverflow},
      {"0 to a negative power", 16, "0", [](const fixedfloat& f) { return f.pow(-1); },
       veldran_test::kZeroDivisor},
      {"0 to a negative fraction", 16, "0", [&](const fixedfloat& f) { return f.pow(minushalf); },
       veldran_test::kZeroDivisor},
      {"a negative to a fraction", 16, "-4", [&](const fixedfloat& f) { return f.pow(half); },
       veldran_test::kDomain},
      {"a huge power", 16, "2", [](const fixedfloat& f) { return f.pow(1000000000000000000LL); },
       veldran_test::kOverflow},
      {"a huge inverse power", 16, "0.5",
       [](const fixedfloat& f) { return f.pow(-1000000000000000000LL); }, veldran_test::kOverflow},
      {"a power just past the top", 16, "10", [](const fixedfloat& f) { return f.pow(8); },
       veldran_test::kOverflow},
      {"a fractional power past the top", 16, "1000",
       [&](const fixedfloat& f) { return f.pow(threehalves); }, veldran_test::kOverflow},
      {"an exponent of another length", 16, "2", [&](const fixedfloat& f) { return f.pow(eight); },
       "length_error: Size is not equal!"},
  };
  for (const refusalcase& c : cases) {
    const fixedfloat x(c.length, c.x);
    const std::string before = textof(x);
    veldran_test::LogCapture log;
    EXPECT_EQ(veldran_test::outcomeof([&] {
                try {
                  return textof(c.call(x));
                } catch (const std::length_error& e) {
                  return std::string("length_error: ") + e.what();
                }
              }),
              c.expected)
        << c.what;
    EXPECT_TRUE(log.messages().empty()) << c.what << " logged";
    EXPECT_EQ(textof(x), before) << c.what;
  }
}

TEST(MathematicsRefusals, AnUnknownModeIsRefusedByEveryFunction) {
  const fixedfloat x(8, "2");
  const auto bad = static_cast<rounding>(99);
  EXPECT_THROW(x.sqrt(bad), std::invalid_argument);
  EXPECT_THROW(x.exp(bad), std::invalid_argument);
  EXPECT_THROW(x.ln(bad), std::invalid_argument);
  EXPECT_THROW(x.log10(bad), std::invalid_argument);
  EXPECT_THROW(x.pow(2, bad), std::invalid_argument);
  EXPECT_THROW(x.pow(x, bad), std::invalid_argument);
}

TEST(MathematicsRefusals, AHugeIntegerPowerFailsAtOnce) {
  const fixedint two(20, 2);
  const fixedint ten(20, 10);
  EXPECT_THROW(two.pow(1000000000000000000ULL), std::overflow_error);
  EXPECT_THROW(ten.pow(20), std::overflow_error);
  EXPECT_EQ(ten.pow(19).asstring(), "1" + std::string(19, '0'));
  EXPECT_EQ(fixedint(20, 0).pow(0).asstring(), "1");
}

// --- Log lines ----------------------------------------------------------------------

TEST(MathematicsLog, EachFunctionWritesOnlyItsResultsLines) {
  std::vector<std::string> made;
  {
    veldran_test::LogCapture log;
    { const fixedfloat result(16); }
    made = log.messages();
  }
  const fixedfloat x(16, "1.5");
  const fixedfloat near1(16, "1.00001");  // a power too long to work out exactly
  const std::vector<std::function<fixedfloat()>> calls{
      [&] { return x.sqrt(); },  [&] { return x.exp(); },
      [&] { return x.ln(); },    [&] { return x.log10(); },
      [&] { return x.pow(3); },  [&] { return x.pow(x); },
      [&] { return x.pow(-7); }, [&] { return near1.pow(100000LL); }};
  for (const auto& call : calls) {
    veldran_test::LogCapture log;
    { const fixedfloat result = call(); }
    EXPECT_EQ(log.messages(), made);
  }
  std::vector<std::string> intmade;
  {
    veldran_test::LogCapture log;
    { const fixedint result(12); }
    intmade = log.messages();
  }
  const fixedint i(12, -3);
  veldran_test::LogCapture log;
  { const fixedint result = i.pow(7); }
  EXPECT_EQ(log.messages(), intmade);
}

}  // namespace
