// Number records as text that shows every field an operation may touch,
// records built from the model, and the check that an operation gives
// what the model says with the lines of one fresh result.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"
#include "support/model.h"

namespace veldran_test {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;

inline std::string show(const bigintmodel& m) {
  const std::vector<std::int8_t> digits = veldran_test::bigdigits(m.magnitude, m.size);
  std::string text = m.negative ? "-" : "+";
  for (auto d = digits.rbegin(); d != digits.rend(); ++d) text += static_cast<char>('0' + *d);
  if (veldran_test::bigplaces(m.magnitude) > m.size) text += " (does not fit)";
  return text + (m.hassign ? " h" : "") + (m.overflowthrows ? " o" : "");
}

inline std::string show(const fixedint& x) {
  std::string text = x.negative ? "-" : "+";
  for (auto d = x.digits.rbegin(); d != x.digits.rend(); ++d) {
    text += (*d >= 0 && *d <= 9) ? std::string(1, static_cast<char>('0' + *d))
                                 : "[" + std::to_string(*d) + "]";
  }
  if (x.size != x.digits.size()) text += " size " + std::to_string(x.size);
  return text + (x.hassign ? " h" : "") + (x.overflowthrows ? " o" : "");
}

// A fixedfloat's own fields, then its value's.
inline std::string show(const bigfloatmodel& f, bool hassign) {
  return "length " + std::to_string(f.length) + (hassign ? " h " : " ") +
         (f.value.negative ? "neg " : "pos ") + show(f.value);
}

inline std::string show(const fixedfloat& f) {
  return "length " + std::to_string(f.length) + (f.hassign ? " h " : " ") +
         (f.negative ? "neg " : "pos ") + show(f.value);
}

inline fixedint build(const bigintmodel& m) {
  fixedint x(m.size);
  x.digits = veldran_test::bigdigits(m.magnitude, m.size);
  x.negative = m.negative;
  x.hassign = m.hassign;
  x.overflowthrows = m.overflowthrows;
  return x;
}

inline fixedfloat build(const bigfloatmodel& f, bool hassign) {
  fixedfloat x(f.length);
  x.value = build(f.value);
  x.negative = f.value.negative;
  x.hassign = hassign;
  return x;
}

// --- Outcomes -----------------------------------------------------------------------

inline std::string refusal(outcome o, unsigned long long size) {
  return std::string(veldran_test::errorname(o)) + ": " + veldran_test::message(o, size);
}

inline std::string expected(const bigresult& r) {
  return r.result == outcome::value ? show(r.value) : refusal(r.result, 0);
}

// A fresh fixedfloat around the result record.
inline std::string expectedfloat(const bigresult& r, unsigned long long length) {
  if (r.result != outcome::value) return refusal(r.result, 0);
  bigfloatmodel f;
  f.length = length;
  f.value = r.value;
  return show(f, true);
}

// The lines one record made by the count constructor writes in its life.
template <typename Number>
std::vector<std::string> onelife(unsigned long long places) {
  const LogCapture capture;
  { const Number x(places); }
  return capture.messages();
}

// Runs `call`, which returns the result's text, against `want`; a result
// must have logged exactly the life of one count-constructed record.
template <typename Number, typename Call>
void expectresult(const std::string& operation, const std::string& want, bool made,
                  unsigned long long places, Call call) {
  SCOPED_TRACE(operation);
  const std::vector<std::string> life = onelife<Number>(places);
  const LogCapture capture;
  EXPECT_EQ(outcomeof(call), want);
  if (made) {
    EXPECT_EQ(capture.messages(), life);
  }
}

}  // namespace veldran_test
