// Digit-vector helpers shared by the library's sources; not installed.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decimal/digitwords.h"
#include "decimal/fixedint"

namespace VELDRAN::internal {

// Index of the highest non-zero byte of a non-zero word, 0 to 7.
inline std::size_t topbyte(std::uint64_t word) {
#if defined(__GNUC__)
  return static_cast<std::size_t>(63 - __builtin_clzll(word)) / 8;
#else
  std::size_t byte = 7;
  while ((word >> (8 * byte)) == 0) {
    --byte;
  }
  return byte;
#endif
}

// Number of places up to and including the highest non-zero one among the
// `count` places from `digits` on: the places above the whole words one by
// one, then a word at a time.
inline std::size_t significantlength(const std::int8_t* digits, std::size_t count) {
  if constexpr (!kPlacesAreWords) {
    while (count > 0 && digits[count - 1] == 0) {
      --count;
    }
    return count;
  }
  for (; count % 8 != 0; --count) {
    if (digits[count - 1] != 0) {
      return count;
    }
  }
  for (; count > 0; count -= 8) {
    const std::uint64_t word = loadword(digits + count - 8);
    if (word != 0) {
      return count - 8 + topbyte(word) + 1;
    }
  }
  return 0;
}

inline std::size_t significantlength(const std::vector<std::int8_t>& digits) {
  return significantlength(digits.data(), digits.size());
}

// Number of places up to and including the highest one where a and b
// differ among their first `count`; 0 when they all agree.
inline std::size_t differingplaces(const std::int8_t* a, const std::int8_t* b, std::size_t count) {
  if constexpr (!kPlacesAreWords) {
    while (count > 0 && a[count - 1] == b[count - 1]) {
      --count;
    }
    return count;
  }
  for (; count % 8 != 0; --count) {
    if (a[count - 1] != b[count - 1]) {
      return count;
    }
  }
  for (; count > 0; count -= 8) {
    const std::uint64_t differ = loadword(a + count - 8) ^ loadword(b + count - 8);
    if (differ != 0) {
      return count - 8 + topbyte(differ) + 1;
    }
  }
  return 0;
}

// Orders two magnitudes by their significant digits, the highest digit that
// differs read as a signed value: <0, 0 or >0.
inline int comparemagnitudes(const std::vector<std::int8_t>& a, const std::vector<std::int8_t>& b) {
  const std::size_t places = a.size();
  if (b.size() == places) {
    // Above the highest differing place both agree, so that place decides,
    // unless one of the two digits there is a zero and all above it are
    // zeros too: then that one has fewer significant digits. For digits at
    // rest both rules agree; they part for a digit set below zero by hand.
    const std::size_t differ = differingplaces(a.data(), b.data(), places);
    if (differ == 0) {
      return 0;
    }
    const std::int8_t x = a[differ - 1];
    const std::int8_t y = b[differ - 1];
    if ((x < 0 || y < 0) && (x == 0 || y == 0) &&
        significantlength(a.data() + differ, places - differ) == 0) {
      return x == 0 ? -1 : 1;
    }
    return x < y ? -1 : 1;
  }
  const std::size_t la = significantlength(a);
  const std::size_t lb = significantlength(b);
  if (la != lb) {
    return la < lb ? -1 : 1;
  }
  const std::size_t differ = differingplaces(a.data(), b.data(), la);
  if (differ == 0) {
    return 0;
  }
  return a[differ - 1] < b[differ - 1] ? -1 : 1;
}

// A digit as signed decimal text: one character at rest, more for values
// set by hand outside 0 to 9.
inline void appenddigit(std::string& text, std::int8_t digit) {
  if (digit >= 0 && digit <= 9) {
    text.push_back(static_cast<char>('0' + digit));
  } else {
    char buffer[4];  // NOLINT(cppcoreguidelines-avoid-c-arrays): "-128" at the most
    const auto converted = std::to_chars(buffer, buffer + sizeof buffer, int{digit});
    text.append(buffer, converted.ptr);
  }
}

// As `target = source` for a source about to be destroyed unread: target
// takes its digits over instead of copying them.
inline void takeover(fixedint& target, fixedint&& source) {
  target.digits.swap(source.digits);
  target.negative = source.negative;
  target.size = source.size;
  target.hassign = source.hassign;
  target.overflowthrows = source.overflowthrows;
}

// A silent copy of `number`, for a number about to be destroyed unread: the
// copy takes its digits over instead of copying them, and it keeps none.
inline fixedint takedigits(fixedint& number) {
  std::vector<std::int8_t> digits;
  digits.swap(number.digits);
  fixedint taken(number);  // the fields, and no digits to copy
  taken.digits.swap(digits);
  return taken;
}

}  // namespace VELDRAN::internal
