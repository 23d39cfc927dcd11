// A model of fixedint and fixedfloat values in 128-bit integers, shared by
// the randomized test and the fuzz target: each number is a magnitude with
// its sign and flags beside it, and each operation, text assignment
// included, says what it must give.
// 10^38 < 2^128, so 36 places, a sum of two such values and the overflow
// test of a product all fit. Beyond them, big integers of any length model
// the difference, division, rounding and fixed-point products and quotients.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "decimal/fixedint"

namespace veldran_test {

__extension__ typedef unsigned __int128 u128;

inline u128 pow10(unsigned long long n) {
  u128 power = 1;
  for (; n > 0; --n) power *= 10;
  return power;
}

inline std::string decimal(u128 v) {
  if (v == 0) return "0";
  std::string text;
  for (; v != 0; v /= 10) {
    text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
  }
  return text;
}

// |v|, also for the most negative value.
inline u128 magnitudeof(long long v) {
  const auto bits = static_cast<unsigned long long>(v);
  return v < 0 ? static_cast<u128>(0ULL - bits) : static_cast<u128>(bits);
}

// Number of significant decimal digits; 0 for zero.
inline unsigned places(u128 v) {
  unsigned n = 0;
  for (; v != 0; v /= 10) ++n;
  return n;
}

// --- Records -------------------------------------------------------------------

struct intmodel {
  unsigned long long size = 0;
  bool negative = false;
  bool hassign = true;
  bool overflowthrows = false;
  u128 magnitude = 0;
};

// What a count constructor makes: a zero with the default flags.
inline intmodel freshint(unsigned long long size) {
  intmodel m;
  m.size = size;
  return m;
}

struct floatmodel {
  unsigned long long length = 0;
  bool hassign = true;
  bool negative = false;
  intmodel value;
};

inline floatmodel freshfloat(unsigned long long length) {
  floatmodel m;
  m.length = length;
  m.value = freshint(length);
  return m;
}

// The number's text: own sign flag, integer digits, point, the fraction
// places from the tenths down without trailing zeros.
inline std::string floattext(const floatmodel& m) {
  const unsigned long long half = m.length / 2;
  const u128 scale = pow10(half);
  std::string text = m.negative ? "-" : "";
  text += decimal(m.value.magnitude / scale);
  text += '.';
  std::string fraction = decimal(m.value.magnitude % scale);
  fraction.insert(0, half - fraction.size(), '0');
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return text + (fraction.empty() ? "0" : fraction);
}

// --- Operations ----------------------------------------------------------------

enum class outcome {
  value,
  lengtherror,
  overflow,
  underflow,
  outofrange,
  inttoobig,
  malformed,        // text that is no decimal number
  notwhole,         // text with a fraction, given to a fixedint
  fractiontoobig,   // text with more fraction digits than fraction places
  dividebyzero,     // a divisor of zero magnitude
  floatlengtherror  // fixedfloat operands of different lengths
};

// The exception class an outcome stands for, as its name without "std::".
inline const char* errorname(outcome o) {
  switch (o) {
    case outcome::lengtherror:
      return "length_error";
    case outcome::overflow:
      return "overflow_error";
    case outcome::underflow:
      return "underflow_error";
    case outcome::outofrange:
    case outcome::inttoobig:
      return "out_of_range";
    case outcome::malformed:
    case outcome::notwhole:
      return "invalid_argument";
    case outcome::fractiontoobig:
    case outcome::floatlengtherror:
      return "length_error";
    case outcome::dividebyzero:
      return "domain_error";
    case outcome::value:
      break;
  }
  return "nothing";
}

// What a call gave, in the form the expected outcomes take: its text, or
// the kind and text of the exception it threw. Any other exception escapes
// and fails the test.
template <typename Call>
std::string outcomeof(Call call) {
  try {
    return call();
  } catch (const std::overflow_error& e) {
    return std::string("overflow_error: ") + e.what();
  } catch (const std::underflow_error& e) {
    return std::string("underflow_error: ") + e.what();
  } catch (const std::domain_error& e) {
    return std::string("domain_error: ") + e.what();
  } catch (const std::length_error& e) {
    return std::string("length_error: ") + e.what();
  } catch (const std::out_of_range& e) {
    return std::string("out_of_range: ") + e.what();
  }
}

// The what() text of a failed outcome; a product that does not fit always
// runs out at place `size`.
inline std::string message(outcome o, unsigned long long size) {
  switch (o) {
    case outcome::lengtherror:
      return "Int sizes are not equal!";
    case outcome::overflow:
      return "Overflow occured.";
    case outcome::underflow:
      return "Underflow occured.";
    case outcome::outofrange:
      return "Out of range while running multiplication! Index: " + std::to_string(size);
    case outcome::inttoobig:
      return "Input int bigger than size!";
    case outcome::malformed:
      return "Not a decimal number!";  // then the text: see textmessage()
    case outcome::notwhole:
      return "Not a whole number!";
    case outcome::fractiontoobig:
      return "Fraction of text too big to fit in fixedfloat!";
    case outcome::dividebyzero:
      return "Division by zero!";
    case outcome::floatlengtherror:
      return "Size is not equal!";
    case outcome::value:
      break;
  }
  return "";
}

inline bool modelequal(const intmodel& a, const intmodel& b) {
  return a.size == b.size && a.magnitude == b.magnitude && a.negative == b.negative;
}

// Signs first (a negative zero counts as negative); among negatives the
// larger magnitude is the smaller number.
inline bool modelgreater(const intmodel& a, const intmodel& b) {
  if (a.negative != b.negative) return b.negative;
  return a.negative ? a.magnitude < b.magnitude : a.magnitude > b.magnitude;
}

struct addition {
  outcome result = outcome::value;
  intmodel sum;
  intmodel left;  // the left operand afterwards
};

inline addition addmodel(const intmodel& a, const intmodel& b) {
  addition r;
  r.left = a;
  if (a.size != b.size) {
    r.result = outcome::lengtherror;
    return r;
  }
  r.sum = freshint(a.size);
  if (a.hassign && a.negative != b.negative) {
    const u128 positive = a.negative ? b.magnitude : a.magnitude;
    const u128 negative = a.negative ? a.magnitude : b.magnitude;
    if (negative > positive) {
      r.result = outcome::underflow;
      return r;
    }
    r.sum.magnitude = positive - negative;
    return r;
  }
  const u128 limit = pow10(a.size);
  const u128 total = a.magnitude + b.magnitude;
  r.sum.negative = a.negative;
  r.sum.magnitude = total;
  if (total >= limit) {
    if (a.overflowthrows) {
      r.result = outcome::overflow;
      return r;
    }
    // The carry out of the top place stays in the left operand.
    r.left.magnitude = 1;
    if (a.hassign) r.left.negative = false;
    r.sum.magnitude = total - limit;
  }
  return r;
}

struct multiplication {
  outcome result = outcome::value;
  intmodel product;
};

inline multiplication mulmodel(const intmodel& a, const intmodel& b) {
  multiplication r;
  if (a.size != b.size) {
    r.result = outcome::lengtherror;
    return r;
  }
  if (a.size == 0) {  // clearing the result needs one place
    r.result = outcome::inttoobig;
    return r;
  }
  const u128 largest = pow10(a.size) - 1;
  if (a.magnitude != 0 && b.magnitude > largest / a.magnitude) {
    r.result = outcome::outofrange;
    return r;
  }
  r.product = freshint(a.size);
  r.product.magnitude = a.magnitude * b.magnitude;
  r.product.negative = a.hassign && a.negative != b.negative;
  return r;
}

// --- Text in ------------------------------------------------------------------

// A text as text assignment reads it: whether it is a decimal number, its
// sign, and its value as significant digits times a power of ten.
struct decimalreading {
  bool wellformed = false;
  bool negative = false;
  std::string digits;   // without leading or trailing zeros; empty for zero
  long long scale = 0;  // the value is digits * 10^scale
};

// Blanks around, [+-]?, digits with "." somewhere in or around them (at
// least one digit), then [eE][+-]?[0-9]+, read one character at a time.
// An exponent past 10^9 is held there: the texts here are far shorter.
inline decimalreading readdecimal(std::string_view text) {
  const auto isblank = [](char c) {
    return std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos;
  };
  const auto isdigit = [](char c) { return c >= '0' && c <= '9'; };
  decimalreading r;
  std::size_t i = 0;
  while (i < text.size() && isblank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
  std::string mantissa;
  long long fractiondigits = 0;
  bool point = false;
  for (; i < text.size() && (isdigit(text[i]) || (text[i] == '.' && !point)); ++i) {
    if (text[i] == '.') {
      point = true;
    } else {
      mantissa += text[i];
      if (point) ++fractiondigits;
    }
  }
  long long exponent = 0;
  bool exponentok = true;
  if (!mantissa.empty() && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negativeexponent = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    exponentok = i < text.size() && isdigit(text[i]);
    for (; i < text.size() && isdigit(text[i]); ++i) {
      exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000000LL);
    }
    if (negativeexponent) exponent = -exponent;
  }
  while (i < text.size() && isblank(text[i])) ++i;
  r.wellformed = !mantissa.empty() && exponentok && i == text.size();
  r.scale = exponent - fractiondigits;
  mantissa.erase(0, std::min(mantissa.find_first_not_of('0'), mantissa.size()));
  while (!mantissa.empty() && mantissa.back() == '0') {
    mantissa.pop_back();
    ++r.scale;
  }
  r.digits = mantissa;
  return r;
}

// The magnitude a run of decimal digits stands for; at most 38 digits.
inline u128 digitvalue(const std::string& digits) {
  u128 v = 0;
  for (const char c : digits) v = v * 10 + static_cast<unsigned>(c - '0');
  return v;
}

// Integer places a reading needs: at least the units place.
inline long long integerplaces(const decimalreading& d) {
  return d.digits.empty() ? 1 : std::max(static_cast<long long>(d.digits.size()) + d.scale, 1LL);
}

// The what() of a refused text: the refusals of a malformed text and of a
// fraction given to a fixedint quote the text, its first 64 bytes at most.
inline std::string textmessage(outcome o, std::string_view text) {
  if (o != outcome::malformed && o != outcome::notwhole) return message(o, 0);
  const std::string shown = std::string(text.substr(0, 64)) + (text.size() > 64 ? "..." : "");
  return (o == outcome::malformed ? "Not a decimal number! \"" : "Not a whole number! \"") + shown +
         "\"";
}

struct inttextassignment {
  outcome result = outcome::value;
  intmodel after;  // the record afterwards: unchanged when the text is refused
};

// fixedint = text: a whole value; a fraction is refused before the size is
// looked at. The sign only while `hassign` is set.
inline inttextassignment inttextmodel(const intmodel& m, std::string_view text) {
  inttextassignment r;
  r.after = m;
  const decimalreading d = readdecimal(text);
  if (!d.wellformed) {
    r.result = outcome::malformed;
  } else if (!d.digits.empty() && d.scale < 0) {
    r.result = outcome::notwhole;
  } else if (integerplaces(d) > static_cast<long long>(m.size)) {
    r.result = outcome::inttoobig;
  } else {
    r.after.magnitude = d.digits.empty() ? 0 : digitvalue(d.digits) * pow10(d.scale);
    if (m.hassign) r.after.negative = d.negative;
  }
  return r;
}

struct floattextassignment {
  outcome result = outcome::value;
  floatmodel after;  // the number afterwards: unchanged when the text is refused
};

// fixedfloat = text: the number times 10^(length/2), the text's sign in
// both sign flags; the integer part is checked before the fraction.
inline floattextassignment floattextmodel(const floatmodel& m, std::string_view text) {
  floattextassignment r;
  r.after = m;
  const auto half = static_cast<long long>(m.length / 2);
  const decimalreading d = readdecimal(text);
  if (!d.wellformed) {
    r.result = outcome::malformed;
  } else if (integerplaces(d) > half) {
    r.result = outcome::inttoobig;
  } else if (!d.digits.empty() && -d.scale > half) {
    r.result = outcome::fractiontoobig;
  } else {
    r.after.value.size = m.length;
    r.after.value.magnitude =
        d.digits.empty()
            ? 0
            : digitvalue(d.digits) * pow10(static_cast<unsigned long long>(half + d.scale));
    r.after.value.negative = d.negative;
    r.after.negative = d.negative;
  }
  return r;
}

// --- Big integers ----------------------------------------------------------------

// A magnitude of any length in limbs of nine decimal digits, least
// significant first, with no zero limb on top: zero has no limbs.
struct bignum {
  std::vector<std::uint32_t> limbs;
};

constexpr std::uint32_t kBigBase = 1000000000;
constexpr unsigned kBigDigits = 9;

inline void trim(bignum& a) {
  while (!a.limbs.empty() && a.limbs.back() == 0) a.limbs.pop_back();
}

inline bool iszero(const bignum& a) { return a.limbs.empty(); }

inline bignum bigof(u128 v) {
  bignum a;
  for (; v != 0; v /= kBigBase) a.limbs.push_back(static_cast<std::uint32_t>(v % kBigBase));
  return a;
}

// The value of a run of digits given least significant first, as a
// fixedint holds them; every digit must lie in 0 to 9.
inline bignum bigfromdigits(const std::vector<std::int8_t>& digits) {
  bignum a;
  a.limbs.assign((digits.size() + kBigDigits - 1) / kBigDigits, 0);
  std::uint32_t power = 1;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i % kBigDigits == 0) power = 1;
    a.limbs[i / kBigDigits] += static_cast<std::uint32_t>(digits[i]) * power;
    power *= 10;
  }
  trim(a);
  return a;
}

// The digits of `a` in `count` places, least significant first; the
// digits above `count` are dropped.
inline std::vector<std::int8_t> bigdigits(const bignum& a, unsigned long long count) {
  std::vector<std::int8_t> digits(count, 0);
  for (std::size_t k = 0; k < a.limbs.size(); ++k) {
    std::uint32_t limb = a.limbs[k];
    for (unsigned i = 0; i < kBigDigits; ++i, limb /= 10) {
      const unsigned long long place = k * kBigDigits + i;
      if (place < count) digits[place] = static_cast<std::int8_t>(limb % 10);
    }
  }
  return digits;
}

// Number of significant decimal digits; 0 for zero.
inline unsigned long long bigplaces(const bignum& a) {
  if (a.limbs.empty()) return 0;
  return (a.limbs.size() - 1) * kBigDigits + places(a.limbs.back());
}

// Only for values below 2^128.
inline u128 smallof(const bignum& a) {
  u128 v = 0;
  for (std::size_t k = a.limbs.size(); k > 0; --k) v = v * kBigBase + a.limbs[k - 1];
  return v;
}

inline std::string bigdecimal(const bignum& a) {
  if (a.limbs.empty()) return "0";
  std::string text = decimal(a.limbs.back());
  for (std::size_t k = a.limbs.size() - 1; k > 0; --k) {
    std::string limb = decimal(a.limbs[k - 1]);
    text += std::string(kBigDigits - limb.size(), '0') + limb;
  }
  return text;
}

// -1, 0 or 1 as a is below, equal to or above b.
inline int bigcompare(const bignum& a, const bignum& b) {
  if (a.limbs.size() != b.limbs.size()) return a.limbs.size() < b.limbs.size() ? -1 : 1;
  for (std::size_t k = a.limbs.size(); k > 0; --k) {
    if (a.limbs[k - 1] != b.limbs[k - 1]) return a.limbs[k - 1] < b.limbs[k - 1] ? -1 : 1;
  }
  return 0;
}

inline bignum bigadd(const bignum& a, const bignum& b) {
  bignum sum;
  std::uint32_t carry = 0;
  for (std::size_t k = 0; k < a.limbs.size() || k < b.limbs.size() || carry != 0; ++k) {
    std::uint32_t limb = carry;
    if (k < a.limbs.size()) limb += a.limbs[k];
    if (k < b.limbs.size()) limb += b.limbs[k];
    carry = limb >= kBigBase ? 1 : 0;
    sum.limbs.push_back(limb - carry * kBigBase);
  }
  return sum;
}

// a - b for a >= b.
inline bignum bigsubtract(const bignum& a, const bignum& b) {
  bignum difference = a;
  std::uint32_t borrow = 0;
  for (std::size_t k = 0; k < difference.limbs.size(); ++k) {
    const std::uint32_t take = borrow + (k < b.limbs.size() ? b.limbs[k] : 0);
    borrow = difference.limbs[k] < take ? 1 : 0;
    difference.limbs[k] = difference.limbs[k] + borrow * kBigBase - take;
  }
  trim(difference);
  return difference;
}

// Schoolbook, one limb pair at a time.
inline bignum bigmultiply(const bignum& a, const bignum& b) {
  if (iszero(a) || iszero(b)) return bignum{};
  std::vector<std::uint64_t> columns(a.limbs.size() + b.limbs.size(), 0);
  for (std::size_t i = 0; i < a.limbs.size(); ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j < b.limbs.size(); ++j) {
      const std::uint64_t column =
          columns[i + j] + static_cast<std::uint64_t>(a.limbs[i]) * b.limbs[j] + carry;
      carry = column / kBigBase;
      columns[i + j] = column % kBigBase;
    }
    columns[i + b.limbs.size()] += carry;
  }
  bignum product;
  for (const std::uint64_t column : columns) {
    product.limbs.push_back(static_cast<std::uint32_t>(column));
  }
  trim(product);
  return product;
}

inline bignum bigpow10(unsigned long long n) {
  bignum power;
  power.limbs.assign(n / kBigDigits, 0);
  power.limbs.push_back(static_cast<std::uint32_t>(pow10(n % kBigDigits)));
  return power;
}

struct bigdivision {
  bignum quotient;
  bignum remainder;
};

// b * m into `product`, whose storage is reused.
inline void bigmultiplysmall(const bignum& b, std::uint32_t m, bignum& product) {
  product.limbs.clear();
  std::uint64_t carry = 0;
  for (const std::uint32_t limb : b.limbs) {
    const std::uint64_t column = static_cast<std::uint64_t>(limb) * m + carry;
    carry = column / kBigBase;
    product.limbs.push_back(static_cast<std::uint32_t>(column % kBigBase));
  }
  if (carry != 0) product.limbs.push_back(static_cast<std::uint32_t>(carry));
  trim(product);
}

// The largest m in [low, high] with b * m <= r, by bisection; b * low <= r.
inline std::uint32_t largestmultiple(const bignum& b, const bignum& r, std::uint32_t low,
                                     std::uint32_t high, bignum& trial) {
  while (low < high) {
    const std::uint32_t middle = low + (high - low + 1) / 2;
    bigmultiplysmall(b, middle, trial);
    if (bigcompare(trial, r) <= 0) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

// The quotient limb r / b for r < b * 10^9: a guess from the leading limbs,
// confirmed by the products on either side of it, else found by bisection
// over every limb value.
inline std::uint32_t quotientlimb(const bignum& b, const bignum& r, bignum& trial) {
  const std::size_t n = b.limbs.size();
  const auto limb = [](const bignum& x, std::size_t k) {
    return k < x.limbs.size() ? static_cast<double>(x.limbs[k]) : 0.0;
  };
  const double base = kBigBase;
  const double top = (limb(r, n) * base + limb(r, n - 1)) * base + (n >= 2 ? limb(r, n - 2) : 0);
  const double divisor = limb(b, n - 1) * base + (n >= 2 ? limb(b, n - 2) : 0);
  const double guess = top / divisor;
  const double low = guess > 3 ? guess - 3 : 0;
  const double high = guess + 3 < base - 1 ? guess + 3 : base - 1;
  const auto from = static_cast<std::uint32_t>(low);
  const auto to = static_cast<std::uint32_t>(high);
  bigmultiplysmall(b, from, trial);
  if (bigcompare(trial, r) <= 0) {
    const std::uint32_t q = largestmultiple(b, r, from, to, trial);
    bigmultiplysmall(b, q + 1, trial);
    if (q == kBigBase - 1 || bigcompare(trial, r) > 0) return q;
  }
  return largestmultiple(b, r, 0, kBigBase - 1, trial);
}

// Long division one limb at a time; each quotient limb is the largest one
// whose product with the divisor does not exceed the running remainder.
// `b` must not be zero.
inline bigdivision bigdivide(const bignum& a, const bignum& b) {
  bigdivision r;
  r.quotient.limbs.assign(a.limbs.size(), 0);
  bignum trial;
  for (std::size_t k = a.limbs.size(); k > 0; --k) {
    r.remainder.limbs.insert(r.remainder.limbs.begin(), a.limbs[k - 1]);
    trim(r.remainder);
    const std::uint32_t q = quotientlimb(b, r.remainder, trial);
    r.quotient.limbs[k - 1] = q;
    bigmultiplysmall(b, q, trial);
    r.remainder = bigsubtract(r.remainder, trial);
  }
  trim(r.quotient);
  return r;
}

// Division by 10^places: the digits above and below the cut.
inline bigdivision bigsplit(const bignum& a, unsigned long long places) {
  const unsigned long long count = bigplaces(a);
  std::vector<std::int8_t> digits = bigdigits(a, count);
  bigdivision r;
  if (places >= count) {
    r.remainder = a;
    return r;
  }
  r.remainder = bigfromdigits(std::vector<std::int8_t>(digits.begin(), digits.begin() + places));
  r.quotient = bigfromdigits(std::vector<std::int8_t>(digits.begin() + places, digits.end()));
  return r;
}

// --- Records with big magnitudes ----------------------------------------------------

struct bigintmodel {
  unsigned long long size = 0;
  bool negative = false;
  bool hassign = true;
  bool overflowthrows = false;
  bignum magnitude;
};

inline bigintmodel freshbig(unsigned long long size) {
  bigintmodel m;
  m.size = size;
  return m;
}

inline bigintmodel bigmodelof(const intmodel& m) {
  bigintmodel big = freshbig(m.size);
  big.negative = m.negative;
  big.hassign = m.hassign;
  big.overflowthrows = m.overflowthrows;
  big.magnitude = bigof(m.magnitude);
  return big;
}

// Only for magnitudes below 2^128.
inline intmodel smallmodelof(const bigintmodel& big) {
  intmodel m = freshint(big.size);
  m.negative = big.negative;
  m.hassign = big.hassign;
  m.overflowthrows = big.overflowthrows;
  m.magnitude = smallof(big.magnitude);
  return m;
}

inline bool bigequal(const bigintmodel& a, const bigintmodel& b) {
  return a.size == b.size && a.negative == b.negative && bigcompare(a.magnitude, b.magnitude) == 0;
}

// As modelgreater: signs first, a negative zero counting as negative.
inline bool biggreater(const bigintmodel& a, const bigintmodel& b) {
  if (a.negative != b.negative) return b.negative;
  const int order = bigcompare(a.magnitude, b.magnitude);
  return a.negative ? order < 0 : order > 0;
}

// A fixedfloat as its `value`, whose sign is the number's; `length` is the
// fixedfloat's own count, so value.size should equal it.
struct bigfloatmodel {
  unsigned long long length = 0;
  bigintmodel value;
};

// What an operation gives: a fresh record holding the result, or a refusal.
struct bigresult {
  outcome result = outcome::value;
  bigintmodel value;
};

inline bigresult refused(outcome o) {
  bigresult r;
  r.result = o;
  return r;
}

// A fresh record of `size` places holding `magnitude` and `negative`, or
// an overflow when the magnitude needs more places.
inline bigresult madeof(unsigned long long size, const bignum& magnitude, bool negative) {
  if (bigplaces(magnitude) > size) return refused(outcome::overflow);
  bigresult r;
  r.value = freshbig(size);
  r.value.magnitude = magnitude;
  r.value.negative = negative;
  return r;
}

// The quotient of a division whose exact result has sign `negative`,
// brought to a whole number by `mode`.
inline bignum roundquotient(const bigdivision& d, const bignum& divisor, bool negative,
                            VELDRAN::rounding mode) {
  using VELDRAN::rounding;
  if (iszero(d.remainder)) return d.quotient;
  const int againsthalf = bigcompare(bigadd(d.remainder, d.remainder), divisor);
  const bool odd = !iszero(d.quotient) && d.quotient.limbs[0] % 2 == 1;
  bool up = false;
  switch (mode) {
    case rounding::towardzero:
      up = false;
      break;
    case rounding::awayfromzero:
      up = true;
      break;
    case rounding::floor:
      up = negative;
      break;
    case rounding::ceiling:
      up = !negative;
      break;
    case rounding::halfeven:
      up = againsthalf > 0 || (againsthalf == 0 && odd);
      break;
    case rounding::halfawayfromzero:
      up = againsthalf >= 0;
      break;
    case rounding::halftowardzero:
      up = againsthalf > 0;
      break;
  }
  return up ? bigadd(d.quotient, bigof(1)) : d.quotient;
}

inline const VELDRAN::rounding kEveryRounding[] = {
    VELDRAN::rounding::towardzero,    VELDRAN::rounding::awayfromzero,
    VELDRAN::rounding::floor,         VELDRAN::rounding::ceiling,
    VELDRAN::rounding::halfeven,      VELDRAN::rounding::halfawayfromzero,
    VELDRAN::rounding::halftowardzero};

inline const char* roundingname(VELDRAN::rounding mode) {
  static const char* const kNames[] = {"towardzero", "awayfromzero",     "floor",         "ceiling",
                                       "halfeven",   "halfawayfromzero", "halftowardzero"};
  return kNames[static_cast<int>(mode)];
}

// -a: the sign flipped, zero included, only while `hassign` is set.
inline bigresult negatemodel(const bigintmodel& a) {
  bigresult r;
  r.value = freshbig(a.size);
  r.value.magnitude = a.magnitude;
  r.value.negative = a.hassign ? !a.negative : a.negative;
  return r;
}

// a - b exactly; a zero difference is positive. With `hassign` clear the
// magnitudes alone, and a larger right one underflows.
inline bigresult subtractmodel(const bigintmodel& a, const bigintmodel& b) {
  if (a.size != b.size) return refused(outcome::lengtherror);
  const int order = bigcompare(a.magnitude, b.magnitude);
  if (!a.hassign) {
    if (order < 0) return refused(outcome::underflow);
    return madeof(a.size, bigsubtract(a.magnitude, b.magnitude), false);
  }
  // a + (-b)
  const bool rightnegative = !b.negative;
  if (a.negative == rightnegative) {
    const bignum sum = bigadd(a.magnitude, b.magnitude);
    return madeof(a.size, sum, a.negative && !iszero(sum));
  }
  if (order == 0) return madeof(a.size, bignum{}, false);
  if (order > 0) return madeof(a.size, bigsubtract(a.magnitude, b.magnitude), a.negative);
  return madeof(a.size, bigsubtract(b.magnitude, a.magnitude), rightnegative);
}

enum class divisionpart { quotient, remainder };

// a / b rounded by `mode`, or a % b (the remainder of the quotient toward
// zero, with the dividend's sign). Signs only while a's `hassign` is set.
inline bigresult dividemodel(const bigintmodel& a, const bigintmodel& b, divisionpart part,
                             VELDRAN::rounding mode = VELDRAN::rounding::towardzero) {
  if (a.size != b.size) return refused(outcome::lengtherror);
  if (iszero(b.magnitude)) return refused(outcome::dividebyzero);
  const bigdivision d = bigdivide(a.magnitude, b.magnitude);
  if (part == divisionpart::remainder) {
    return madeof(a.size, d.remainder, a.hassign && a.negative);
  }
  const bool negative = a.hassign && a.negative != b.negative;
  return madeof(a.size, roundquotient(d, b.magnitude, negative, mode), negative);
}

// --- fixedfloat operations: signs always those of `value` --------------------------

inline bigresult floatnegatemodel(const bigfloatmodel& a) {
  bigintmodel flipped = a.value;
  flipped.hassign = true;
  return negatemodel(flipped);
}

inline bigresult floatsubtractmodel(const bigfloatmodel& a, const bigfloatmodel& b) {
  if (a.length != b.length) return refused(outcome::floatlengtherror);
  bigintmodel left = a.value;
  left.hassign = true;
  return subtractmodel(left, b.value);
}

// The exact product has 2h fraction digits (h = length/2): h of them go.
inline bigresult floatmultiplymodel(const bigfloatmodel& a, const bigfloatmodel& b,
                                    VELDRAN::rounding mode) {
  if (a.length != b.length) return refused(outcome::floatlengtherror);
  const unsigned long long half = a.length / 2;
  const bigdivision d = bigsplit(bigmultiply(a.value.magnitude, b.value.magnitude), half);
  const bool negative = a.value.negative != b.value.negative;
  return madeof(a.length, roundquotient(d, bigpow10(half), negative, mode), negative);
}

inline bigresult floatdividemodel(const bigfloatmodel& a, const bigfloatmodel& b,
                                  VELDRAN::rounding mode) {
  if (a.length != b.length) return refused(outcome::floatlengtherror);
  if (iszero(b.value.magnitude)) return refused(outcome::dividebyzero);
  const bignum scaled = bigmultiply(a.value.magnitude, bigpow10(a.length / 2));
  const bigdivision d = bigdivide(scaled, b.value.magnitude);
  const bool negative = a.value.negative != b.value.negative;
  return madeof(a.length, roundquotient(d, b.value.magnitude, negative, mode), negative);
}

// Keeps `places` fraction digits; the dropped ones round the kept ones.
inline bigresult floatroundedmodel(const bigfloatmodel& a, unsigned long long places,
                                   VELDRAN::rounding mode) {
  const unsigned long long half = a.length / 2;
  if (places >= half) return madeof(a.length, a.value.magnitude, a.value.negative);
  const bignum unit = bigpow10(half - places);
  const bigdivision d = bigsplit(a.value.magnitude, half - places);
  const bignum kept = roundquotient(d, unit, a.value.negative, mode);
  return madeof(a.length, bigmultiply(kept, unit), a.value.negative);
}

// The exact value as text, for a correctly rounded reading into a double:
// sign, integer digits and, for a fixedfloat, the `fraction` places.
inline std::string exacttext(const bigintmodel& m, unsigned long long fraction) {
  std::string digits = bigdecimal(m.magnitude);
  if (fraction > 0) {
    if (digits.size() <= fraction) digits.insert(0, fraction + 1 - digits.size(), '0');
    digits.insert(digits.size() - fraction, ".");
  }
  return (m.negative ? "-" : "") + digits;
}

// --- Compound addition, integers, lengths and doubles -------------------------------

// a += b: the exact a - (-b); with a's `hassign` clear, magnitudes add and
// the sum is non-negative. The target keeps its flags, which the caller
// puts back on the result.
inline bigresult addassignmodel(const bigintmodel& a, const bigintmodel& b) {
  if (a.size != b.size) return refused(outcome::lengtherror);
  if (!a.hassign) return madeof(a.size, bigadd(a.magnitude, b.magnitude), false);
  bigintmodel flipped = b;
  flipped.negative = !b.negative;
  return subtractmodel(a, flipped);
}

inline bigresult floataddassignmodel(const bigfloatmodel& a, const bigfloatmodel& b) {
  if (a.length != b.length) return refused(outcome::floatlengtherror);
  bigintmodel flipped = b.value;
  flipped.negative = !b.value.negative;
  return floatsubtractmodel(a, bigfloatmodel{a.length, flipped});
}

// A built-in integer as sign and magnitude, worked out in 128 bits.
struct wholemodel {
  bool negative = false;
  u128 magnitude = 0;
};

template <typename I>
wholemodel wholeof(I value) {
  __extension__ const __int128 wide = value;
  wholemodel w;
  w.negative = wide < 0;
  w.magnitude = static_cast<u128>(wide < 0 ? -wide : wide);
  return w;
}

// The integer as a record of `size` places with its units at place
// `units`, or a refusal when its digits (zero has one) do not fit.
inline bigresult integermodel(const wholemodel& w, unsigned long long size,
                              unsigned long long units) {
  const unsigned long long digits = w.magnitude == 0 ? 1 : places(w.magnitude);
  if (units > size || digits > size - units) return refused(outcome::inttoobig);
  bigresult r;
  r.value = freshbig(size);
  r.value.magnitude = bigmultiply(bigof(w.magnitude), bigpow10(units));
  r.value.negative = w.negative;
  return r;
}

enum class mixedop { add, subtract, multiply, divide, remainder };

// x op i, or i op x when `integerleft`: the integer a fixedint of x's size,
// x's `hassign` ruling both (clear: magnitudes alone, the integer's sign
// unread).
inline bigresult intmixedmodel(const bigintmodel& x, const wholemodel& w, bool integerleft,
                               mixedop op) {
  bigresult y = integermodel(w, x.size, 0);
  if (y.result != outcome::value) return y;
  y.value.hassign = x.hassign;
  if (!x.hassign) y.value.negative = false;
  const bigintmodel& a = integerleft ? y.value : x;
  const bigintmodel& b = integerleft ? x : y.value;
  switch (op) {
    case mixedop::add:
      return addassignmodel(a, b);
    case mixedop::subtract:
      return subtractmodel(a, b);
    case mixedop::multiply:
      return madeof(x.size, bigmultiply(a.magnitude, b.magnitude),
                    x.hassign && a.negative != b.negative);
    case mixedop::divide:
      return dividemodel(a, b, divisionpart::quotient);
    case mixedop::remainder:
      return dividemodel(a, b, divisionpart::remainder);
  }
  return refused(outcome::malformed);
}

// The same for a fixedfloat: the integer a number of x's length; `/`
// rounds half-even. There is no remainder.
inline bigresult floatmixedmodel(const bigfloatmodel& x, const wholemodel& w, bool integerleft,
                                 mixedop op) {
  const bigresult y = integermodel(w, x.length, x.length / 2);
  if (y.result != outcome::value) return y;
  const bigfloatmodel whole{x.length, y.value};
  const bigfloatmodel& a = integerleft ? whole : x;
  const bigfloatmodel& b = integerleft ? x : whole;
  switch (op) {
    case mixedop::add:
      return floataddassignmodel(a, b);
    case mixedop::subtract:
      return floatsubtractmodel(a, b);
    case mixedop::multiply:
      return floatmultiplymodel(a, b, VELDRAN::rounding::halfeven);
    case mixedop::divide:
      return floatdividemodel(a, b, VELDRAN::rounding::halfeven);
    case mixedop::remainder:
      break;
  }
  return refused(outcome::malformed);
}

// x's value (sign and magnitude) in `length` places: rounded by `mode`
// when fraction places go, an overflow when the integer part does not fit.
inline bigresult floatresizemodel(const bigfloatmodel& x, unsigned long long length,
                                  VELDRAN::rounding mode) {
  const unsigned long long had = x.length / 2;
  const unsigned long long has = length / 2;
  const bool negative = x.value.negative;
  if (has >= had) {
    return madeof(length, bigmultiply(x.value.magnitude, bigpow10(has - had)), negative);
  }
  const bigdivision d = bigsplit(x.value.magnitude, had - has);
  return madeof(length, roundquotient(d, bigpow10(had - has), negative, mode), negative);
}

// The value of a record with `fraction` fraction places rounded to a whole
// number by `mode`, as text, or the overflow when it lies outside long long.
inline std::string tolonglongmodel(const bigintmodel& m, unsigned long long fraction,
                                   VELDRAN::rounding mode) {
  const bignum whole =
      roundquotient(bigsplit(m.magnitude, fraction), bigpow10(fraction), m.negative, mode);
  const bignum limit = bigof(m.negative ? u128{1} << 63 : (u128{1} << 63) - 1);
  if (bigcompare(whole, limit) > 0) return "overflow_error: Overflow occured.";
  return (m.negative && !iszero(whole) ? "-" : "") + bigdecimal(whole);
}

// A double's value as a fixedfloat of `length` places: the shortest digits
// that read back as it, as std::to_chars writes them in scientific form,
// rounded by `mode`; an integer part that does not fit, before or after
// rounding, is refused as too big an input.
inline bigresult doublemodel(double x, unsigned long long length, VELDRAN::rounding mode) {
  char text[64];
  const char* end = std::to_chars(text, text + sizeof text, x, std::chars_format::scientific).ptr;
  bignum digits;
  long long exponent = 0;
  bool afterpoint = false;
  for (const char* c = text; c != end; ++c) {
    if (*c >= '0' && *c <= '9') {
      digits = bigadd(bigmultiply(digits, bigof(10)), bigof(static_cast<unsigned>(*c - '0')));
      if (afterpoint) --exponent;
    } else if (*c == '.') {
      afterpoint = true;
    } else if (*c == 'e') {
      exponent += std::stoll(std::string(c + 1, end));
      break;
    }
  }
  const bool negative = std::signbit(x);
  const long long scale = exponent + static_cast<long long>(length / 2);
  bigresult r;
  if (scale >= 0) {
    r = madeof(length, bigmultiply(digits, bigpow10(static_cast<unsigned long long>(scale))),
               negative);
  } else {
    const auto cut = static_cast<unsigned long long>(-scale);
    r = madeof(length, roundquotient(bigsplit(digits, cut), bigpow10(cut), negative, mode),
               negative);
  }
  if (r.result == outcome::overflow) r.result = outcome::inttoobig;
  return r;
}

}  // namespace veldran_test
