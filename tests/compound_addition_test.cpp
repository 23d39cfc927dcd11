// What the model checks of += and the compound assignments elsewhere
// (arithmetic_random_test) leaves out: refusals of other sizes write no
// line, and every compound form keeps its target's flags.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using veldran_test::LogCapture;

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
