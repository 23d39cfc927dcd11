// fixedint::pow and fixedfloat::pow. A power is a rational number whenever
// the exponent is whole, or the base's numerator and denominator are
// perfect powers of the exponent's denominator; such a power is worked out
// exactly when it could be a rounding point, and approximated otherwise.
#include <algorithm>
#include <optional>
#include <stdexcept>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/magnitudes.h"
#include "decimal/mathematics.h"

namespace VELDRAN {

namespace {

using internal::bignum;
using internal::scaledresult;

const bignum& one() {
  static const bignum unit = internal::bigof(1);
  return unit;
}

[[noreturn]] void throwzerodivisor() { throw std::domain_error("Division by zero!"); }

// How many times `factor` divides a, up to `most` times; a is left divided.
std::size_t takefactors(bignum& a, std::uint64_t factor, std::size_t most) {
  std::size_t count = 0;
  for (; count < most && !internal::iszero(a); ++count) {
    std::uint64_t rest = 0;
    bignum q = internal::dividesmall(a, factor, rest);
    if (rest != 0) {
      break;
    }
    a.limbs.swap(q.limbs);
  }
  return count;
}

// --- Rational powers ------------------------------------------------------------

enum class powerkind { exact, toolarge, tiny, unsettled };

struct rationalpower {
  powerkind kind = powerkind::unsettled;
  scaledresult result;
};

// (numerator / denominator)^k rounded to `places` fraction digits. Decided
// from digit counts when the power is surely at or above 10^places (too
// large) or below 10^-(places+2); worked out exactly when it is small
// enough to be a rounding point, which needs at most about 24 (places + 4)
// digits in numerator and denominator together; else left unsettled.
rationalpower powerofratio(const bignum& numerator, const bignum& denominator, const bignum& k,
                           std::size_t places, rounding mode, bool negative) {
  rationalpower p;
  if (internal::compare(numerator, denominator) == 0) {
    p.kind = powerkind::exact;
    p.result = scaledresult{internal::bigpow10(places), negative};
    return p;
  }
  // Past 2^40 the exponent only grows each bound in the direction it points.
  const auto exponent =
      static_cast<long long>(std::min<std::uint64_t>(internal::smallof(k), 1ULL << 40U));
  const auto dn = static_cast<long long>(internal::decimaldigits(numerator));
  const auto dd = static_cast<long long>(internal::decimaldigits(denominator));
  const auto h = static_cast<long long>(places);
  if ((dn - 1 - dd) * exponent >= h) {
    p.kind = powerkind::toolarge;
  } else if ((dn - dd + 1) * exponent <= -(h + 2)) {
    p.kind = powerkind::tiny;
    p.result = internal::tinyresult(mode, negative);
  } else if ((dn + dd) * exponent <= 32 * (h + 4)) {
    bignum top;
    bignum bottom;
    internal::power(numerator, k, SIZE_MAX, top);
    internal::power(denominator, k, SIZE_MAX, bottom);
    p.kind = powerkind::exact;
    p.result = internal::roundexact(top, bottom, places, mode, negative);
  }
  return p;
}

// x^k to `digits` significant digits, x = magnitude / 10^places: the
// mantissa and its power of ten, and whether a partial power has left the
// range in which the result could be neither too large nor tiny.
struct floatpower {
  bignum mantissa;
  long long exponent = 0;
  bool escaped = false;
};

// Keeps at least `digits` digits, dropping whole limbs only: no division.
void truncateto(floatpower& f, std::size_t digits) {
  const std::size_t have = internal::decimaldigits(f.mantissa);
  const std::size_t drop = have > digits ? (have - digits) / 8 : 0;
  if (drop > 0) {
    f.mantissa.limbs.erase(f.mantissa.limbs.begin(),
                           f.mantissa.limbs.begin() + static_cast<std::ptrdiff_t>(drop));
    f.exponent += static_cast<long long>(8 * drop);
  }
}

// Each product is truncated once, so x^k carries at most 2k - 1 relative
// errors below 10^(1-digits). A partial power only moves away from 1, so
// one beyond 10^(places+2) or below 10^-(places+2) settles the result.
floatpower powerbysquaring(const bignum& x, bool above, std::size_t places, const bignum& k,
                           std::size_t digits) {
  const auto limit = static_cast<long long>(places) + 2;
  floatpower f{x, -static_cast<long long>(places), false};
  const std::vector<bool> bits = internal::bitsof(k);
  for (std::size_t b = 1; b < bits.size(); ++b) {
    f.mantissa = internal::multiply(f.mantissa, f.mantissa);
    f.exponent *= 2;
    truncateto(f, digits);
    if (bits[b]) {
      f.mantissa = internal::multiply(f.mantissa, x);
      f.exponent -= static_cast<long long>(places);
      truncateto(f, digits);
    }
    const long long magnitude =
        static_cast<long long>(internal::decimaldigits(f.mantissa)) + f.exponent;
    if (above ? magnitude - 1 >= limit : magnitude <= -limit) {
      f.escaped = true;
      return f;
    }
  }
  return f;
}

// x^(+-k) for x = magnitude / 10^places, approximated by squaring at ever
// more digits until its rounding is settled.
scaledresult approximatepower(const bignum& x, std::size_t places, const bignum& k, bool inverse,
                              rounding mode, bool negative) {
  const bool above = internal::compare(x, internal::bigpow10(places)) > 0;
  const std::size_t dk = internal::decimaldigits(k);
  // A first pass at few digits tells the digits before the point: the
  // power P is within 1% of x^k, so P < 10^top and 1/P < 10^(2-top).
  const floatpower rough = powerbysquaring(x, above, places, k, dk + 10);
  const long long top =
      static_cast<long long>(internal::decimaldigits(rough.mantissa)) + rough.exponent;
  const long long before = rough.escaped ? 0 : inverse ? 2 - top : top;
  const std::size_t extra = static_cast<std::size_t>(std::max(before, 0LL)) + 1;
  for (std::size_t guard = 6;; guard *= 2) {
    const std::size_t scale = places + guard;
    const std::size_t digits = places + extra + dk + 6 + guard;
    const floatpower f = rough.escaped ? rough : powerbysquaring(x, above, places, k, digits);
    if (f.escaped) {
      if (above != inverse) {
        internal::throwoverflow();
      }
      return internal::tinyresult(mode, negative);
    }
    internal::approximation a;
    a.value.negative = negative;
    const long long shift = f.exponent + static_cast<long long>(scale);
    if (inverse) {
      a.value.magnitude = internal::quotient(
          internal::bigpow10(static_cast<std::size_t>(static_cast<long long>(2 * scale) - shift)),
          f.mantissa);
    } else if (shift >= 0) {
      a.value.magnitude = internal::shiftup(f.mantissa, static_cast<std::size_t>(shift));
    } else {
      a.value.magnitude = internal::shiftdown(f.mantissa, static_cast<std::size_t>(-shift));
    }
    // Relative error below 10^(dk+2-digits), doubled for the true value.
    const bignum relative =
        internal::add(internal::shiftdown(a.value.magnitude, digits - dk - 2), internal::bigof(2));
    a.error = internal::add(internal::multiplysmall(relative, 2), one());
    scaledresult r;
    if (internal::decide(a, scale, places, mode, r)) {
      return r;
    }
  }
}

// x^n, x = magnitude / 10^places with its sign, for a whole n of any size.
scaledresult integerpower(const bignum& x, bool xnegative, const bignum& n, bool nnegative,
                          std::size_t places, rounding mode) {
  const bool negative = xnegative && internal::isodd(n);
  if (internal::iszero(n)) {
    return scaledresult{internal::bigpow10(places), false};
  }
  if (internal::iszero(x)) {
    if (nnegative) {
      throwzerodivisor();
    }
    return scaledresult{bignum(), negative};
  }
  // x = top / 10^f in lowest terms, then inverted for a negative n.
  const std::size_t tens = std::min<std::size_t>(internal::trailingzeros(x), places);
  bignum top = internal::shiftdown(x, tens);
  bignum bottom = internal::bigpow10(places - tens);
  if (nnegative) {
    top.limbs.swap(bottom.limbs);
  }
  const rationalpower p = powerofratio(top, bottom, n, places, mode, negative);
  switch (p.kind) {
    case powerkind::toolarge:
      internal::throwoverflow();
    case powerkind::exact:
    case powerkind::tiny:
      return p.result;
    case powerkind::unsettled:
      break;
  }
  return approximatepower(x, places, n, nnegative, mode, negative);
}

// --- Fractional exponents -------------------------------------------------------

// The largest r with r^5 <= a, by Newton's iteration from above.
bignum fifthroot(const bignum& a) {
  bignum root = internal::bigpow10((internal::decimaldigits(a) + 4) / 5);
  for (;;) {
    const bignum square = internal::multiply(root, root);
    const bignum fourth = internal::multiply(square, square);
    std::uint64_t rest = 0;
    const bignum next = internal::dividesmall(
        internal::add(internal::multiplysmall(root, 4), internal::quotient(a, fourth)), 5, rest);
    if (internal::compare(next, root) >= 0) {
      return root;
    }
    root = next;
  }
}

// Replaces a by its 2^twos * 5^fives-th root; false when that is not whole.
bool takeroot(bignum& a, std::size_t twos, std::size_t fives) {
  for (std::size_t i = 0; i < twos + fives && internal::compare(a, one()) != 0; ++i) {
    const bignum r = i < twos ? internal::squareroot(a) : fifthroot(a);
    bignum check = internal::multiply(r, r);
    if (i >= twos) {
      check = internal::multiply(internal::multiply(check, check), r);
    }
    if (internal::compare(check, a) != 0) {
      return false;
    }
    a = r;
  }
  return true;
}

// 2^twos * 5^fives, or nothing when it exceeds `most`.
std::optional<std::size_t> smooth(std::size_t twos, std::size_t fives, std::size_t most) {
  std::size_t q = 1;
  for (std::size_t i = 0; i < twos + fives; ++i) {
    q *= i < twos ? 2 : 5;
    if (q > most) {
      return std::nullopt;
    }
  }
  return q;
}

// x^y for x = X / 10^h > 0 and y = +-Y / 10^h with a fraction, when it is
// rational: y = p / q in lowest terms, q = 2^i 5^j, and both terms of x in
// lowest terms are perfect q-th powers.
rationalpower rationalfractionalpower(const bignum& x, const bignum& y, bool ynegative,
                                      std::size_t places, rounding mode) {
  rationalpower none;
  bignum p = y;
  const std::size_t i = places - takefactors(p, 2, places);
  const std::size_t j = places - takefactors(p, 5, places);
  bignum a = x;
  const std::size_t twos = places - takefactors(a, 2, places);  // of the denominator
  const std::size_t fives = places - takefactors(a, 5, places);
  const std::optional<std::size_t> q = smooth(i, j, places);
  if ((twos != 0 || fives != 0) && !q) {
    return none;
  }
  const std::size_t qq = q.value_or(1);
  if (twos % qq != 0 || fives % qq != 0 || !takeroot(a, i, j)) {
    return none;
  }
  bignum b = one();
  for (std::size_t t = 0; t < twos / qq; ++t) {
    b = internal::multiplysmall(b, 2);
  }
  for (std::size_t t = 0; t < fives / qq; ++t) {
    b = internal::multiplysmall(b, 5);
  }
  if (ynegative) {
    a.limbs.swap(b.limbs);
  }
  return powerofratio(a, b, p, places, mode, false);
}

// exp(y ln x) for x > 0, approximated: a first pass at few digits settles
// results surely too large or tiny and bounds the digits before the point.
scaledresult exponentialpower(const bignum& x, const bignum& y, bool ynegative, std::size_t places,
                              rounding mode) {
  const std::size_t whole = internal::decimaldigits(internal::shiftdown(y, places));
  // t = y ln x at `scale`, within `error`.
  const auto exponentof = [&](std::size_t scale, bignum& error) {
    const internal::approximation l = internal::lnapprox(x, places, scale + whole + 2);
    internal::signedbig t{internal::multiply(y, l.value.magnitude), l.value.negative != ynegative};
    t.magnitude = internal::shiftdown(t.magnitude, places + whole + 2);
    error = internal::add(internal::shiftdown(internal::multiply(y, l.error), places + whole + 2),
                          internal::bigof(2));
    return t;
  };
  bignum roughError;
  const internal::signedbig rough = exponentof(12, roughError);
  std::size_t before = 0;
  if (internal::compare(rough.magnitude, roughError) > 0) {
    const bignum low = internal::subtract(rough.magnitude, roughError);
    if (!rough.negative && internal::compare(low, internal::ln10upperscaled(places, 12)) >= 0) {
      internal::throwoverflow();
    }
    if (rough.negative && internal::compare(low, internal::ln10upperscaled(places + 2, 12)) >= 0) {
      return internal::tinyresult(mode, false);
    }
    if (!rough.negative) {
      before = internal::integerdigitsofexp(internal::add(rough.magnitude, roughError), 12);
    }
  }
  return internal::roundapproximated(places, 14 + before, mode, [&](std::size_t scale) {
    bignum terror;
    const internal::signedbig t = exponentof(scale, terror);
    internal::approximation a = internal::expapprox(t.magnitude, scale, t.negative, scale);
    // |exp(t) - exp(t')| <= 2 |t - t'| exp(t') while |t - t'| <= 1/2.
    if (internal::compare(internal::multiplysmall(terror, 2), internal::bigpow10(scale)) > 0) {
      a.error = internal::add(a.value.magnitude, internal::bigpow10(scale + 1));
      return a;
    }
    const bignum size =
        internal::add(internal::shiftdown(internal::add(a.value.magnitude, a.error), scale), one());
    a.error = internal::add(a.error, internal::multiplysmall(internal::multiply(terror, size), 2));
    return a;
  });
}

void checklengths(const fixedfloat& a, const fixedfloat& b) {
  if (a.length != b.length || a.value.digits.size() != a.length ||
      b.value.digits.size() != b.length) {
    throw std::length_error("Size is not equal!");
  }
}

}  // namespace

fixedint fixedint::pow(unsigned long long exponent) const {
  const bignum x = internal::magnitudeof(*this, size);
  const bool resultnegative = hassign && negative && exponent % 2 == 1;
  bignum power = one();
  if (exponent != 0 && internal::compare(x, one()) <= 0) {
    power = x;  // 0 and 1 stay as they are
  } else if (exponent != 0) {
    // x >= 2: x^e >= 2^e >= 16^size from e >= 4 size, and x^e >=
    // 10^((digits-1) e): either past size places refuses at once.
    const std::size_t digits = internal::decimaldigits(x);
    if (exponent / 4 >= size || (digits > 1 && exponent >= (size + digits - 2) / (digits - 1)) ||
        !internal::power(x, internal::bigof(exponent), size, power)) {
      internal::throwoverflow();
    }
  }
  fixedint result(size);
  internal::bigtodigits(power, result.digits.data(), size);
  result.negative = resultnegative;
  return result;
}

fixedfloat fixedfloat::pow(long long n, rounding mode) const {
  internal::requireknownmode(mode);
  const std::size_t places = length / 2;
  const auto bits = static_cast<unsigned long long>(n);
  const bignum magnitude = internal::bigof(n < 0 ? 0ULL - bits : bits);
  const scaledresult r = integerpower(internal::magnitudeof(value, length), value.negative,
                                      magnitude, n < 0, places, mode);
  return internal::makeresult(length, r);
}

fixedfloat fixedfloat::pow(const fixedfloat& y, rounding mode) const {
  internal::requireknownmode(mode);
  checklengths(*this, y);
  const std::size_t places = length / 2;
  const bignum x = internal::magnitudeof(value, length);
  const bignum exponent = internal::magnitudeof(y.value, length);
  const bool ynegative = y.value.negative;
  scaledresult r;
  if (internal::dropped(exponent, places) == internal::remainder::zero) {
    r = integerpower(x, value.negative, internal::shiftdown(exponent, places), ynegative, places,
                     mode);
  } else if (internal::iszero(x)) {
    if (ynegative) {
      throwzerodivisor();
    }
  } else if (value.negative) {
    internal::throwdomain();
  } else {
    const rationalpower p = rationalfractionalpower(x, exponent, ynegative, places, mode);
    switch (p.kind) {
      case powerkind::toolarge:
        internal::throwoverflow();
      case powerkind::exact:
      case powerkind::tiny:
        r = p.result;
        break;
      case powerkind::unsettled:
        r = exponentialpower(x, exponent, ynegative, places, mode);
        break;
    }
  }
  return internal::makeresult(length, r);
}

}  // namespace VELDRAN
