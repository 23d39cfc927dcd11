#include "decimal/bignum.h"

#include <algorithm>

#include "decimal/limbs.h"

namespace VELDRAN::internal {

namespace {

void trim(bignum& a) {
  while (!a.limbs.empty() && a.limbs.back() == 0) {
    a.limbs.pop_back();
  }
}

}  // namespace

bignum bigof(std::uint64_t value) {
  bignum a;
  for (; value != 0; value /= kLimbBase) {
    a.limbs.push_back(value % kLimbBase);
  }
  return a;
}

bignum bigpow10(std::size_t places) { return shiftup(bigof(1), places); }

bignum bigfromdigits(const std::int8_t* digits, std::size_t count) {
  bignum a;
  a.limbs.resize(limbcount(count));
  std::size_t inuse = 0;
  packlimbs(digits, count, a.limbs.data(), inuse);
  a.limbs.resize(inuse);
  trim(a);
  return a;
}

bool bigtodigits(const bignum& a, std::int8_t* digits, std::size_t places) {
  return spreadlimbs(a.limbs.data(), a.limbs.size(), digits, places);
}

std::size_t decimaldigits(const bignum& a) {
  if (a.limbs.empty()) {
    return 0;
  }
  std::size_t digits = (a.limbs.size() - 1) * kDigitsPerLimb;
  for (std::uint64_t top = a.limbs.back(); top != 0; top /= 10) {
    ++digits;
  }
  return digits;
}

std::size_t trailingzeros(const bignum& a) {
  std::size_t zeros = 0;
  for (const std::uint64_t limb : a.limbs) {
    if (limb != 0) {
      for (std::uint64_t rest = limb; rest % 10 == 0; rest /= 10) {
        ++zeros;
      }
      return zeros;
    }
    zeros += kDigitsPerLimb;
  }
  return 0;
}

int compare(const bignum& a, const bignum& b) {
  if (a.limbs.size() != b.limbs.size()) {
    return a.limbs.size() < b.limbs.size() ? -1 : 1;
  }
  for (std::size_t k = a.limbs.size(); k > 0; --k) {
    if (a.limbs[k - 1] != b.limbs[k - 1]) {
      return a.limbs[k - 1] < b.limbs[k - 1] ? -1 : 1;
    }
  }
  return 0;
}

std::uint64_t smallof(const bignum& a) {
  if (a.limbs.size() > 3) {
    return UINT64_MAX;
  }
  std::uint64_t value = 0;
  for (std::size_t k = a.limbs.size(); k > 0; --k) {
    if (value > (UINT64_MAX - a.limbs[k - 1]) / kLimbBase) {
      return UINT64_MAX;
    }
    value = value * kLimbBase + a.limbs[k - 1];
  }
  return value;
}

bignum add(const bignum& a, const bignum& b) {
  const bignum& longer = a.limbs.size() >= b.limbs.size() ? a : b;
  const bignum& shorter = a.limbs.size() >= b.limbs.size() ? b : a;
  bignum sum;
  sum.limbs.resize(longer.limbs.size() + 1);
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < longer.limbs.size(); ++k) {
    const std::uint64_t s =
        longer.limbs[k] + (k < shorter.limbs.size() ? shorter.limbs[k] : 0) + carry;
    carry = s >= kLimbBase ? 1 : 0;
    sum.limbs[k] = s - carry * kLimbBase;
  }
  sum.limbs.back() = carry;
  trim(sum);
  return sum;
}

bignum subtract(const bignum& a, const bignum& b) {
  bignum difference = a;
  std::uint64_t borrow = 0;
  for (std::size_t k = 0; k < difference.limbs.size(); ++k) {
    const std::uint64_t take = (k < b.limbs.size() ? b.limbs[k] : 0) + borrow;
    borrow = difference.limbs[k] < take ? 1 : 0;
    difference.limbs[k] = difference.limbs[k] + borrow * kLimbBase - take;
  }
  trim(difference);
  return difference;
}

bignum multiply(const bignum& a, const bignum& b) {
  bignum product;
  if (iszero(a) || iszero(b)) {
    return product;
  }
  product.limbs.resize(a.limbs.size() + b.limbs.size());
  multiplylimbs(a.limbs.data(), a.limbs.size(), b.limbs.data(), b.limbs.size(),
                product.limbs.data());
  trim(product);
  return product;
}

bignum multiplysmall(const bignum& a, std::uint64_t factor) {
  bignum product;
  product.limbs.resize(a.limbs.size() + 1);
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < a.limbs.size(); ++k) {
    const std::uint64_t p = a.limbs[k] * factor + carry;
    carry = p / kLimbBase;
    product.limbs[k] = p % kLimbBase;
  }
  product.limbs.back() = carry;
  trim(product);
  return product;
}

bignum dividesmall(const bignum& a, std::uint64_t divisor, std::uint64_t& rest) {
  bignum q = a;
  rest = 0;
  for (std::size_t k = q.limbs.size(); k > 0; --k) {
    const std::uint64_t part = rest * kLimbBase + q.limbs[k - 1];
    q.limbs[k - 1] = part / divisor;
    rest = part % divisor;
  }
  trim(q);
  return q;
}

void divide(const bignum& a, const bignum& b, bignum& quotient, bignum& rest) {
  const std::size_t na = a.limbs.size();
  const std::size_t nb = b.limbs.size();
  if (na < nb) {
    quotient = bignum();
    rest = a;
    return;
  }
  std::vector<std::uint64_t> q(na - nb + 1);
  std::vector<std::uint64_t> r(nb);
  std::vector<std::uint64_t> work(divisionwork(na, nb));
  dividelimbs(a.limbs.data(), na, b.limbs.data(), nb, q.data(), r.data(), work.data());
  quotient.limbs.swap(q);
  rest.limbs.swap(r);
  trim(quotient);
  trim(rest);
}

bignum quotient(const bignum& a, const bignum& b) {
  bignum q;
  bignum r;
  divide(a, b, q, r);
  return q;
}

bignum shiftup(const bignum& a, std::size_t places) {
  bignum scaled;
  scaled.limbs.resize(a.limbs.size() + places / kDigitsPerLimb + 1);
  std::copy(a.limbs.begin(), a.limbs.end(), scaled.limbs.begin());
  scaled.limbs.resize(scaleup(scaled.limbs.data(), a.limbs.size(), places));
  return scaled;
}

bignum shiftdown(const bignum& a, std::size_t places) {
  bignum scaled = a;
  scaled.limbs.resize(scaledown(scaled.limbs.data(), scaled.limbs.size(), places));
  return scaled;
}

remainder dropped(const bignum& a, std::size_t places) {
  return lowdigits(a.limbs.data(), a.limbs.size(), places);
}

// Newton's iteration from above: it falls until it reaches the root.
bignum squareroot(const bignum& a) {
  if (iszero(a)) {
    return a;
  }
  bignum root = bigpow10((decimaldigits(a) + 1) / 2);
  for (;;) {
    std::uint64_t odd = 0;
    bignum next = dividesmall(add(root, quotient(a, root)), 2, odd);
    if (compare(next, root) >= 0) {
      return root;
    }
    root.limbs.swap(next.limbs);
  }
}

std::vector<bool> bitsof(const bignum& n) {
  std::vector<bool> bits;
  if (n.limbs.size() <= 2) {  // below 10^16: the machine word's bits
    for (std::uint64_t v = smallof(n); v != 0; v >>= 1U) {
      bits.push_back((v & 1U) != 0);
    }
    std::reverse(bits.begin(), bits.end());
    return bits;
  }
  bignum rest = n;
  while (!iszero(rest)) {
    std::uint64_t bit = 0;
    rest = dividesmall(rest, 2, bit);
    bits.push_back(bit != 0);
  }
  std::reverse(bits.begin(), bits.end());
  return bits;
}

bool power(const bignum& a, const bignum& n, std::size_t maxdigits, bignum& result) {
  result = bigof(1);
  for (const bool bit : bitsof(n)) {
    result = multiply(result, result);
    if (bit) {
      result = multiply(result, a);
    }
    if (decimaldigits(result) > maxdigits) {
      return false;
    }
  }
  return true;
}

signedbig add(const signedbig& a, const signedbig& b) {
  signedbig sum;
  if (a.negative == b.negative) {
    sum.magnitude = add(a.magnitude, b.magnitude);
    sum.negative = a.negative;
  } else if (compare(a.magnitude, b.magnitude) >= 0) {
    sum.magnitude = subtract(a.magnitude, b.magnitude);
    sum.negative = a.negative;
  } else {
    sum.magnitude = subtract(b.magnitude, a.magnitude);
    sum.negative = b.negative;
  }
  return sum;
}

bignum roundshifted(const bignum& a, std::size_t places, rounding mode, bool negative) {
  bignum kept = shiftdown(a, places);
  if (roundsup(mode, negative, isodd(kept), dropped(a, places))) {
    kept = add(kept, bigof(1));
  }
  return kept;
}

bignum roundquotient(const bignum& numerator, const bignum& denominator, rounding mode,
                     bool negative) {
  bignum q;
  bignum r;
  divide(numerator, denominator, q, r);
  remainder rest = remainder::zero;
  if (!iszero(r)) {
    const int half = compare(multiplysmall(r, 2), denominator);
    rest = half < 0 ? remainder::belowhalf : half == 0 ? remainder::half : remainder::abovehalf;
  }
  if (roundsup(mode, negative, isodd(q), rest)) {
    q = add(q, bigof(1));
  }
  return q;
}

}  // namespace VELDRAN::internal
