// Checks shared by the arithmetic tests of fixedint and fixedfloat: each
// takes the number type as it comes, as both offer the same operations.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"

namespace veldran_test {

// What a call did: the text it threw (empty when it returned) and the
// lines it logged.
struct Effect {
  std::string threw;
  std::vector<std::string> lines;
};

inline Effect effectof(const std::function<void()>& call) {
  Effect effect;
  LogCapture capture;
  try {
    call();
  } catch (const std::exception& error) {
    effect.threw = error.what();
  }
  effect.lines = capture.messages();
  return effect;
}

// A compound assignment and what it stands for: the operator, then the
// assignment, the target keeping its flags.
template <typename Number>
struct Assignment {
  const char* symbol;
  std::function<void(Number&, const Number&)> compound, plain;
};

// x = result, x keeping the flags a result never inherits; no other copy,
// whose deletion would be logged.
inline void assignkeepingflags(VELDRAN::fixedint& x, const VELDRAN::fixedint& result) {
  const bool hassign = x.hassign;
  const bool overflowthrows = x.overflowthrows;
  x = result;
  x.hassign = hassign;
  x.overflowthrows = overflowthrows;
}

inline void assignkeepingflags(VELDRAN::fixedfloat& x, const VELDRAN::fixedfloat& result) {
  const bool hassign = x.hassign;
  const bool valuehassign = x.value.hassign;
  const bool overflowthrows = x.value.overflowthrows;
  x = result;
  x.hassign = hassign;
  x.value.hassign = valuehassign;
  x.value.overflowthrows = overflowthrows;
}

template <typename Number>
Assignment<Number> subtractassign() {
  return {"-=", [](Number& x, const Number& y) { x -= y; },
          [](Number& x, const Number& y) { assignkeepingflags(x, x - y); }};
}

template <typename Number>
Assignment<Number> multiplyassign() {
  return {"*=", [](Number& x, const Number& y) { x *= y; },
          [](Number& x, const Number& y) { assignkeepingflags(x, x * y); }};
}

template <typename Number>
Assignment<Number> divideassign() {
  return {"/=", [](Number& x, const Number& y) { x /= y; },
          [](Number& x, const Number& y) { assignkeepingflags(x, x / y); }};
}

template <typename Number>
Assignment<Number> restassign() {
  return {"%=", [](Number& x, const Number& y) { x %= y; },
          [](Number& x, const Number& y) { assignkeepingflags(x, x % y); }};
}

// The compound assignment does what the operator and the assignment do on a
// copy of its left operand: the same refusal, the same lines and the same
// value left behind. `record` shows every field of a number.
template <typename Number>
void expectcompoundasplain(const Number& a, const Number& b, const Assignment<Number>& assignment,
                           const std::function<std::string(const Number&)>& record) {
  Number viacompound = a;
  Number viaplain = a;
  const Effect bycompound = effectof([&] { assignment.compound(viacompound, b); });
  const Effect byplain = effectof([&] { assignment.plain(viaplain, b); });
  EXPECT_EQ(bycompound.threw, byplain.threw);
  EXPECT_EQ(bycompound.lines, byplain.lines);
  EXPECT_EQ(record(viacompound), record(viaplain));
  if (!bycompound.threw.empty()) {
    EXPECT_EQ(record(viacompound), record(a));
  }
}

// An operation leaves both operands as they were, also when it is refused.
template <typename Number>
void expectoperandskept(const Number& a, const Number& b,
                        const std::function<Number(const Number&, const Number&)>& operation,
                        const std::function<std::string(const Number&)>& record) {
  const std::string beforea = record(a);
  const std::string beforeb = record(b);
  effectof([&] { operation(a, b); });
  EXPECT_EQ(record(a), beforea);
  EXPECT_EQ(record(b), beforeb);
}

// Each operation logs the lines of its result's birth and death alone.
template <typename Number>
void expectlogsonly(const std::vector<std::function<Number()>>& operations,
                    const std::vector<std::string>& expected) {
  for (const auto& operation : operations) {
    LogCapture capture;
    { const Number result = operation(); }
    EXPECT_EQ(capture.messages(), expected);
  }
}

// todouble gives the nearest double, sign of zero included, logging nothing.
template <typename Number>
void expecttodouble(const Number& x, double expected) {
  LogCapture capture;
  const double value = x.todouble();
  EXPECT_EQ(capture.messages(), std::vector<std::string>{});
  EXPECT_EQ(value, expected);
  EXPECT_EQ(std::signbit(value), std::signbit(expected));
}

// Every digit of each result lies in 0..9 when the operands hold digits set
// by hand outside it; `digitsof` picks a number's digits. Magnitudes read
// modulo ten may give a result that does not fit: that refusal is allowed.
template <typename Number>
void expectdigitsatrest(const std::vector<std::function<Number()>>& operations,
                        const std::function<std::vector<std::int8_t>(const Number&)>& digitsof) {
  for (const auto& operation : operations) {
    try {
      const Number result = operation();
      for (const std::int8_t digit : digitsof(result)) {
        EXPECT_TRUE(digit >= 0 && digit <= 9);
      }
    } catch (const std::overflow_error&) {
    }
  }
}

// A digit set by hand in one operand alone is read modulo ten: each
// operation gives what it gives with that digit at rest, whichever operand
// holds it and wherever it lies. `show` writes a result; `digitsof` picks a
// number's digits, of which there are `places`.
template <typename Number>
void expecthandsetdigitreadmoduloten(
    const Number& a, const Number& b, std::size_t places,
    const std::vector<std::function<Number(const Number&, const Number&)>>& operations,
    const std::function<std::vector<std::int8_t>&(Number&)>& digitsof,
    const std::function<std::string(const Number&)>& show) {
  const auto outcome = [&](const auto& operation, const Number& x, const Number& y) {
    try {
      return show(operation(x, y));
    } catch (const std::exception& error) {
      return std::string("threw ") + error.what();
    }
  };
  const std::int8_t handset[] = {10, 13, 127, -1, -128};
  for (std::size_t place = 0; place < places; place += 5) {
    for (const std::int8_t digit : handset) {
      for (const bool left : {true, false}) {
        SCOPED_TRACE("place " + std::to_string(place) + " digit " + std::to_string(digit) +
                     (left ? " left" : " right"));
        Number odd = left ? a : b;
        Number atrest = odd;
        digitsof(odd)[place] = digit;
        digitsof(atrest)[place] = static_cast<std::int8_t>((digit % 10 + 10) % 10);
        for (const auto& operation : operations) {
          EXPECT_EQ(left ? outcome(operation, odd, b) : outcome(operation, a, odd),
                    left ? outcome(operation, atrest, b) : outcome(operation, a, atrest));
        }
      }
    }
  }
}

}  // namespace veldran_test
