// A fixedfloat as text with a fixed number of fraction digits, rounded the
// way the arithmetic rounds. Read straight from the digits: no number
// object is made, so nothing is logged.
#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/rounding.h"

namespace VELDRAN {

namespace {

// Adds one unit at kept[0], carrying upwards; a carry out of the top adds
// a place. Digits set by hand outside 0 to 9 take the unit and stop the
// carry, as any digit below 9 does.
void addunit(std::vector<int>& kept) {
  for (int& digit : kept) {
    if (digit != 9) {
      ++digit;
      return;
    }
    digit = 0;
  }
  kept.push_back(1);
}

// Refuses before anything is allocated: the text holds a sign, the
// integer places and a carry out of them, the point and `places` digits.
void refusetoomanyplaces(std::size_t digitcount, unsigned long long places) {
  // A string's own limit differs between standards (C++20's is four times
  // C++17's), so one bound serves both: no memory holds 2^62 digits anyway.
  const unsigned long long room =
      std::min<unsigned long long>(std::string().max_size(), (1ULL << 62U) - 1);
  if (digitcount + 3 > room || places > room - digitcount - 3) {
    throw std::length_error("Too many places!");
  }
}

void appendplace(std::string& text, int digit) {
  if (digit >= 0 && digit <= 9) {
    text.push_back(static_cast<char>('0' + digit));
  } else {
    text += std::to_string(digit);
  }
}

}  // namespace

std::string fixedfloat::asstring(unsigned long long places, rounding mode) const {
  internal::requireknownmode(mode);
  refusetoomanyplaces(value.digits.size(), places);
  const std::vector<std::int8_t>& digits = value.digits;
  const std::size_t half = length / 2;
  // The places below `lowest` are dropped; more places than the number has
  // are written as zeros after its own.
  const std::size_t lowest = places < half ? half - places : 0;
  const unsigned long long padding = places > half ? places - half : 0;

  // kept[k] is the digit of place lowest + k; at least the units place.
  std::vector<int> kept(std::max(digits.size(), half + 1) - lowest, 0);
  for (std::size_t place = lowest; place < digits.size(); ++place) {
    kept[place - lowest] = int{digits[place]};
  }
  if (lowest > 0) {
    bool restnonzero = false;
    for (std::size_t place = 0; place + 1 < lowest; ++place) {
      restnonzero = restnonzero || (place < digits.size() && digits[place] != 0);
    }
    const int firstdropped = lowest - 1 < digits.size() ? digits[lowest - 1] : 0;
    const internal::remainder dropped = internal::classify(firstdropped, restnonzero);
    const bool lastkeptodd = kept[0] % 2 != 0;
    if (internal::roundsup(mode, negative, lastkeptodd, dropped)) {
      addunit(kept);
    }
  }

  // The integer places from the highest non-zero one (the units at least),
  // then the fraction places down to the lowest kept.
  const std::size_t units = half - lowest;
  std::size_t top = kept.size() - 1;
  while (top > units && kept[top] == 0) {
    --top;
  }
  std::string text = negative ? "-" : "";
  for (std::size_t k = top + 1; k > 0; --k) {
    if (k == units) {
      text += '.';
    }
    appendplace(text, kept[k - 1]);
  }
  if (units == 0 && places > 0) {
    text += '.';  // no fraction places of its own: all of them are padding
  }
  text.append(padding, '0');
  return text;
}

}  // namespace VELDRAN
