// Splitting an amount into parts that add up to it exactly. The shares are
// worked out on limbs of the digits before any part is made, so a refusal
// leaves nothing behind and each part is the one object made for it.
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/limbs.h"
#include "decimal/magnitudes.h"
#include "decimal/money.h"

namespace VELDRAN {

namespace {

using internal::kLimbBase;

// A magnitude in limbs, least significant first, with no zero limb on top:
// zero has none.
using limbnumber = std::vector<std::uint64_t>;

void trim(limbnumber& x) {
  while (!x.empty() && x.back() == 0) {
    x.pop_back();
  }
}

limbnumber fromdigits(const std::int8_t* digits, std::size_t count) {
  limbnumber x(internal::limbcount(count));
  std::size_t inuse = 0;
  internal::packlimbs(digits, count, x.data(), inuse);  // digits at rest
  x.resize(inuse);
  return x;
}

limbnumber fromcount(unsigned long long count) {
  limbnumber x;
  for (; count != 0; count /= kLimbBase) {
    x.push_back(count % kLimbBase);
  }
  return x;
}

// Only for values below 2^64.
unsigned long long tocount(const limbnumber& x) {
  unsigned long long count = 0;
  for (std::size_t k = x.size(); k > 0; --k) {
    count = count * kLimbBase + x[k - 1];
  }
  return count;
}

void addto(limbnumber& sum, const limbnumber& x) {
  sum.resize(std::max(sum.size(), x.size()) + 1, 0);
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < sum.size(); ++k) {
    const std::uint64_t limb = sum[k] + (k < x.size() ? x[k] : 0) + carry;
    carry = limb >= kLimbBase ? 1 : 0;
    sum[k] = limb - carry * kLimbBase;
  }
  trim(sum);
}

limbnumber limbproduct(const limbnumber& a, const limbnumber& b) {
  if (a.empty() || b.empty()) {
    return {};
  }
  limbnumber product(a.size() + b.size());
  internal::multiplylimbs(a.data(), a.size(), b.data(), b.size(), product.data());
  trim(product);
  return product;
}

// a / b toward zero and its remainder; b is not zero.
void limbquotient(const limbnumber& a, const limbnumber& b, limbnumber& quotient,
                  limbnumber& rest) {
  if (a.size() < b.size()) {
    quotient.clear();
    rest = a;
    return;
  }
  quotient.assign(a.size() - b.size() + 1, 0);
  rest.assign(b.size(), 0);
  limbnumber work(internal::divisionwork(a.size(), b.size()));
  internal::dividelimbs(a.data(), a.size(), b.data(), b.size(), quotient.data(), rest.data(),
                        work.data());
  trim(quotient);
  trim(rest);
}

bool greater(const limbnumber& a, const limbnumber& b) {
  if (a.size() != b.size()) {
    return a.size() > b.size();
  }
  return std::lexicographical_compare(b.rbegin(), b.rend(), a.rbegin(), a.rend());
}

[[noreturn]] void refuseweights() {
  throw std::invalid_argument("Weights must be non-negative with a positive sum!");
}

// The total's magnitude in units of its last kept place, refused when a
// digit below that place is not zero.
limbnumber totalunits(const fixedfloat& total, std::size_t dropped) {
  std::vector<std::int8_t> spare;
  const std::int8_t* digits = internal::atrest(total.value.digits, spare);
  if (!internal::iszero(digits, dropped)) {
    throw std::invalid_argument("Amount has more places than its parts!");
  }
  return fromdigits(digits + dropped, total.length - dropped);
}

// Which parts take one unit more than their truncated share: the `extra`
// ones with the largest remainders, the earlier on a tie.
std::vector<bool> takersofextra(const std::vector<limbnumber>& remainders, std::size_t extra) {
  std::vector<std::size_t> order(remainders.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&remainders](std::size_t a, std::size_t b) {
    return greater(remainders[a], remainders[b]);
  });
  std::vector<bool> takes(remainders.size(), false);
  for (std::size_t i = 0; i < extra; ++i) {
    takes[order[i]] = true;
  }
  return takes;
}

// Makes a part: `share` units of the last kept place, one more when `up`.
void appendpart(std::vector<fixedfloat>& parts, unsigned long long length, std::size_t dropped,
                const limbnumber& share, bool up, bool negative) {
  fixedfloat& part = parts.emplace_back(length);
  std::int8_t* digits = part.value.digits.data();
  // No share exceeds the total, which has these places, so both fit.
  static_cast<void>(
      internal::spreadlimbs(share.data(), share.size(), digits + dropped, length - dropped));
  if (up) {
    static_cast<void>(internal::addunit(digits, dropped, length));
  }
  internal::setmoneysign(part, negative);
}

}  // namespace

std::vector<fixedfloat> fixedfloat::allocate(std::size_t parts, unsigned long long places) const {
  internal::checkplaces(places, length);
  internal::checklength(*this, length);
  if (parts == 0) {
    refuseweights();
  }
  const std::size_t dropped = length / 2 - places;
  const limbnumber total = totalunits(*this, dropped);

  // Equal shares leave equal remainders: the first `rest` parts take a unit.
  limbnumber share;
  limbnumber rest;
  limbquotient(total, fromcount(parts), share, rest);
  const unsigned long long takers = tocount(rest);

  std::vector<fixedfloat> result;
  result.reserve(parts);  // no part is ever copied, which would log
  for (std::size_t i = 0; i < parts; ++i) {
    appendpart(result, length, dropped, share, i < takers, value.negative);
  }
  return result;
}

std::vector<fixedfloat> fixedfloat::allocate(const std::vector<fixedfloat>& weights,
                                             unsigned long long places) const {
  internal::checkplaces(places, length);
  internal::checklength(*this, length);
  for (const fixedfloat& weight : weights) {
    internal::checklength(weight, length);
  }

  std::vector<limbnumber> weightunits;
  weightunits.reserve(weights.size());
  limbnumber weightsum;
  for (const fixedfloat& weight : weights) {
    std::vector<std::int8_t> spare;
    const std::int8_t* digits = internal::atrest(weight.value.digits, spare);
    weightunits.push_back(fromdigits(digits, length));
    if (weight.value.negative && !weightunits.back().empty()) {
      refuseweights();
    }
    addto(weightsum, weightunits.back());
  }
  if (weightsum.empty()) {
    refuseweights();  // no weights, or all of them zero
  }
  const std::size_t dropped = length / 2 - places;
  const limbnumber total = totalunits(*this, dropped);

  // share_i = total x weight_i / sum, truncated; the remainders add up to
  // a whole number of sums, which is the count of units left over.
  std::vector<limbnumber> shares(weights.size());
  std::vector<limbnumber> remainders(weights.size());
  limbnumber remaindersum;
  for (std::size_t i = 0; i < weights.size(); ++i) {
    limbquotient(limbproduct(total, weightunits[i]), weightsum, shares[i], remainders[i]);
    addto(remaindersum, remainders[i]);
  }
  limbnumber leftover;
  limbnumber unused;
  limbquotient(remaindersum, weightsum, leftover, unused);
  const std::vector<bool> takes = takersofextra(remainders, tocount(leftover));

  std::vector<fixedfloat> result;
  result.reserve(weights.size());  // no part is ever copied, which would log
  for (std::size_t i = 0; i < weights.size(); ++i) {
    appendpart(result, length, dropped, shares[i], takes[i], value.negative);
  }
  return result;
}

}  // namespace VELDRAN
