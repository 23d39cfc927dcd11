// The mixed operations of a number and a built-in integer, picked by the
// model's mixedop, and the twelve comparisons as text; shared by the tests
// and the fuzz target.
#pragma once

#include <stdexcept>
#include <string>
#include <type_traits>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/model.h"

namespace veldran_test {

// x op i, or i op x when `integerleft`.
template <typename Number, typename I>
Number applymixed(mixedop op, bool integerleft, const Number& x, I i) {
  switch (op) {
    case mixedop::add:
      return integerleft ? i + x : x + i;
    case mixedop::subtract:
      return integerleft ? i - x : x - i;
    case mixedop::multiply:
      return integerleft ? i * x : x * i;
    case mixedop::divide:
      return integerleft ? i / x : x / i;
    case mixedop::remainder:
      if constexpr (std::is_same_v<Number, VELDRAN::fixedint>) return integerleft ? i % x : x % i;
      break;
  }
  throw std::logic_error("no such operation");
}

// x op= i.
template <typename Number, typename I>
void applycompound(mixedop op, Number& x, I i) {
  switch (op) {
    case mixedop::add:
      x += i;
      break;
    case mixedop::subtract:
      x -= i;
      break;
    case mixedop::multiply:
      x *= i;
      break;
    case mixedop::divide:
      x /= i;
      break;
    case mixedop::remainder:
      if constexpr (std::is_same_v<Number, VELDRAN::fixedint>) x %= i;
      break;
  }
}

// ==, !=, <, >, <=, >= of x with i, then of i with x, as 0s and 1s.
template <typename Number, typename I>
std::string comparisons(const Number& x, I i) {
  std::string text;
  for (const bool b :
       {x == i, x != i, x<i, x> i, x <= i, x >= i, i == x, i != x, i<x, i> x, i <= x, i >= x}) {
    text += b ? '1' : '0';
  }
  return text;
}

// What they give by the model: x against the integer as a record.
inline std::string comparisonsmodel(const bigintmodel& x, const bigintmodel& y) {
  const bool eq = bigequal(x, y);
  const bool gt = biggreater(x, y);
  const bool lt = !eq && !gt;
  std::string text;
  for (const bool b : {eq, !eq, lt, gt, !gt, !lt, eq, !eq, gt, lt, !lt, !gt}) text += b ? '1' : '0';
  return text;
}

}  // namespace veldran_test
