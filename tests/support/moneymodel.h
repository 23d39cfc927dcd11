// The money helpers on the big-integer model: splits, columns rounded to
// keep their total, and cash rounding, each worked out the plain way.
#pragma once

#include <algorithm>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/model.h"

namespace veldran_test {

enum class moneyrefusal { none, places, length, weights, amount, increment, overflow };

// What a money helper gives: its results or the refusal.
struct moneyresult {
  moneyrefusal refusal = moneyrefusal::none;
  std::vector<bigintmodel> results;
};

inline moneyresult moneyrefused(moneyrefusal r) { return moneyresult{r, {}}; }

// A signed whole number of units.
struct signedbig {
  bool negative = false;
  bignum magnitude;
};

inline signedbig signedadd(const signedbig& a, const signedbig& b) {
  if (a.negative == b.negative) return {a.negative, bigadd(a.magnitude, b.magnitude)};
  const int order = bigcompare(a.magnitude, b.magnitude);
  if (order == 0) return {};
  return order > 0 ? signedbig{a.negative, bigsubtract(a.magnitude, b.magnitude)}
                   : signedbig{b.negative, bigsubtract(b.magnitude, a.magnitude)};
}

// Indices by remainder, largest first, the earlier first on a tie; the
// first `count` are the ones that take a unit.
inline std::vector<bool> largestfirst(const std::vector<bignum>& remainders, std::size_t count) {
  std::vector<std::size_t> order(remainders.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return bigcompare(remainders[a], remainders[b]) > 0;
  });
  std::vector<bool> takes(remainders.size(), false);
  for (std::size_t i = 0; i < count && i < order.size(); ++i) takes[order[i]] = true;
  return takes;
}

// `units` of 10^dropped places with a sign, a zero positive; or too big.
inline bool appendunits(moneyresult& r, unsigned long long length, unsigned long long dropped,
                        const signedbig& units) {
  const bignum magnitude = bigmultiply(units.magnitude, bigpow10(dropped));
  const bigresult made = madeof(length, magnitude, units.negative && !iszero(magnitude));
  r.results.push_back(made.value);
  return made.result == outcome::value;
}

// The share of total x weight / sum of weights truncated to `places`, the
// units left over (total less the truncated shares) to the largest remainders.
inline moneyresult allocatemodel(const bigfloatmodel& total,
                                 const std::vector<bigfloatmodel>& weights,
                                 unsigned long long places) {
  const unsigned long long half = total.length / 2;
  if (places > half) return moneyrefused(moneyrefusal::places);
  for (const auto& w : weights) {
    if (w.length != total.length) return moneyrefused(moneyrefusal::length);
  }
  bignum sum;
  for (const auto& w : weights) {
    if (w.value.negative && !iszero(w.value.magnitude)) return moneyrefused(moneyrefusal::weights);
    sum = bigadd(sum, w.value.magnitude);
  }
  if (iszero(sum)) return moneyrefused(moneyrefusal::weights);
  const bigdivision units = bigsplit(total.value.magnitude, half - places);
  if (!iszero(units.remainder)) return moneyrefused(moneyrefusal::amount);
  std::vector<bignum> shares;
  std::vector<bignum> remainders;
  bignum given;
  for (const auto& w : weights) {
    const bigdivision d = bigdivide(bigmultiply(units.quotient, w.value.magnitude), sum);
    shares.push_back(d.quotient);
    remainders.push_back(d.remainder);
    given = bigadd(given, d.quotient);
  }
  const auto left = static_cast<std::size_t>(smallof(bigsubtract(units.quotient, given)));
  const std::vector<bool> takes = largestfirst(remainders, left);
  moneyresult r;
  for (std::size_t i = 0; i < shares.size(); ++i) {
    const bignum share = takes[i] ? bigadd(shares[i], bigof(1)) : shares[i];
    appendunits(r, total.length, half - places, {total.value.negative, share});
  }
  return r;
}

// Floors of the values at `places`, the exact sum rounded half-even, and
// as many floors up by a unit as that rounded sum is above theirs.
inline moneyresult keepingtotalmodel(const std::vector<bigfloatmodel>& values,
                                     unsigned long long places) {
  if (values.empty()) return {};
  const unsigned long long length = values.front().length;
  if (places > length / 2) return moneyrefused(moneyrefusal::places);
  for (const auto& v : values) {
    if (v.length != length) return moneyrefused(moneyrefusal::length);
  }
  const unsigned long long dropped = length / 2 - places;
  const bignum unit = bigpow10(dropped);
  signedbig exact;
  signedbig floorsum;
  std::vector<signedbig> floors;
  std::vector<bignum> remainders;
  for (const auto& v : values) {
    const bool negative = v.value.negative && !iszero(v.value.magnitude);
    bigdivision d = bigsplit(v.value.magnitude, dropped);
    if (negative && !iszero(d.remainder)) {
      d = {bigadd(d.quotient, bigof(1)), bigsubtract(unit, d.remainder)};
    }
    floors.push_back({negative, d.quotient});
    remainders.push_back(d.remainder);
    exact = signedadd(exact, {negative, v.value.magnitude});
    floorsum = signedadd(floorsum, floors.back());
  }
  const bignum rounded = roundquotient(bigsplit(exact.magnitude, dropped), unit, exact.negative,
                                       VELDRAN::rounding::halfeven);
  const signedbig above =
      signedadd({exact.negative, rounded}, {!floorsum.negative, floorsum.magnitude});
  const std::vector<bool> up =
      largestfirst(remainders, static_cast<std::size_t>(smallof(above.magnitude)));
  moneyresult r;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const signedbig result = up[i] ? signedadd(floors[i], {false, bigof(1)}) : floors[i];
    if (!appendunits(r, length, dropped, result)) return moneyrefused(moneyrefusal::overflow);
  }
  return r;
}

// The multiple of the increment that `mode` picks for x / increment.
inline moneyresult cashmodel(const bigfloatmodel& x, const bigfloatmodel& increment,
                             VELDRAN::rounding mode) {
  if (increment.value.negative || iszero(increment.value.magnitude)) {
    return moneyrefused(moneyrefusal::increment);
  }
  if (x.length != increment.length) return moneyrefused(moneyrefusal::length);
  const bignum& step = increment.value.magnitude;
  const bignum count =
      roundquotient(bigdivide(x.value.magnitude, step), step, x.value.negative, mode);
  moneyresult r;
  if (!appendunits(r, x.length, 0, {x.value.negative, bigmultiply(count, step)})) {
    return moneyrefused(moneyrefusal::overflow);
  }
  return r;
}

// A number of `length` places with up to `significant` random digits from
// place `lowest` up, often fewer, and a random sign (-0 included).
inline VELDRAN::fixedfloat randomamount(std::mt19937_64& random, unsigned long long length,
                                        unsigned long long lowest = 0) {
  VELDRAN::fixedfloat x(length);
  const unsigned long long top = lowest + random() % (length - lowest + 1);
  for (unsigned long long p = lowest; p < top; ++p) {
    x.value.digits[p] = static_cast<std::int8_t>(random() % 10);
  }
  x.value.negative = random() % 2 == 0;
  x.updsign();
  return x;
}

// --- Comparing the library with the model ---------------------------------------

inline bigfloatmodel floatmodelof(const VELDRAN::fixedfloat& x) {
  bigfloatmodel m;
  m.length = x.length;
  m.value = freshbig(x.value.size);
  m.value.negative = x.value.negative;
  m.value.magnitude = bigfromdigits(x.value.digits);
  return m;
}

inline std::string resulttext(bool negative, const bignum& magnitude, unsigned long long size) {
  return (negative ? "-" : "+") + bigdecimal(magnitude) + "@" + std::to_string(size) + " ";
}

inline const char* const kRefusalNames[] = {"",       "places",    "length",  "weights",
                                            "amount", "increment", "overflow"};

inline std::string outcometext(const moneyresult& r) {
  if (r.refusal != moneyrefusal::none) {
    return std::string("refused ") + kRefusalNames[static_cast<int>(r.refusal)];
  }
  std::string text;
  for (const auto& m : r.results) text += resulttext(m.negative, m.magnitude, m.size);
  return text;
}

// The results of `call` as outcometext writes the model's, a refusal only
// with its exact class and message; a result whose flag disagrees with
// its value's sign shows a '!'.
template <typename Call>
std::string outcometext(Call call) {
  try {
    std::string text;
    for (const VELDRAN::fixedfloat& x : call()) {
      text += (x.negative != x.value.negative ? "!" : "") +
              resulttext(x.value.negative, bigfromdigits(x.value.digits), x.value.size);
    }
    return text;
  } catch (const std::out_of_range& e) {
    return std::string(e.what()) == "Too many places!" ? "refused places" : e.what();
  } catch (const std::length_error& e) {
    return std::string(e.what()) == "Size is not equal!" ? "refused length" : e.what();
  } catch (const std::overflow_error& e) {
    return std::string(e.what()) == "Overflow occured." ? "refused overflow" : e.what();
  } catch (const std::invalid_argument& e) {
    const std::string what = e.what();
    if (what == "Weights must be non-negative with a positive sum!") return "refused weights";
    if (what == "Amount has more places than its parts!") return "refused amount";
    return what == "Increment must be positive!" ? "refused increment" : what;
  }
}

}  // namespace veldran_test
