// What the mathematics functions must give, worked out apart from the
// library: powers and square roots exactly on the model's big integers,
// exp, ln and log10 as intervals that every step rounds outward (lower ends
// down, upper ends up), narrowed until both ends round alike. Each model
// gives the expected outcome as text: the exact result with its sign, or
// the refusal as outcomeof() writes it.
#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "support/model.h"

namespace veldran_test {

struct mathoperand {
  unsigned long long length = 0;
  bignum magnitude;  // the number times 10^(length/2)
  bool negative = false;
};

inline const char* const kOverflow = "overflow_error: Overflow occured.";
inline const char* const kDomain = "domain_error: Math domain error!";
inline const char* const kZeroDivisor = "domain_error: Division by zero!";

// A result's text, or an overflow when it needs more than `length` places.
inline std::string resulttext(unsigned long long length, const bignum& magnitude, bool negative) {
  if (bigplaces(magnitude) > length) return kOverflow;
  bigintmodel m = freshbig(length);
  m.magnitude = magnitude;
  m.negative = negative;
  return exacttext(m, length / 2);
}

inline bignum bigpower(const bignum& a, unsigned long long n) {
  bignum result = bigof(1);
  bignum square = a;
  for (; n != 0; n /= 2) {
    if (n % 2 == 1) result = bigmultiply(result, square);
    if (n > 1) square = bigmultiply(square, square);
  }
  return result;
}

inline bignum ceilquotient(const bignum& a, const bignum& b) {
  const bigdivision d = bigdivide(a, b);
  return iszero(d.remainder) ? d.quotient : bigadd(d.quotient, bigof(1));
}

// --- Exact models ----------------------------------------------------------------

// fixedint::pow: the power, or an overflow past `size` places.
inline std::string intpowmodel(unsigned long long size, const bignum& x, bool negative,
                               bool hassign, unsigned long long exponent) {
  const bignum p = bigpower(x, exponent);
  if (bigplaces(p) > size) return kOverflow;
  bigintmodel m = freshbig(size);
  m.magnitude = p;
  m.negative = hassign && negative && exponent % 2 == 1;
  return exacttext(m, 0);
}

// x^n for a small n: (X / 10^h)^n * 10^h, rounded once.
inline std::string powmodel(const mathoperand& x, long long n, VELDRAN::rounding mode) {
  const unsigned long long h = x.length / 2;
  const bool negative = x.negative && n % 2 != 0;
  if (n == 0) return resulttext(x.length, bigpow10(h), false);
  if (iszero(x.magnitude) && n < 0) return kZeroDivisor;
  const auto k = static_cast<unsigned long long>(n < 0 ? -n : n);
  bignum top = bigpower(x.magnitude, k);
  bignum bottom = bigpower(bigpow10(h), k);
  if (n < 0) std::swap(top, bottom);
  const bignum scaled = bigmultiply(top, bigpow10(h));
  return resulttext(x.length, roundquotient(bigdivide(scaled, bottom), bottom, negative, mode),
                    negative);
}

inline bignum bigsqrt(const bignum& a) {
  if (iszero(a)) return a;
  bignum root = bigpow10((bigplaces(a) + 1) / 2);
  for (;;) {
    const bignum next = bigdivide(bigadd(root, bigdivide(a, root).quotient), bigof(2)).quotient;
    if (bigcompare(next, root) >= 0) return root;
    root = next;
  }
}

// Rounds sqrt(X * 10^h) by comparing squares: the root lies between r and
// r + 1, and above r + 1/2 exactly when 4 X 10^h > (2r + 1)^2.
inline std::string sqrtmodel(const mathoperand& x, VELDRAN::rounding mode) {
  if (x.negative && !iszero(x.magnitude)) return kDomain;
  const bignum scaled = bigmultiply(x.magnitude, bigpow10(x.length / 2));
  const bignum root = bigsqrt(scaled);
  const bignum twice = bigadd(bigadd(root, root), bigof(1));
  // Stand-in division whose remainder tells the same: 0, below half, above.
  bigdivision d;
  d.quotient = root;
  const bignum rest = bigsubtract(scaled, bigmultiply(root, root));
  const int order = bigcompare(bigmultiply(bigof(4), scaled), bigmultiply(twice, twice));
  d.remainder = iszero(rest) ? bignum{} : order < 0 ? bigof(1) : bigof(3);
  return resulttext(x.length, roundquotient(d, bigof(4), false, mode), x.negative);
}

// --- Intervals ---------------------------------------------------------------------

// lo <= v * 10^scale <= hi for a value v >= 0.
struct interval {
  bignum lo;
  bignum hi;
};

// exp(t) for t = top / bottom >= 0: the Taylor terms, each bounded both
// ways; once a term's ratio is below 1/2, the tail is below the last term.
inline interval expinterval(const bignum& top, const bignum& bottom, unsigned long long scale) {
  interval sum{bigpow10(scale), bigpow10(scale)};
  interval term = sum;
  for (unsigned long long i = 1;; ++i) {
    const bignum divisor = bigmultiply(bottom, bigof(i));
    term.lo = bigdivide(bigmultiply(term.lo, top), divisor).quotient;
    term.hi = ceilquotient(bigmultiply(term.hi, top), divisor);
    sum.lo = bigadd(sum.lo, term.lo);
    sum.hi = bigadd(sum.hi, term.hi);
    const bool halving =
        bigcompare(bigmultiply(top, bigof(2)), bigmultiply(bottom, bigof(i + 1))) <= 0;
    if (halving && bigcompare(term.hi, bigof(1)) <= 0) {
      sum.hi = bigadd(sum.hi, bigof(1));
      return sum;
    }
  }
}

// 2 atanh(a / b) for 0 <= a / b <= 9/11. Rounded up, a power can settle at
// 3 units (ceil(3 * 81/121) = 3), so the sum stops at 4 or below, whose tail
// is below 4 / (1 - 81/121) < 13 units.
inline interval twoatanh(const bignum& a, const bignum& b, unsigned long long scale) {
  interval power{bigdivide(bigmultiply(a, bigpow10(scale)), b).quotient,
                 ceilquotient(bigmultiply(a, bigpow10(scale)), b)};
  const bignum a2 = bigmultiply(a, a);
  const bignum b2 = bigmultiply(b, b);
  interval sum;
  if (iszero(a)) return sum;
  for (unsigned long long i = 0; bigcompare(power.hi, bigof(4)) > 0; ++i) {
    sum.lo = bigadd(sum.lo, bigdivide(power.lo, bigof(2 * i + 1)).quotient);
    sum.hi = bigadd(sum.hi, ceilquotient(power.hi, bigof(2 * i + 1)));
    power.lo = bigdivide(bigmultiply(power.lo, a2), b2).quotient;
    power.hi = ceilquotient(bigmultiply(power.hi, a2), b2);
  }
  return interval{bigadd(sum.lo, sum.lo), bigadd(sum.hi, bigadd(sum.hi, bigof(26)))};
}

inline interval ln10interval(unsigned long long scale) {
  return twoatanh(bigof(9), bigof(11), scale);  // 10 = (1 + 9/11) / (1 - 9/11)
}

// ln(top / bottom) for top >= bottom: k ln 10 + ln m with 1 <= m < 10;
// `ten` is ln 10 at the same scale.
inline interval lninterval(const bignum& top, const bignum& bottom, unsigned long long scale,
                           const interval& ten) {
  unsigned long long k = 0;
  bignum unit = bottom;
  while (bigcompare(bigmultiply(unit, bigof(10)), top) <= 0) {
    unit = bigmultiply(unit, bigof(10));
    ++k;
  }
  interval m = twoatanh(bigsubtract(top, unit), bigadd(top, unit), scale);
  m.lo = bigadd(m.lo, bigmultiply(ten.lo, bigof(k)));
  m.hi = bigadd(m.hi, bigmultiply(ten.hi, bigof(k)));
  return m;
}

// The rounding of a value of sign `negative` inside `v` (at `scale`) to
// `places` fraction digits, when both ends agree.
inline bool roundinterval(const interval& v, unsigned long long scale, unsigned long long places,
                          bool negative, VELDRAN::rounding mode, bignum& rounded) {
  const bignum unit = bigpow10(scale - places);
  const bignum lo = roundquotient(bigdivide(v.lo, unit), unit, negative, mode);
  const bignum hi = roundquotient(bigdivide(v.hi, unit), unit, negative, mode);
  rounded = lo;
  return bigcompare(lo, hi) == 0;
}

// One expected outcome for each of kEveryRounding, in its order.
using everymode = std::vector<std::string>;

template <typename Model>
everymode ineverymode(Model model) {
  everymode outcomes;
  for (const VELDRAN::rounding mode : kEveryRounding) outcomes.push_back(model(mode));
  return outcomes;
}

// Narrows `make(scale)` until it rounds in every mode; v is signed by
// `negative`.
template <typename Make>
everymode roundedmodel(unsigned long long length, bool negative, Make make) {
  everymode outcomes(std::size(kEveryRounding));
  std::size_t settled = 0;
  for (unsigned long long scale = length + 20; settled < outcomes.size(); scale *= 2) {
    const interval v = make(scale);
    for (std::size_t m = 0; m < outcomes.size(); ++m) {
      bignum rounded;
      if (outcomes[m].empty() &&
          roundinterval(v, scale, length / 2, negative, kEveryRounding[m], rounded)) {
        outcomes[m] = resulttext(length, rounded, negative);
        ++settled;
      }
    }
  }
  return outcomes;
}

// exp(t) for t = +-top / bottom: below zero, 1 / exp(|t|) rounded outward.
inline interval signedexp(const bignum& top, const bignum& bottom, bool negative,
                          unsigned long long scale) {
  const interval e = expinterval(top, bottom, scale);
  if (!negative) return e;
  const bignum one = bigpow10(2 * scale);
  return interval{bigdivide(one, e.hi).quotient, ceilquotient(one, e.lo)};
}

inline everymode expmodel(const mathoperand& x) {
  const bignum unit = bigpow10(x.length / 2);
  if (iszero(x.magnitude))
    return everymode(std::size(kEveryRounding), resulttext(x.length, unit, false));
  return roundedmodel(x.length, false, [&](unsigned long long scale) {
    return signedexp(x.magnitude, unit, x.negative, scale);
  });
}

// ln x, negative below 1, where it is -ln(1/x).
inline everymode lnmodel(const mathoperand& x, bool base10) {
  const std::size_t modes = std::size(kEveryRounding);
  if (x.negative || iszero(x.magnitude)) return everymode(modes, kDomain);
  const bignum unit = bigpow10(x.length / 2);
  const bool below = bigcompare(x.magnitude, unit) < 0;
  if (bigcompare(x.magnitude, unit) == 0) return everymode(modes, resulttext(x.length, {}, false));
  const unsigned long long digits = bigplaces(x.magnitude);
  if (base10 && bigcompare(x.magnitude, bigpow10(digits - 1)) == 0) {
    const unsigned long long h = x.length / 2;
    const unsigned long long tens = below ? h - (digits - 1) : digits - 1 - h;
    return everymode(modes, resulttext(x.length, bigmultiply(bigof(tens), unit), below));
  }
  return roundedmodel(x.length, below, [&](unsigned long long scale) {
    const interval ten = ln10interval(scale);
    const interval l = below ? lninterval(unit, x.magnitude, scale, ten)
                             : lninterval(x.magnitude, unit, scale, ten);
    if (!base10) return l;
    const bignum one = bigpow10(scale);
    return interval{bigdivide(bigmultiply(l.lo, one), ten.hi).quotient,
                    ceilquotient(bigmultiply(l.hi, one), ten.lo)};
  });
}

// x^y = exp(y ln x) for x > 0 and y with a fraction, when it is no
// rounding point (callers pick operands whose power is irrational).
inline everymode exppowmodel(const mathoperand& x, const mathoperand& y) {
  const bignum unit = bigpow10(x.length / 2);
  const bool below = bigcompare(x.magnitude, unit) < 0;
  const bool negative = below != y.negative;  // the sign of y ln x
  return roundedmodel(x.length, false, [&](unsigned long long scale) {
    const unsigned long long wide = scale + bigplaces(y.magnitude);
    const interval ten = ln10interval(wide);
    const interval l =
        below ? lninterval(unit, x.magnitude, wide, ten) : lninterval(x.magnitude, unit, wide, ten);
    const bignum bottom = bigpow10(wide + x.length / 2);
    const interval lo =
        signedexp(bigmultiply(y.magnitude, negative ? l.hi : l.lo), bottom, negative, scale);
    const interval hi =
        signedexp(bigmultiply(y.magnitude, negative ? l.lo : l.hi), bottom, negative, scale);
    return interval{lo.lo, hi.hi};
  });
}

}  // namespace veldran_test
