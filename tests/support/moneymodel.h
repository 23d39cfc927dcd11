// The money helpers on the big-integer model: splits, columns rounded to
// keep their total, and cash rounding, each worked out the plain way, and
// their outcomes as text to compare with the library's.
#pragma once

#include <algorithm>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "support/log_capture.h"
#include "support/model.h"

namespace veldran_test {

// Results as "+digits@size " each, or a refusal as "class: message".
using moneyoutcome = std::string;

inline const char* const kTooManyPlaces = "out_of_range: Too many places!";
inline const char* const kOtherLength = "length_error: Size is not equal!";
inline const char* const kBadWeights =
    "invalid_argument: Weights must be non-negative with a positive sum!";
inline const char* const kAmountPlaces = "invalid_argument: Amount has more places than its parts!";
inline const char* const kBadIncrement = "invalid_argument: Increment must be positive!";
inline const char* const kOverflow = "overflow_error: Overflow occured.";

inline std::string resulttext(bool negative, const bignum& magnitude, unsigned long long size) {
  return (negative ? "-" : "+") + bigdecimal(magnitude) + "@" + std::to_string(size) + " ";
}

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

// The first `count` indices by remainder, largest first, the earlier on a tie.
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

// Appends `units` of 10^dropped, a zero positive; false when too big.
inline bool appendunits(moneyoutcome& out, unsigned long long length, unsigned long long dropped,
                        const signedbig& units) {
  const bignum magnitude = bigmultiply(units.magnitude, bigpow10(dropped));
  out += resulttext(units.negative && !iszero(magnitude), magnitude, length);
  return bigplaces(magnitude) <= length;
}

// Shares of total x weight / sum truncated to `places`; the units left over
// (the total less the shares) go to the largest remainders.
inline moneyoutcome allocatemodel(const bigfloatmodel& total,
                                  const std::vector<bigfloatmodel>& weights,
                                  unsigned long long places) {
  const unsigned long long half = total.length / 2;
  if (places > half) return kTooManyPlaces;
  for (const auto& w : weights) {
    if (w.length != total.length) return kOtherLength;
  }
  bignum sum;
  for (const auto& w : weights) {
    if (w.value.negative && !iszero(w.value.magnitude)) return kBadWeights;
    sum = bigadd(sum, w.value.magnitude);
  }
  if (iszero(sum)) return kBadWeights;
  const bigdivision units = bigsplit(total.value.magnitude, half - places);
  if (!iszero(units.remainder)) return kAmountPlaces;
  std::vector<bignum> shares, remainders;
  bignum given;
  for (const auto& w : weights) {
    const bigdivision d = bigdivide(bigmultiply(units.quotient, w.value.magnitude), sum);
    shares.push_back(d.quotient);
    remainders.push_back(d.remainder);
    given = bigadd(given, d.quotient);
  }
  const auto left = static_cast<std::size_t>(smallof(bigsubtract(units.quotient, given)));
  const std::vector<bool> takes = largestfirst(remainders, left);
  moneyoutcome out;
  for (std::size_t i = 0; i < shares.size(); ++i) {
    const bignum share = takes[i] ? bigadd(shares[i], bigof(1)) : shares[i];
    appendunits(out, total.length, half - places, {total.value.negative, share});
  }
  return out;
}

// Floors at `places`, the exact sum rounded half-even, and as many floors
// one unit up as that rounded sum lies above theirs.
inline moneyoutcome keepingtotalmodel(const std::vector<bigfloatmodel>& values,
                                      unsigned long long places) {
  if (values.empty()) return {};
  const unsigned long long length = values.front().length;
  if (places > length / 2) return kTooManyPlaces;
  for (const auto& v : values) {
    if (v.length != length) return kOtherLength;
  }
  const unsigned long long dropped = length / 2 - places;
  const bignum unit = bigpow10(dropped);
  signedbig exact, floorsum;
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
  moneyoutcome out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const signedbig result = up[i] ? signedadd(floors[i], {false, bigof(1)}) : floors[i];
    if (!appendunits(out, length, dropped, result)) return kOverflow;
  }
  return out;
}

// The multiple of the increment that `mode` picks for x / increment.
inline moneyoutcome cashmodel(const bigfloatmodel& x, const bigfloatmodel& increment,
                              VELDRAN::rounding mode) {
  if (increment.value.negative || iszero(increment.value.magnitude)) return kBadIncrement;
  if (x.length != increment.length) return kOtherLength;
  const bignum& step = increment.value.magnitude;
  const bignum count =
      roundquotient(bigdivide(x.value.magnitude, step), step, x.value.negative, mode);
  moneyoutcome out;
  return appendunits(out, x.length, 0, {x.value.negative, bigmultiply(count, step)}) ? out
                                                                                     : kOverflow;
}

// A number of `length` places with random digits from place `lowest` up
// to a random top, and a random sign (-0 included).
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

// Numbers of one length made from their texts, never copied.
inline std::vector<VELDRAN::fixedfloat> numbers(unsigned long long length,
                                                const std::vector<const char*>& texts) {
  std::vector<VELDRAN::fixedfloat> result;
  result.reserve(texts.size());
  for (const char* text : texts) result.emplace_back(length, text);
  return result;
}

inline bigfloatmodel floatmodelof(const VELDRAN::fixedfloat& x) {
  bigfloatmodel m;
  m.length = x.length;
  m.value = freshbig(x.value.size);
  m.value.negative = x.value.negative;
  m.value.magnitude = bigfromdigits(x.value.digits);
  return m;
}

// A result as the models write it; a flag that disagrees with the sign of
// its value shows a '!'.
inline moneyoutcome outcomeoftext(const VELDRAN::fixedfloat& x) {
  return (x.negative != x.value.negative ? "!" : "") +
         resulttext(x.value.negative, bigfromdigits(x.value.digits), x.value.size);
}

inline moneyoutcome outcomeoftext(const std::vector<VELDRAN::fixedfloat>& results) {
  moneyoutcome out;
  for (const VELDRAN::fixedfloat& x : results) out += outcomeoftext(x);
  return out;
}

// What `call` gives, one result or several, written as the models write
// it; a refusal as its class and message.
template <typename Call>
moneyoutcome moneyof(Call call) {
  try {
    return outcomeof([&] { return outcomeoftext(call()); });  // results kept, not copied
  } catch (const std::invalid_argument& e) {
    return std::string("invalid_argument: ") + e.what();
  }
}

// The lines that making `count` numbers through fixedfloat(length) logs;
// it empties the log.
inline std::vector<std::string> makinglines(std::size_t count, unsigned long long length) {
  const LogCapture capture;
  std::vector<std::string> one;
  {
    const VELDRAN::fixedfloat made(length);
    one = capture.messages();
  }
  std::vector<std::string> lines;
  for (; count > 0; --count) lines.insert(lines.end(), one.begin(), one.end());
  return lines;
}

}  // namespace veldran_test
