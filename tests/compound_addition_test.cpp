// += totals signed amounts exactly and never wraps; every compound
// assignment keeps its target's flags.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"
#include "support/model.h"
#include "support/records.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using veldran_test::bigfloatmodel;
using veldran_test::bigintmodel;
using veldran_test::bigresult;
using veldran_test::LogCapture;
using veldran_test::outcome;
using veldran_test::show;

// Magnitudes at the edges of four places, each with both signs.
const unsigned kMagnitudes[] = {0, 1, 4999, 5000, 5001, 9998, 9999};

bigintmodel intof(unsigned magnitude, bool negative, bool hassign) {
  bigintmodel m = veldran_test::freshbig(4);
  m.magnitude = veldran_test::bigof(magnitude);
  m.negative = negative;
  m.hassign = hassign;
  m.overflowthrows = !hassign;  // never read by +=
  return m;
}

// The result, or the target unchanged after a refusal that logged nothing.
template <typename Number>
void expectsum(Number& target, const Number& other, const std::string& want, bool made,
               const std::string& before, unsigned long long places) {
  const std::string right = show(other);
  veldran_test::expectresult<Number>("+=", want, made, places, [&] {
    target += other;
    return show(target);
  });
  if (!made) {
    EXPECT_EQ(show(target), before);
  }
  EXPECT_EQ(show(other), right);
}

TEST(CompoundAddition, FixedintSumIsExactForEverySignPairOrRefusedUnchanged) {
  for (const bool hassign : {true, false}) {
    for (const unsigned x : kMagnitudes) {
      for (const unsigned y : kMagnitudes) {
        for (const int signs : {0, 1, 2, 3}) {
          const bigintmodel a = intof(x, (signs & 1) != 0, hassign);
          const bigintmodel b = intof(y, (signs & 2) != 0, true);
          SCOPED_TRACE(show(a) + " += " + show(b));
          bigresult r = veldran_test::addassignmodel(a, b);
          r.value.hassign = a.hassign;
          r.value.overflowthrows = a.overflowthrows;
          fixedint target = veldran_test::build(a);
          const bool made = r.result == outcome::value;
          expectsum(target, veldran_test::build(b), veldran_test::expected(r), made, show(a), 4);
          if (HasFailure()) return;
        }
      }
    }
  }
}

TEST(CompoundAddition, FixedfloatSumIsExactForEverySignPairOrRefusedUnchanged) {
  for (const unsigned x : kMagnitudes) {
    for (const unsigned y : kMagnitudes) {
      for (const int signs : {0, 1, 2, 3}) {
        bigfloatmodel a{4, intof(x, (signs & 1) != 0, true)};
        a.value.overflowthrows = true;  // never read by +=
        const bigfloatmodel b{4, intof(y, (signs & 2) != 0, true)};
        SCOPED_TRACE(show(a, false) + " += " + show(b, true));
        const bigresult r = veldran_test::floataddassignmodel(a, b);
        const bool made = r.result == outcome::value;
        std::string want = veldran_test::refusal(r.result, 0);
        if (made) {
          bigfloatmodel sum{4, r.value};
          sum.value.overflowthrows = true;
          want = show(sum, false);
        }
        fixedfloat target = veldran_test::build(a, false);
        expectsum(target, veldran_test::build(b, true), want, made, show(a, false), 4);
        if (HasFailure()) return;
      }
    }
  }
}

TEST(CompoundAddition, OperandsOfOtherSizesAreRefusedWithoutALine) {
  fixedint total(4, 12);
  fixedfloat amount(4, 12);
  const fixedint wider(5, 1);
  const fixedfloat longer(6, 1);
  const LogCapture capture;
  EXPECT_THROW(total += wider, std::length_error);
  EXPECT_THROW(amount += longer, std::length_error);
  EXPECT_EQ(capture.messages(), std::vector<std::string>{});
  EXPECT_EQ(total.asstring(), "12");
  EXPECT_EQ(amount.asstring(), "12.0");
}

// --- Flags ------------------------------------------------------------------------------

TEST(CompoundAssignment, TargetKeepsItsOwnFlags) {
  using intassign = void (*)(fixedint&, const fixedint&);
  const intassign intassignments[] = {
      [](fixedint& x, const fixedint& y) { x += y; },
      [](fixedint& x, const fixedint& y) { x -= y; },
      [](fixedint& x, const fixedint& y) { x *= y; },
      [](fixedint& x, const fixedint& y) { x /= y; },
      [](fixedint& x, const fixedint& y) { x %= y; },
      [](fixedint& x, const fixedint&) { x += 3; },
      [](fixedint& x, const fixedint&) { x -= 3; },
      [](fixedint& x, const fixedint&) { x *= 3; },
      [](fixedint& x, const fixedint&) { x /= 3; },
      [](fixedint& x, const fixedint&) { x %= 3; },
  };
  for (const intassign assign : intassignments) {
    fixedint x(6, 120);
    x.hassign = false;
    x.overflowthrows = true;
    assign(x, fixedint(6, 7));
    EXPECT_FALSE(x.hassign);
    EXPECT_TRUE(x.overflowthrows);
  }
  using floatassign = void (*)(fixedfloat&, const fixedfloat&);
  const floatassign floatassignments[] = {
      [](fixedfloat& x, const fixedfloat& y) { x += y; },
      [](fixedfloat& x, const fixedfloat& y) { x -= y; },
      [](fixedfloat& x, const fixedfloat& y) { x *= y; },
      [](fixedfloat& x, const fixedfloat& y) { x /= y; },
      [](fixedfloat& x, const fixedfloat&) { x += 3; },
      [](fixedfloat& x, const fixedfloat&) { x -= 3; },
      [](fixedfloat& x, const fixedfloat&) { x *= 3; },
      [](fixedfloat& x, const fixedfloat&) { x /= 3; },
  };
  for (const floatassign assign : floatassignments) {
    fixedfloat x(8, 12);
    x.hassign = false;
    x.value.hassign = false;
    x.value.overflowthrows = true;
    assign(x, fixedfloat(8, 7));
    EXPECT_FALSE(x.hassign);
    EXPECT_FALSE(x.value.hassign);
    EXPECT_TRUE(x.value.overflowthrows);
  }
}

}  // namespace
