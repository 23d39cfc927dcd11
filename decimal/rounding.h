// The rounding decision shared by every operation that drops digits; not
// installed.
#pragma once

#include <stdexcept>

#include "decimal/fixedint"

namespace VELDRAN::internal {

// A mode cast from a number outside the seven would otherwise round as
// towardzero silently; every call that takes a mode refuses it first.
inline void requireknownmode(rounding mode) {
  switch (mode) {
    case rounding::towardzero:
    case rounding::awayfromzero:
    case rounding::floor:
    case rounding::ceiling:
    case rounding::halfeven:
    case rounding::halfawayfromzero:
    case rounding::halftowardzero:
      return;
  }
  throw std::invalid_argument("Unknown rounding mode!");
}

// What the dropped digits of a magnitude amount to, against half a unit of
// the lowest kept place.
enum class remainder { zero, belowhalf, half, abovehalf };

// Classifies dropped digits from the highest dropped one and whether any
// digit below it is non-zero.
inline remainder classify(int firstdropped, bool restnonzero) {
  if (firstdropped == 0 && !restnonzero) {
    return remainder::zero;
  }
  if (firstdropped < 5) {
    return remainder::belowhalf;
  }
  if (firstdropped == 5 && !restnonzero) {
    return remainder::half;
  }
  return remainder::abovehalf;
}

// Whether the kept magnitude goes up by one unit of its lowest place.
// `negative` is the exact result's sign; `lastkeptodd` the parity of the
// lowest kept digit.
inline bool roundsup(rounding mode, bool negative, bool lastkeptodd, remainder dropped) {
  if (dropped == remainder::zero) {
    return false;
  }
  switch (mode) {
    case rounding::towardzero:
      return false;
    case rounding::awayfromzero:
      return true;
    case rounding::floor:
      return negative;
    case rounding::ceiling:
      return !negative;
    case rounding::halfeven:
      return dropped == remainder::abovehalf || (dropped == remainder::half && lastkeptodd);
    case rounding::halfawayfromzero:
      return dropped != remainder::belowhalf;
    case rounding::halftowardzero:
      return dropped == remainder::abovehalf;
  }
  return false;
}

}  // namespace VELDRAN::internal
