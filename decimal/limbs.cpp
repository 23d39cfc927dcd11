#include "decimal/limbs.h"

#include <algorithm>

#include "decimal/digitwords.h"

namespace VELDRAN::internal {

namespace {

// Rows summed between two carry passes: 1024 products below 10^16 on top of
// a carried column below 10^8 stay below 2^64.
constexpr std::size_t kRowsPerCarry = 1024;

constexpr std::uint64_t kPowersOfTen[kDigitsPerLimb + 1] = {  // NOLINT(*-avoid-c-arrays)
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

void keeplargest(std::uint8_t digit, std::uint8_t& largest) {
  largest = digit > largest ? digit : largest;
}

// Four digits, units first, as one number; below 10^4 when they are at rest.
// `largest` keeps the largest digit seen, read as unsigned.
std::uint64_t fourdigits(const std::int8_t* digits, std::uint8_t& largest) {
  const auto d0 = static_cast<std::uint8_t>(digits[0]);
  const auto d1 = static_cast<std::uint8_t>(digits[1]);
  const auto d2 = static_cast<std::uint8_t>(digits[2]);
  const auto d3 = static_cast<std::uint8_t>(digits[3]);
  keeplargest(d0, largest);
  keeplargest(d1, largest);
  keeplargest(d2, largest);
  keeplargest(d3, largest);
  return d0 + 10U * d1 + 100U * d2 + 1000U * d3;
}

// A word is zero whatever its byte order.
bool eightzeros(const std::int8_t* digits) { return loadword(digits) == 0; }

// Places up to the top of the highest limb that holds a non-zero digit.
// Whole limbs are tested eight places at a time, which costs far less than
// packing the zeros.
std::size_t placesinuse(const std::int8_t* digits, std::size_t count) {
  const std::size_t whole = count / kDigitsPerLimb * kDigitsPerLimb;
  std::size_t inuse = count;
  while (inuse > whole && digits[inuse - 1] == 0) {
    --inuse;
  }
  if (inuse > whole) {
    return inuse;  // a non-zero digit in the partial top limb
  }
  while (inuse > 0 && eightzeros(digits + inuse - kDigitsPerLimb)) {
    inuse -= kDigitsPerLimb;
  }
  return inuse;
}

// Leaves every column below 10^8, passing the excess up. The partial
// product fits the columns, so nothing is carried out of the top one.
void carrycolumns(std::uint64_t* columns, std::size_t count) {
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint64_t column = columns[k] + carry;
    carry = column / kLimbBase;
    columns[k] = column % kLimbBase;
  }
}

// The two digits of each number below 100, units first: limbs are written
// two places at a time.
struct digitpairs {
  std::int8_t digits[100][2];  // NOLINT(cppcoreguidelines-avoid-c-arrays)
};

constexpr digitpairs makedigitpairs() {
  digitpairs pairs{};
  for (int value = 0; value < 100; ++value) {
    pairs.digits[value][0] = static_cast<std::int8_t>(value % 10);
    pairs.digits[value][1] = static_cast<std::int8_t>(value / 10);
  }
  return pairs;
}

constexpr digitpairs kDigitPairs = makedigitpairs();

// Writes the four digits of a number below 10^4, units first.
void spreadfour(std::uint32_t value, std::int8_t* digits) {
  const std::int8_t* low = kDigitPairs.digits[value % 100];
  const std::int8_t* high = kDigitPairs.digits[value / 100];
  digits[0] = low[0];
  digits[1] = low[1];
  digits[2] = high[0];
  digits[3] = high[1];
}

// The eight places of a word at rest as a limb: neighbouring places join
// into pairs, pairs into fours, fours into the limb.
std::uint64_t wordlimb(std::uint64_t word) {
  constexpr std::uint64_t bytes = 0x00FF00FF00FF00FFULL;
  constexpr std::uint64_t pairs = 0x0000FFFF0000FFFFULL;
  const std::uint64_t twos = (word & bytes) + ((word >> 8) & bytes) * 10;
  const std::uint64_t fours = (twos & pairs) + ((twos >> 16) & pairs) * 100;
  return (fours & 0xFFFFFFFFULL) + (fours >> 32) * 10000;
}

// The reverse: the limb's fours, split into pairs, split into places. Each
// division is a multiplication that stays inside its lane.
std::uint64_t limbword(std::uint64_t limb) {
  const std::uint64_t fours = (limb % 10000) | ((limb / 10000) << 32);
  const std::uint64_t hundreds = ((fours * 5243) >> 19) & 0x0000007F0000007FULL;  // v / 100
  const std::uint64_t twos = (fours - hundreds * 100) | (hundreds << 16);
  const std::uint64_t tens = ((twos * 103) >> 10) & 0x000F000F000F000FULL;  // v / 10
  return (twos - tens * 10) | (tens << 8);
}

// packlimbs for the `inuse` places when places are words: the whole limbs
// a word at a time, the top partial one place by place.
bool packwords(const std::int8_t* digits, std::size_t inuse, std::uint64_t* limbs,
               std::size_t& limbsinuse) {
  const std::size_t whole = inuse / kDigitsPerLimb;
  std::uint64_t outside = 0;
  for (std::size_t k = 0; k < whole; ++k) {
    const std::uint64_t word = loadword(digits + k * kDigitsPerLimb);
    outside |= notatrest(word);
    limbs[k] = wordlimb(word);
  }
  bool atrest = outside == 0;
  if (inuse % kDigitsPerLimb != 0) {
    std::uint64_t limb = 0;
    for (std::size_t i = inuse; i > whole * kDigitsPerLimb; --i) {
      const auto digit = static_cast<std::uint8_t>(digits[i - 1]);
      atrest = atrest && digit <= 9;
      limb = limb * 10 + digit;
    }
    limbs[whole] = limb;
  }
  limbsinuse = limbcount(inuse);
  return atrest;
}

std::size_t withouttopzeros(const std::uint64_t* limbs, std::size_t count) {
  while (count > 0 && limbs[count - 1] == 0) {
    --count;
  }
  return count;
}

// Subtracts q times v (n limbs) from u (n + 1 limbs); true when that went
// below zero, in which case u holds the difference plus base^(n+1). Each
// product is split into its limbs apart from the others, so that only a
// borrow of up to two runs from limb to limb.
bool multiplysubtract(std::uint64_t* u, const std::uint64_t* v, std::size_t n, std::uint64_t q) {
  std::uint64_t high = 0;  // the upper limb of the previous product
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t product = q * v[i];
    const std::uint64_t take = product % kLimbBase + high + borrow;  // at most 2 base
    high = product / kLimbBase;
    borrow = (u[i] < take ? 1 : 0) + (u[i] + kLimbBase < take ? 1 : 0);
    u[i] = u[i] + borrow * kLimbBase - take;
  }
  const std::uint64_t take = high + borrow;
  const bool below = u[n] < take;
  u[n] = u[n] + (below ? kLimbBase : 0) - take;
  return below;
}

// Adds v (n limbs) back to u (n + 1 limbs), dropping the carry out of the top.
void addback(std::uint64_t* u, const std::uint64_t* v, std::size_t n) {
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t sum = u[i] + v[i] + carry;
    carry = sum >= kLimbBase ? 1 : 0;
    u[i] = sum - carry * kLimbBase;
  }
  u[n] = (u[n] + carry) % kLimbBase;
}

// A divisor limb with its reciprocal, so that each quotient limb's
// estimate costs a multiplication rather than a division.
struct limbdivisor {
  std::uint64_t value;
  double reciprocal;
  explicit limbdivisor(std::uint64_t limb)
      : value(limb), reciprocal(1.0 / static_cast<double>(limb)) {}
};

// top / d and top % d for top below base^2: the floating-point quotient is
// off by at most a unit or two, which the corrections take out.
void dividetop(std::uint64_t top, const limbdivisor& d, std::uint64_t& q, std::uint64_t& r) {
  // Signed conversions, top being far below 2^63, are the cheaper ones.
  const auto signedtop = static_cast<std::int64_t>(top);
  auto quotient = static_cast<std::uint64_t>(
      static_cast<std::int64_t>(static_cast<double>(signedtop) * d.reciprocal));
  auto rest = static_cast<std::int64_t>(top - quotient * d.value);
  const auto divisor = static_cast<std::int64_t>(d.value);
  while (rest < 0) {
    --quotient;
    rest += divisor;
  }
  while (rest >= divisor) {
    ++quotient;
    rest -= divisor;
  }
  q = quotient;
  r = static_cast<std::uint64_t>(rest);
}

// The next quotient limb's estimate from the top of u and v: never too
// small, and at most one too large once refined by the second limb.
std::uint64_t estimate(const std::uint64_t* u, const std::uint64_t* v, std::size_t n,
                       const limbdivisor& top) {
  std::uint64_t q = 0;
  std::uint64_t r = 0;
  dividetop(u[n] * kLimbBase + u[n - 1], top, q, r);
  while (q >= kLimbBase || (n >= 2 && q * v[n - 2] > r * kLimbBase + u[n - 2])) {
    --q;
    r += v[n - 1];
    if (r >= kLimbBase) {
      break;
    }
  }
  return q;
}

}  // namespace

// Each product is split into its limbs apart from the others, so that
// only a carry of one runs from limb to limb.
std::uint64_t multiplysmall(std::uint64_t* x, std::size_t count, std::uint64_t factor) {
  std::uint64_t high = 0;  // the upper limb of the previous product
  std::uint64_t carry = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint64_t product = x[k] * factor;
    const std::uint64_t sum = product % kLimbBase + high + carry;  // below 2 base
    high = product / kLimbBase;
    carry = sum >= kLimbBase ? 1 : 0;
    x[k] = sum - carry * kLimbBase;
  }
  return high + carry;
}

std::uint64_t dividesmall(std::uint64_t* x, std::size_t count, std::uint64_t divisor) {
  const limbdivisor d(divisor);
  std::uint64_t rest = 0;
  for (std::size_t k = count; k > 0; --k) {
    dividetop(rest * kLimbBase + x[k - 1], d, x[k - 1], rest);
  }
  return rest;
}

// --- Packing and spreading ---------------------------------------------------

namespace {

// packlimbs of the `inuse` places that placesinuse found.
bool packinuse(const std::int8_t* digits, std::size_t inuse, std::uint64_t* limbs,
               std::size_t& limbsinuse) {
  std::uint8_t largest = 0;
  const std::size_t whole = inuse / kDigitsPerLimb;
  if (kPlacesAreWords) {
    return packwords(digits, inuse, limbs, limbsinuse);
  }
  for (std::size_t k = 0; k < whole; ++k) {
    const std::int8_t* limbdigits = digits + k * kDigitsPerLimb;
    limbs[k] = fourdigits(limbdigits, largest) + 10000 * fourdigits(limbdigits + 4, largest);
  }
  if (inuse % kDigitsPerLimb != 0) {
    std::uint64_t limb = 0;
    for (std::size_t i = inuse; i > whole * kDigitsPerLimb; --i) {
      const auto digit = static_cast<std::uint8_t>(digits[i - 1]);
      keeplargest(digit, largest);
      limb = limb * 10 + digit;
    }
    limbs[whole] = limb;
  }
  limbsinuse = limbcount(inuse);
  return largest <= 9;
}

}  // namespace

bool packlimbs(const std::int8_t* digits, std::size_t count, std::uint64_t* limbs,
               std::size_t& limbsinuse) {
  return packinuse(digits, placesinuse(digits, count), limbs, limbsinuse);
}

void spreadlimb(std::uint64_t limb, std::int8_t* digits) {
  if (kPlacesAreWords) {
    storeword(digits, limbword(limb));
    return;
  }
  const auto value = static_cast<std::uint32_t>(limb);
  spreadfour(value % 10000, digits);
  spreadfour(value / 10000, digits + 4);
}

bool spreadlimbs(const std::uint64_t* limbs, std::size_t count, std::int8_t* digits,
                 std::size_t places) {
  count = withouttopzeros(limbs, count);
  if (count == 0) {
    std::fill(digits, digits + places, std::int8_t{0});
    return true;
  }
  const std::size_t top = count - 1;
  const std::size_t toplow = top * kDigitsPerLimb;  // the top limb's units place
  if (toplow >= places) {
    return false;
  }
  for (std::size_t k = 0; k < top; ++k) {
    spreadlimb(limbs[k], digits + k * kDigitsPerLimb);
  }
  if (toplow + kDigitsPerLimb <= places) {
    // The whole top limb fits: its leading zeros are the places above it.
    spreadlimb(limbs[top], digits + toplow);
    std::fill(digits + toplow + kDigitsPerLimb, digits + places, std::int8_t{0});
    return true;
  }
  std::size_t p = toplow;
  for (std::uint64_t limb = limbs[top]; limb != 0; limb /= 10, ++p) {
    if (p >= places) {
      return false;
    }
    digits[p] = static_cast<std::int8_t>(limb % 10);
  }
  std::fill(digits + p, digits + places, std::int8_t{0});
  return true;
}

// --- Decimal shifts ------------------------------------------------------------

std::size_t scaleup(std::uint64_t* limbs, std::size_t count, std::size_t places) {
  count = withouttopzeros(limbs, count);
  if (count == 0 || places == 0) {
    return count;
  }
  const std::size_t whole = places / kDigitsPerLimb;
  std::copy_backward(limbs, limbs + count, limbs + count + whole);
  std::fill(limbs, limbs + whole, 0);
  count += whole;
  limbs[count] = multiplysmall(limbs, count, kPowersOfTen[places % kDigitsPerLimb]);
  return withouttopzeros(limbs, count + 1);
}

std::size_t scaledown(std::uint64_t* limbs, std::size_t count, std::size_t places) {
  const std::size_t whole = places / kDigitsPerLimb;
  if (whole >= count) {
    return 0;
  }
  std::copy(limbs + whole, limbs + count, limbs);
  count -= whole;
  if (places % kDigitsPerLimb != 0) {  // a shift by whole limbs divides by nothing
    dividesmall(limbs, count, kPowersOfTen[places % kDigitsPerLimb]);
  }
  return withouttopzeros(limbs, count);
}

remainder lowdigits(const std::uint64_t* limbs, std::size_t count, std::size_t places) {
  if (places == 0) {
    return remainder::zero;
  }
  const std::size_t top = places - 1;  // the highest dropped place
  const std::size_t limb = top / kDigitsPerLimb;
  if (limb >= count) {
    return classify(0, withouttopzeros(limbs, count) != 0);
  }
  const std::uint64_t below = kPowersOfTen[top % kDigitsPerLimb];
  const auto first = static_cast<int>(limbs[limb] / below % 10);
  const bool rest = limbs[limb] % below != 0 || withouttopzeros(limbs, limb) != 0;
  return classify(first, rest);
}

// --- Multiplication ------------------------------------------------------------

void schoolbookmultiply(const std::uint64_t* a, std::size_t na, const std::uint64_t* b,
                        std::size_t nb, std::uint64_t* columns) {
  const std::size_t nc = na + nb;
  for (std::size_t k = 0; k < nc; ++k) {
    columns[k] = 0;
  }
  // Rows four or two at a time: each column is read and written once for
  // all of them.
  std::size_t i = 0;
  for (; nb >= 3 && i + 4 <= na; i += 4) {
    const std::uint64_t a0 = a[i];
    const std::uint64_t a1 = a[i + 1];
    const std::uint64_t a2 = a[i + 2];
    const std::uint64_t a3 = a[i + 3];
    std::uint64_t* row = columns + i;
    row[0] += a0 * b[0];
    row[1] += a0 * b[1] + a1 * b[0];
    row[2] += a0 * b[2] + a1 * b[1] + a2 * b[0];
    for (std::size_t j = 3; j < nb; ++j) {
      row[j] += a0 * b[j] + a1 * b[j - 1] + a2 * b[j - 2] + a3 * b[j - 3];
    }
    row[nb] += a1 * b[nb - 1] + a2 * b[nb - 2] + a3 * b[nb - 3];
    row[nb + 1] += a2 * b[nb - 1] + a3 * b[nb - 2];
    row[nb + 2] += a3 * b[nb - 1];
    if ((i + 4) % kRowsPerCarry == 0) {
      carrycolumns(columns, nc);
    }
  }
  for (; i + 2 <= na; i += 2) {
    const std::uint64_t low = a[i];
    const std::uint64_t high = a[i + 1];
    std::uint64_t* row = columns + i;
    row[0] += low * b[0];
    for (std::size_t j = 1; j < nb; ++j) {
      row[j] += low * b[j] + high * b[j - 1];
    }
    row[nb] += high * b[nb - 1];
    if ((i + 2) % kRowsPerCarry == 0) {
      carrycolumns(columns, nc);
    }
  }
  if (i < na) {
    const std::uint64_t last = a[i];
    for (std::size_t j = 0; j < nb; ++j) {
      columns[i + j] += last * b[j];
    }
  }
  carrycolumns(columns, nc);
}

productfit multiplyatrest(const std::int8_t* left, const std::int8_t* right, std::int8_t* product,
                          std::size_t places) {
  // One allocation for the operands, the columns and the kernel's work,
  // sized by the places in use: a large product's scratch then comes from
  // the heap again on the next call instead of being faulted in afresh.
  const std::size_t leftinuse = placesinuse(left, places);
  const std::size_t rightinuse = placesinuse(right, places);
  const std::size_t la = limbcount(leftinuse);
  const std::size_t lb = limbcount(rightinuse);
  kernelscratch scratch(2 * (la + lb) + multiplywork(la, lb));
  std::uint64_t* a = scratch.data();
  std::uint64_t* b = a + la;
  std::uint64_t* columns = b + lb;
  std::size_t na = 0;
  std::size_t nb = 0;
  if (!packinuse(left, leftinuse, a, na) || !packinuse(right, rightinuse, b, nb)) {
    return productfit::notatrest;
  }
  if (na == 0 || nb == 0) {
    return productfit::fits;  // a zero operand
  }
  multiplylimbs(a, na, b, nb, columns, columns + na + nb);

  // The top column may be 0; below the top non-zero limb every place fits.
  const std::size_t nc = na + nb;
  const std::size_t top = columns[nc - 1] != 0 ? nc - 1 : nc - 2;
  const std::size_t toplow = top * kDigitsPerLimb;  // the top limb's units place
  if (toplow >= places) {
    return productfit::toolarge;
  }
  for (std::size_t k = 0; k < top; ++k) {
    spreadlimb(columns[k], product + k * kDigitsPerLimb);
  }
  std::size_t p = toplow;
  for (std::uint64_t limb = columns[top]; limb != 0; limb /= 10, ++p) {
    if (p >= places) {
      return productfit::toolarge;
    }
    product[p] = static_cast<std::int8_t>(limb % 10);
  }
  return productfit::fits;
}

// --- Division ------------------------------------------------------------------

void longdivide(std::uint64_t* u, std::size_t m, const std::uint64_t* v, std::size_t n,
                std::uint64_t* q) {
  const limbdivisor top(v[n - 1]);
  for (std::size_t j = m; j > 0; --j) {
    std::uint64_t* window = u + j - 1;  // n + 1 limbs
    std::uint64_t limb = estimate(window, v, n, top);
    // A zero limb, as often the top one, leaves the window as it is.
    if (limb != 0 && multiplysubtract(window, v, n, limb)) {
      --limb;  // rare: the estimate was one too large
      addback(window, v, n);
    }
    q[j - 1] = limb;
  }
}

// Knuth's algorithm D in base 10^8: both operands are scaled so that the
// divisor's top limb is at least half the base, which keeps each quotient
// limb's estimate from the top two limbs at most one too large.
void schoolbookdivide(const std::uint64_t* a, std::size_t na, const std::uint64_t* b,
                      std::size_t nb, std::uint64_t* quotient, std::uint64_t* remainder,
                      std::uint64_t* work) {
  if (na < nb) {
    std::copy(a, a + na, remainder);
    std::fill(remainder + na, remainder + nb, 0);
    return;
  }
  if (nb == 1) {
    std::copy(a, a + na, quotient);
    remainder[0] = dividesmall(quotient, na, b[0]);
    return;
  }
  const std::uint64_t scale = kLimbBase / (b[nb - 1] + 1);
  std::uint64_t* u = work;           // na + 1 limbs
  std::uint64_t* v = work + na + 1;  // nb limbs
  std::copy(a, a + na, u);
  u[na] = multiplysmall(u, na, scale);
  std::copy(b, b + nb, v);
  multiplysmall(v, nb, scale);
  longdivide(u, na - nb + 1, v, nb, quotient);
  std::copy(u, u + nb, remainder);
  dividesmall(remainder, nb, scale);
}

internal::remainder againsthalf(const std::uint64_t* r, const std::uint64_t* b, std::size_t nb) {
  if (withouttopzeros(r, nb) == 0) {
    return remainder::zero;
  }
  // Compares 2r with b from the top, doubling r as the limbs go down: the
  // carry into each limb comes from the one below it.
  for (std::size_t k = nb; k > 0; --k) {
    const std::uint64_t carryin = k >= 2 && r[k - 2] * 2 >= kLimbBase ? 1 : 0;
    const std::uint64_t doubled = r[k - 1] * 2 % kLimbBase + carryin;
    const std::uint64_t carryout = r[k - 1] * 2 >= kLimbBase ? 1 : 0;
    if (k == nb && carryout != 0) {
      return remainder::abovehalf;
    }
    if (doubled != b[k - 1]) {
      return doubled > b[k - 1] ? remainder::abovehalf : remainder::belowhalf;
    }
  }
  return remainder::half;
}

}  // namespace VELDRAN::internal
