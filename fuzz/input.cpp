// Input decoding shared by the rooms: integers and floats chosen to reach
// the edges, slot sizes and lengths, and rounding modes.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>

#include "shared.h"

namespace veldran_fuzz {

long long pickinteger(reader& in) {
  const std::uint8_t mode = in.byte();
  switch (mode % 4) {
    case 0:
      return in.raw<long long>();
    case 1: {
      long long p = 1;
      for (unsigned k = in.byte() % 19; k > 0; --k) {
        p *= 10;
      }
      switch ((mode >> 2) % 8) {
        case 0:
          return p;
        case 1:
          return p - 1;
        case 2:
          return -p;
        case 3:
          return 1 - p;
        case 4:
          return LLONG_MIN;
        case 5:
          return LLONG_MAX;
        case 6:
          return LLONG_MIN + 1;
        default:
          return 0;
      }
    }
    case 2:
      return static_cast<std::int8_t>(in.byte());
    default: {
      const unsigned digits = 1 + in.byte() % 19;
      auto m = static_cast<unsigned long long>(in.raw<unsigned long long>() % pow10(digits));
      if (m > static_cast<unsigned long long>(LLONG_MAX)) {
        m /= 10;
      }
      const auto v = static_cast<long long>(m);
      return (mode & 4) != 0 ? -v : v;
    }
  }
}

float pickfloat(reader& in) {
  // clang-format off
  static const float kSpecial[] = {
      0.123F, 78.9F, 2.0F, -3.0F, 3.75F, 12.5F, 0.9999F, 0.12345F, 99.99F, 0.29F,
      1.0F / 3.0F, 12345.5F, 5.1F, 0.05F, 0.0015F, 2.0005F, -2.5F, -0.5F, -0.0F, 0.0F,
      NAN, INFINITY, -INFINITY, 9223372036854775808.0F, -9223372036854775808.0F,
      9223371487098961920.0F, FLT_MIN, FLT_TRUE_MIN, FLT_MAX, 0.99999994F, 9999.9999F,
      1e-3F, 1.001F, 8388607.5F, 16777216.0F, -0.999F};
  // clang-format on
  const std::uint8_t mode = in.byte();
  switch (mode % 3) {
    case 0:
      return in.raw<float>();
    case 1: {
      // A short decimal: up to seven digits and up to eight places.
      const auto n = in.raw<std::int32_t>() % 10000000;
      float divisor = 1.0F;
      for (unsigned k = in.byte() % 9; k > 0; --k) {
        divisor *= 10.0F;
      }
      return static_cast<float>(n) / divisor;
    }
    default:
      return kSpecial[in.byte() % (sizeof kSpecial / sizeof kSpecial[0])];
  }
}

unsigned long long picksize(reader& in, const state& s) {
  const std::uint8_t b = in.byte();
  if ((b & 0x80) != 0) {
    return 1 + b % kMaxPlaces;
  }
  return s.intmodels[b % kIntSlots].size;
}

unsigned long long picklength(reader& in, const state& s) {
  const std::uint8_t b = in.byte();
  if ((b & 0x80) != 0) {
    return 2 * (1 + b % (kMaxPlaces / 2));
  }
  return s.floatmodels[b % kFloatSlots].length;
}

rounding pickrounding(std::uint8_t b) { return veldran_test::kEveryRounding[b % 7]; }

}  // namespace veldran_fuzz
