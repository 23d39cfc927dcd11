// Text as people write it, read the same way by every way in: blanks
// around, a sign, "5.", ".5", exponents. Each value is stored exactly or
// refused, and a refusal of the form quotes the text.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/model.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using veldran_test::outcome;

// Assigns `text` to a copy of `x`: its text afterwards, or the refusal (a
// refused text must leave the copy as it was).
template <typename Number>
std::string assign(const Number& x, const std::string& text) {
  Number target(x);
  std::string result;
  try {
    result = veldran_test::outcomeof([&] { return (target = text).asstring(); });
  } catch (const std::invalid_argument& e) {
    result = std::string("invalid_argument: ") + e.what();
  }
  const bool refused = result.find(": ") != std::string::npos;
  return refused && !(target == x) ? "changed: " + result : result;
}

// What the model says of it, in the same form; what() ends at a NUL.
template <typename Result>
std::string expected(const Result& r, const std::string& text, const std::string& value) {
  if (r.result == outcome::value) return value;
  return std::string(veldran_test::errorname(r.result)) + ": " +
         veldran_test::textmessage(r.result, text).c_str();
}

// Each form next to the texts it must not take; huge exponents and long
// runs of zeros must cost their length alone; refusals of 64 and 65 bytes.
// clang-format off
const std::string kTexts[] = {
    " 5.00", "5.00\r", "\t-7\n", "\v+3\f", " \r\n 12 \t", "5.", ".5", "-.5", "+5.", "0.",
    "-0.", "1e3", "1E3", "1.25E-2", "120e-1", "1e+2", ".5e1", "5.e-1", "-0e5", "0.0e-9",
    "99990e-1", "0.00010e4", "1e-4", "1e-5", "12345e-1", "1234.5e1", "000120.000e-1",
    "1e999999999999", "1e18446744073709551617", "-1e-999999999999", "0e99999999999999999999",
    "0." + std::string(99999, '0') + "1e100003", std::string(100000, '0') + "25e-1",
    "", " ", ".", "+", "-", "+.", ".e1", "e1", "1e", "1e+", "1e-", "1e1.5", "1 e1", "1e 1",
    "1 .5", "- 5", "+-5", "1..5", "1.5.", "1,5", "5.00x", "\xc2\xa0" "5", "0x10", "1e1e1",
    "inf", "nan", "1.5f", std::string("5\0", 2), "\x01" "5", std::string(63, '1') + "x",
    std::string(64, '1') + "x", "0." + std::string(61, '0') + "1", "0." + std::string(62, '0') + "1",
};
// clang-format on

TEST(TextGrammar, EachFormIsStoredExactlyOrRefusedWithItsMessage) {
  const fixedint x(4, -9876);  // every old digit and the sign must go
  veldran_test::intmodel xm = veldran_test::freshint(4);
  xm.magnitude = 9876;
  xm.negative = true;
  const fixedfloat f(8, "-12.5");
  veldran_test::floatmodel fm = veldran_test::freshfloat(8);
  fm.value.magnitude = 125000;
  fm.value.negative = fm.negative = true;
  for (const std::string& text : kTexts) {
    SCOPED_TRACE(::testing::PrintToString(text.substr(0, 40)));
    const auto i = veldran_test::inttextmodel(xm, text);
    const auto fl = veldran_test::floattextmodel(fm, text);
    const std::string intvalue =
        (i.after.negative ? "-" : "") + veldran_test::decimal(i.after.magnitude);
    EXPECT_EQ(assign(x, text), expected(i, text, intvalue));
    EXPECT_EQ(assign(f, text), expected(fl, text, veldran_test::floattext(fl.after)));
  }
}

// Should the model and the library agree on a wrong reading.
TEST(TextGrammar, ReadsWhatPeopleWrite) {
  const struct {
    std::string text, intoint, intofloat;
  } cases[] = {
      {" 5.00\r", "5", "5.0"},
      {"120e-1", "12", "12.0"},
      {"-.125E1", "invalid_argument: Not a whole number! \"-.125E1\"", "-1.25"},
      {"1,5", "invalid_argument: Not a decimal number! \"1,5\"",
       "invalid_argument: Not a decimal number! \"1,5\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(assign(fixedint(4), c.text), c.intoint);
    EXPECT_EQ(assign(fixedfloat(8), c.text), c.intofloat);
  }
}

}  // namespace
