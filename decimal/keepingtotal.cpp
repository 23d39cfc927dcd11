// A column of amounts rounded so that it still adds up to its rounded
// total. Worked out on the digits before any result is made: every value
// goes down to its floor, and as many of them go one unit up as the
// rounded sum of what the floors dropped asks for.
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/magnitudes.h"
#include "decimal/money.h"

namespace VELDRAN {

namespace {

// One value's floor at the kept places, read off its digits.
struct floorplace {
  const std::int8_t* digits = nullptr;  // the value's magnitude, at rest
  bool negative = false;                // and not zero
  bool belowkept = false;               // a dropped digit is not zero
  // The floor's magnitude is the kept digits plus one unit when the value
  // is negative with dropped digits.
  bool floorawayfromzero() const { return negative && belowkept; }
};

// value - floor, in `dropped` places: the dropped digits, or for a negative
// value their complement to one unit of the last kept place.
void writeremainder(const floorplace& value, std::size_t dropped, std::int8_t* out) {
  if (!value.floorawayfromzero()) {
    std::copy_n(value.digits, dropped, out);
    return;
  }
  int borrow = 0;
  for (std::size_t p = 0; p < dropped; ++p) {
    const int rest = -value.digits[p] - borrow;
    borrow = rest < 0 ? 1 : 0;
    out[p] = static_cast<std::int8_t>(rest + 10 * borrow);
  }
}

// Adds `dropped` places into a running sum with room for every carry.
void addinto(std::vector<std::int8_t>& sum, const std::int8_t* digits, std::size_t dropped) {
  int carry = 0;
  for (std::size_t p = 0; p < sum.size() && (p < dropped || carry != 0); ++p) {
    const int place = sum[p] + (p < dropped ? digits[p] : 0) + carry;
    carry = place >= 10 ? 1 : 0;
    sum[p] = static_cast<std::int8_t>(place - 10 * carry);
  }
}

// How many floors go up: the remainders' sum in whole units, plus one when
// its fraction rounds the total half-even, which needs the parity of the
// floors' sum and those whole units.
unsigned long long unitsup(const std::vector<std::int8_t>& remaindersum, std::size_t dropped,
                           bool floorsumodd) {
  unsigned long long whole = 0;
  for (std::size_t p = remaindersum.size(); p > dropped; --p) {
    whole = whole * 10 + static_cast<unsigned long long>(remaindersum[p - 1]);
  }
  const internal::remainder fraction =
      dropped == 0 ? internal::remainder::zero
                   : internal::classify(remaindersum[dropped - 1],
                                        !internal::iszero(remaindersum.data(), dropped - 1));
  const bool odd = floorsumodd != (whole % 2 != 0);
  return whole + (internal::roundsup(rounding::halfeven, false, odd, fraction) ? 1 : 0);
}

// Whether adding one unit at place `from` carries out of the top.
bool unitoverflows(const std::int8_t* digits, std::size_t from, std::size_t places) {
  for (std::size_t p = from; p < places; ++p) {
    if (digits[p] != 9) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<fixedfloat> roundkeepingtotal(const std::vector<fixedfloat>& values,
                                          unsigned long long places) {
  if (values.empty()) {
    return {};
  }
  const unsigned long long length = values.front().length;
  internal::checkplaces(places, length);
  for (const fixedfloat& value : values) {
    internal::checklength(value, length);
  }
  const std::size_t count = values.size();
  const std::size_t dropped = length / 2 - places;

  std::vector<std::vector<std::int8_t>> spares(count);
  std::vector<floorplace> floors(count);
  std::vector<std::int8_t> remainders(count * dropped);
  // Room for the sum of `count` remainders: 20 places hold any count.
  std::vector<std::int8_t> remaindersum(dropped + 20, 0);
  bool floorsumodd = false;
  for (std::size_t i = 0; i < count; ++i) {
    floorplace& f = floors[i];
    f.digits = internal::atrest(values[i].value.digits, spares[i]);
    f.negative = values[i].value.negative && !internal::iszero(f.digits, length);
    f.belowkept = !internal::iszero(f.digits, dropped);
    const bool keptodd = dropped < length && f.digits[dropped] % 2 != 0;
    floorsumodd = floorsumodd != (keptodd != f.floorawayfromzero());
    writeremainder(f, dropped, remainders.data() + i * dropped);
    addinto(remaindersum, remainders.data() + i * dropped, dropped);
  }

  // The largest remainders go up, the earlier on a tie; a zero remainder
  // never does, as the units up never outnumber the non-zero remainders.
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&remainders, dropped](std::size_t a, std::size_t b) {
                     return internal::compare(remainders.data() + a * dropped,
                                              remainders.data() + b * dropped, dropped) > 0;
                   });
  std::vector<bool> up(count, false);
  const unsigned long long units = unitsup(remaindersum, dropped, floorsumodd);
  for (std::size_t k = 0; k < units; ++k) {
    up[order[k]] = true;
  }

  // The result's magnitude is the kept digits, one unit further from zero
  // when the floor is and the value does not go up, or when the value is
  // not negative and goes up.
  std::vector<bool> addsunit(count, false);
  for (std::size_t i = 0; i < count; ++i) {
    addsunit[i] = floors[i].floorawayfromzero() ? !up[i] : up[i];
    if (addsunit[i] && unitoverflows(floors[i].digits, dropped, length)) {
      internal::throwoverflow();
    }
  }

  std::vector<fixedfloat> result;
  result.reserve(count);  // no result is ever copied, which would log
  for (std::size_t i = 0; i < count; ++i) {
    fixedfloat& rounded = result.emplace_back(length);
    std::int8_t* digits = rounded.value.digits.data();
    std::copy(floors[i].digits + dropped, floors[i].digits + length, digits + dropped);
    if (addsunit[i]) {
      static_cast<void>(internal::addunit(digits, dropped, length));
    }
    internal::setmoneysign(rounded, floors[i].negative);
  }
  return result;
}

}  // namespace VELDRAN
