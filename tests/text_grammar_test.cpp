// Text as people write it, read the same way by every way in: blanks
// around, a sign, "5.", ".5", exponents. Each value is stored exactly or
// refused, and a refusal of the form quotes the text.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/exceptions.h"
#include "support/model.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using veldran_test::floatmodel;
using veldran_test::intmodel;
using veldran_test::outcome;
using veldran_test::textmessage;

// outcomeof(), with the text refusals too.
template <typename Call>
std::string outcomeof(Call call) {
  try {
    return veldran_test::outcomeof(call);
  } catch (const std::invalid_argument& e) {
    return std::string("invalid_argument: ") + e.what();
  }
}

std::string inttext(const intmodel& m) {
  return (m.negative ? "-" : "") + veldran_test::decimal(m.magnitude);
}

// What assigning `text` to a fixedint `before` must give, as outcomeof()
// writes it: the record's text afterwards, or the refusal.
std::string expectedint(const intmodel& before, const std::string& text) {
  const auto r = veldran_test::inttextmodel(before, text);
  if (r.result != outcome::value) {
    return std::string(veldran_test::errorname(r.result)) + ": " +
           textmessage(r.result, text).c_str();  // what() ends at a NUL
  }
  return inttext(r.after);
}

std::string expectedfloat(const floatmodel& before, const std::string& text) {
  const auto r = veldran_test::floattextmodel(before, text);
  if (r.result != outcome::value) {
    return std::string(veldran_test::errorname(r.result)) + ": " +
           textmessage(r.result, text).c_str();
  }
  return veldran_test::floattext(r.after);
}

// Assigns `text` to a copy of `x`; a refused text must leave it as it was.
std::string assignint(const fixedint& x, const std::string& text) {
  fixedint target(x);
  const std::string result = outcomeof([&] { return (target = text).asstring(); });
  if (result.find(": ") != std::string::npos && !(target == x)) return "changed by " + result;
  return result;
}

std::string assignfloat(const fixedfloat& x, const std::string& text) {
  fixedfloat target(x);
  const std::string result = outcomeof([&] { return (target = text).asstring(); });
  if (result.find(": ") != std::string::npos && !(target == x)) return "changed by " + result;
  return result;
}

// Each form next to the texts it must not take.
// clang-format off
const std::string kTexts[] = {
    " 5.00", "5.00\r", "\t-7\n", "\v+3\f", " \r\n 12 \t",    // blanks of every kind
    "5.", ".5", "-.5", "+5.", "0.", ".0", "-0.", "007.",      // a point at either end
    "1e3", "1E3", "1.25E-2", "120e-1", "1e+2", ".5e1", "5.e-1",  // exponents
    "-0e5", "0.0e-9", "9999e0", "1e4", "99990e-1", "0.00010e4", "1e-4", "1e-5",
    "12345e-1", "1234.5e1", "-0.001e-1", "000120.000e-1", "1e0000000000000000000003",
    "", " ", ".", "+", "-", "+.", ".e1", "e1", "1e", "1e+", "1e-", "1e1.5", "1 e1",
    "1e 1", "1 .5", "- 5", "+-5", "1..5", "1.5.", "1,5", "5.00x", "\xc2\xa0" "5",
    "0x10", "1e1e1", "inf", "nan", "1d3", "1.5f", std::string("5\0", 2), "\x01" "5",
};
// clang-format on

TEST(TextGrammar, EachFormIsStoredExactlyOrRefusedWithItsMessage) {
  for (const bool hassign : {true, false}) {
    fixedint x(4, -9876);  // every old digit and the sign must go
    x.hassign = hassign;
    intmodel xm = veldran_test::freshint(4);
    xm.magnitude = 9876;
    xm.negative = true;
    xm.hassign = hassign;
    const fixedfloat f(8, "-12.5");
    floatmodel fm = veldran_test::freshfloat(8);
    fm.value.magnitude = 125000;
    fm.value.negative = fm.negative = true;
    for (const std::string& text : kTexts) {
      SCOPED_TRACE(::testing::PrintToString(text));
      EXPECT_EQ(assignint(x, text), expectedint(xm, text));
      EXPECT_EQ(assignfloat(f, text), expectedfloat(fm, text));
    }
  }
}

// A few readings written out, should the model and the library agree on a
// wrong one.
TEST(TextGrammar, ReadsWhatPeopleWrite) {
  const struct {
    std::string text, intoint, intofloat;
  } cases[] = {
      {" 5.00\r", "5", "5.0"},
      {"-.5", "invalid_argument: Not a whole number! \"-.5\"", "-0.5"},
      {"120e-1", "12", "12.0"},
      {"1.25E-2", "invalid_argument: Not a whole number! \"1.25E-2\"", "0.0125"},
      {"-0e7", "-0", "-0.0"},
      {"1,5", "invalid_argument: Not a decimal number! \"1,5\"",
       "invalid_argument: Not a decimal number! \"1,5\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(assignint(fixedint(4), c.text), c.intoint);
    EXPECT_EQ(assignfloat(fixedfloat(8), c.text), c.intofloat);
  }
}

TEST(TextGrammar, RefusalQuotesTheFirstSixtyFourBytesOfTheText) {
  for (const std::size_t length : {63U, 64U, 65U, 1000U}) {
    SCOPED_TRACE(length);
    const std::string malformed = std::string(length - 1, '1') + "x";
    const std::string fraction = "0." + std::string(length - 3, '0') + "1";
    const std::string shown = length > 64 ? "...\"" : "\"";
    fixedint x(4);
    EXPECT_EQ(veldran_test::whatof<std::invalid_argument>([&] { x = malformed; }),
              "Not a decimal number! \"" + malformed.substr(0, 64) + shown);
    EXPECT_EQ(veldran_test::whatof<std::invalid_argument>([&] { x = fraction; }),
              "Not a whole number! \"" + fraction.substr(0, 64) + shown);
  }
}

// A reading that wrote out the exponent's zeros, or kept it in a machine
// integer that wraps, would hang, run out of memory or take these.
TEST(TextGrammar, ExponentsOfAnySizeCostTheirLengthAlone) {
  const std::string nines(100000, '9');
  const struct {
    std::string text, intoint, intofloat;
  } cases[] = {
      {"1e999999999999", "out_of_range: Input int bigger than size!",
       "out_of_range: Input int bigger than size!"},
      {"1e18446744073709551617", "out_of_range: Input int bigger than size!",
       "out_of_range: Input int bigger than size!"},
      {"-1e-" + nines,
       "invalid_argument: Not a whole number! \"-1e-" + nines.substr(0, 60) + "...\"",
       "length_error: Fraction of text too big to fit in fixedfloat!"},
      {"-0e" + nines, "-0", "-0.0"},
      {"0." + std::string(99999, '0') + "1e100003", "1000", "1000.0"},
      {std::string(100000, '0') + "25e-1",
       "invalid_argument: Not a whole number! \"" + std::string(64, '0') + "...\"", "2.5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 30));
    EXPECT_EQ(assignint(fixedint(4), c.text), c.intoint);
    EXPECT_EQ(assignfloat(fixedfloat(8), c.text), c.intofloat);
  }
}

TEST(TextGrammar, ConstructorsAndStreamsReadTheSameGrammar) {
  EXPECT_EQ(fixedint(4, " 120e-1\r\n").asstring(), "12");
  EXPECT_EQ(fixedfloat(8, "\t.5").asstring(), "0.5");
  EXPECT_EQ(veldran_test::whatof<std::invalid_argument>([] { fixedint(4, "2.5"); }),
            "Not a whole number! \"2.5\"");
  EXPECT_EQ(veldran_test::whatof<std::invalid_argument>([] { fixedfloat(8, "1 5"); }),
            "Not a decimal number! \"1 5\"");

  std::istringstream in("1e3\r\n-5. 2.5 .25E2\r\n");
  fixedint i(4);
  fixedfloat f(8);
  in >> i >> f;
  EXPECT_EQ(i.asstring(), "1000");
  EXPECT_EQ(f.asstring(), "-5.0");
  in >> i;  // not whole: refused, unchanged
  EXPECT_TRUE(in.fail());
  EXPECT_EQ(i.asstring(), "1000");
  in.clear();
  in >> f;
  EXPECT_EQ(f.asstring(), "25.0");
}

// Texts put together from the grammar's pieces, now and then a wrong one,
// into numbers of every size up to 36 places.
std::string randomtext(std::mt19937_64& random) {
  const auto pick = [&random](std::initializer_list<const char*> pieces) {
    return std::string(pieces.begin()[random() % pieces.size()]);
  };
  const auto digits = [&random](std::size_t most) {
    std::string run(random() % (most + 1), '0');
    for (char& c : run) c = static_cast<char>('0' + (random() % 3 == 0 ? 0 : random() % 10));
    return run;
  };
  std::string text = pick({"", "", " ", "\t", "\r\n"}) + pick({"", "", "-", "+"});
  text += digits(12) + pick({"", ".", "."}) + digits(12);
  if (random() % 2 == 0) {
    text += pick({"e", "E"}) + pick({"", "-", "+"}) + digits(2);
  }
  text += pick({"", "", "", " ", "\r", "x", "."});
  return text;
}

TEST(TextGrammar, RandomTextsAgreeWithTheModel) {
  std::mt19937_64 random(20261211);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = randomtext(random);
    SCOPED_TRACE(::testing::PrintToString(text));
    const unsigned long long places = random() % 37;
    fixedint x(places);
    x.hassign = random() % 4 != 0;
    x.negative = random() % 2 == 0;
    intmodel xm = veldran_test::freshint(places);
    xm.hassign = x.hassign;
    xm.negative = x.negative;
    EXPECT_EQ(assignint(x, text), expectedint(xm, text));
    const unsigned long long length = 2 * (random() % 19);
    EXPECT_EQ(assignfloat(fixedfloat(length), text),
              expectedfloat(veldran_test::freshfloat(length), text));
  }
}

}  // namespace
