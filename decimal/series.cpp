// Error bounds are counted in units of the last place (10^-scale) and kept
// as big integers, so that no bound rests on a floating-point estimate.
#include "decimal/series.h"

#include <cstdint>

namespace VELDRAN::internal {

namespace {

bignum plus(const bignum& a, std::uint64_t b) { return add(a, bigof(b)); }

bignum times(const bignum& a, std::uint64_t b) { return multiply(a, bigof(b)); }

// a / 10^from brought to 10^-to, truncated when it drops digits.
bignum rescale(const bignum& a, std::size_t from, std::size_t to) {
  return to >= from ? shiftup(a, to - from) : shiftdown(a, from - to);
}

// a divided by 2^k, truncated: nested truncating divisions truncate once.
bignum halve(bignum a, std::size_t k) {
  std::uint64_t rest = 0;
  for (; k >= 26; k -= 26) {
    a = dividesmall(a, std::uint64_t{1} << 26U, rest);
  }
  return dividesmall(a, std::uint64_t{1} << k, rest);
}

std::size_t bitlength(std::uint64_t v) {
  std::size_t bits = 0;
  for (; v != 0; v >>= 1U) {
    ++bits;
  }
  return bits;
}

// exp(r) * 10^scale for 0 <= r < 2^-10 given as r * 10^scale truncated.
// Each term is within 2 units and the tail after the first zero term below
// 4, so the sum is within 3 * terms + 4 units.
bignum expseries(const bignum& r, std::size_t scale, std::uint64_t& terms) {
  bignum sum = bigpow10(scale);
  bignum term = sum;
  std::uint64_t rest = 0;
  for (terms = 1;; ++terms) {
    term = dividesmall(shiftdown(multiply(term, r), scale), terms, rest);
    if (iszero(term)) {
      return sum;
    }
    sum = add(sum, term);
  }
}

// atanh(z) * 10^scale for |z| <= 0.18 given as z * 10^scale truncated:
// powers stay within 1.5 units, terms within 3, the tail within 3.
bignum atanhseries(const bignum& z, std::size_t scale, std::uint64_t& terms) {
  const bignum square = shiftdown(multiply(z, z), scale);
  bignum power = z;
  bignum sum;
  std::uint64_t rest = 0;
  for (terms = 0; !iszero(power); ++terms) {
    sum = add(sum, dividesmall(power, 2 * terms + 1, rest));
    power = shiftdown(multiply(power, square), scale);
  }
  return sum;
}

// 2 atanh(1/c) * 10^scale, within `error`: powers within 2 units, terms
// within 3, the tail within 4.
bignum twoatanhinverse(std::uint64_t c, std::size_t scale, bignum& error) {
  std::uint64_t rest = 0;
  bignum power = dividesmall(bigpow10(scale), c, rest);
  bignum sum;
  std::uint64_t terms = 0;
  for (; !iszero(power); ++terms) {
    sum = add(sum, dividesmall(power, 2 * terms + 1, rest));
    power = dividesmall(power, c * c, rest);
  }
  error = bigof(2 * (3 * terms + 4));
  return multiplysmall(sum, 2);
}

// The constants ln 2 and ln 10 at one scale, each with its bound.
struct logconstants {
  bignum ln2;
  bignum ln2error;
  bignum ln10;
  bignum ln10error;
};

logconstants constantsat(std::size_t scale, bool needln10) {
  logconstants c;
  c.ln2 = twoatanhinverse(3, scale, c.ln2error);
  if (needln10) {
    bignum ln125error;  // ln 10 = 3 ln 2 + ln 1.25, and 1.25 = (1 + 1/9) / (1 - 1/9)
    const bignum ln125 = twoatanhinverse(9, scale, ln125error);
    c.ln10 = add(multiplysmall(c.ln2, 3), ln125);
    c.ln10error = add(multiplysmall(c.ln2error, 3), ln125error);
  }
  return c;
}

// ln of the leading digits: x = m * 10^exponent with 1 <= m < 10, and
// m = 2^twos * t with t within sqrt(2) of 1, so that ln m = twos ln 2 +
// 2 atanh((t - 1) / (t + 1)).
struct splitlog {
  long long exponent = 0;
  approximation lnm;
};

splitlog lnmantissa(const bignum& x, std::size_t xscale, std::size_t scale, const logconstants& c) {
  splitlog s;
  const std::size_t digits = decimaldigits(x);
  s.exponent = static_cast<long long>(digits) - 1 - static_cast<long long>(xscale);
  const bignum unit = bigpow10(digits - 1);
  const bignum scaled = multiplysmall(x, 1000);
  std::uint64_t twos = 0;
  for (const std::uint64_t bound : {1414U, 2828U, 5657U}) {
    if (compare(scaled, multiplysmall(unit, bound)) >= 0) {
      ++twos;
    }
  }
  const bignum base = multiplysmall(unit, std::uint64_t{1} << twos);
  const bool below = compare(x, base) < 0;
  const bignum numerator = below ? subtract(base, x) : subtract(x, base);
  const bignum z = quotient(shiftup(numerator, scale), add(x, base));
  std::uint64_t terms = 0;
  const bignum lnt = multiplysmall(atanhseries(z, scale, terms), 2);
  const signedbig twoslog{times(c.ln2, twos), false};
  s.lnm.value = add(twoslog, signedbig{lnt, below});
  s.lnm.error = add(times(c.ln2error, twos), bigof(2 * (3 * terms + 4)));
  return s;
}

}  // namespace

// Halves x k times until below 2^-10, sums the series, then squares k
// times. Every square stays at or above one unit's worth, so each
// truncation is a relative error below 10^-scale; counting them as factors
// (1 + d), the result is within K of those, and K * 10^-scale <= 1/2 bounds
// the relative error by 2 K 10^-scale.
approximation expapprox(const bignum& magnitude, std::size_t xscale, bool negative,
                        std::size_t scale) {
  const std::uint64_t whole = smallof(shiftdown(magnitude, xscale));
  const std::size_t k = bitlength(whole) + 10;
  const bignum r = halve(rescale(magnitude, xscale, scale), k);
  std::uint64_t terms = 0;
  bignum y = expseries(r, scale, terms);
  bignum factors = bigof(3 * terms + 4);
  for (std::size_t i = 0; i < k; ++i) {
    y = shiftdown(multiply(y, y), scale);
    factors = plus(multiplysmall(factors, 2), 1);
  }
  approximation a;
  if (decimaldigits(factors) + 2 > scale) {
    a.value.magnitude = y;  // too few digits for the bound: no decision
    a.error = add(y, bigpow10(scale + 1));
    return a;
  }
  const bignum relative = multiplysmall(factors, 4);  // 2 K, doubled for the true value
  if (negative) {
    a.value.magnitude = quotient(bigpow10(2 * scale), y);
    a.error = plus(relative, 1);
  } else {
    a.value.magnitude = y;
    a.error = multiply(relative, plus(shiftdown(y, scale), 1));
  }
  return a;
}

approximation lnapprox(const bignum& magnitude, std::size_t xscale, std::size_t scale) {
  const std::size_t digits = decimaldigits(magnitude);
  const bool needln10 = digits != xscale + 1;
  const logconstants c = constantsat(scale, needln10);
  splitlog s = lnmantissa(magnitude, xscale, scale, c);
  if (s.exponent == 0) {
    return s.lnm;
  }
  const auto tens = static_cast<std::uint64_t>(s.exponent < 0 ? -s.exponent : s.exponent);
  s.lnm.value = add(s.lnm.value, signedbig{times(c.ln10, tens), s.exponent < 0});
  s.lnm.error = add(s.lnm.error, times(c.ln10error, tens));
  return s.lnm;
}

// log10 x = exponent + ln m / ln 10; as |ln m| < ln 10 and ln 10 > 2, the
// quotient is within the two bounds plus one unit.
approximation log10approx(const bignum& magnitude, std::size_t xscale, std::size_t scale) {
  const logconstants c = constantsat(scale, true);
  const splitlog s = lnmantissa(magnitude, xscale, scale, c);
  approximation a;
  a.value.magnitude = quotient(shiftup(s.lnm.value.magnitude, scale), c.ln10);
  a.value.negative = s.lnm.value.negative;
  a.error = plus(add(s.lnm.error, c.ln10error), 1);
  const auto tens = static_cast<std::uint64_t>(s.exponent < 0 ? -s.exponent : s.exponent);
  a.value = add(a.value, signedbig{shiftup(bigof(tens), scale), s.exponent < 0});
  return a;
}

// Rounding is monotonic, so when both ends of the interval round alike,
// so does every value between them.
bool decide(const approximation& a, std::size_t scale, std::size_t places, rounding mode,
            signedbig& rounded) {
  const bignum& v = a.value.magnitude;
  if (compare(v, a.error) <= 0) {
    return false;  // the sign is not settled
  }
  const bool negative = a.value.negative;
  const std::size_t dropped = scale - places;
  const bignum low = roundshifted(subtract(v, a.error), dropped, mode, negative);
  const bignum high = roundshifted(add(v, a.error), dropped, mode, negative);
  if (compare(low, high) != 0) {
    return false;
  }
  rounded.magnitude = low;
  rounded.negative = negative;
  return true;
}

}  // namespace VELDRAN::internal
