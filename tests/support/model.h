// A model of fixedint and fixedfloat values in 128-bit integers, shared by
// the randomized test and the fuzz target: each number is a magnitude with
// its sign and flags beside it, and each operation, text assignment
// included, says what it must give.
// 10^38 < 2^128, so 36 places, a sum of two such values and the overflow
// test of a product all fit.
#pragma once

#include <string>
#include <string_view>

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
  malformed,       // text that is no decimal number
  fractiontoobig,  // text with more fraction digits than fraction places
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
      return "invalid_argument";
    case outcome::fractiontoobig:
      return "length_error";
    case outcome::value:
      break;
  }
  return "nothing";
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
      return "Not a decimal number!";
    case outcome::fractiontoobig:
      return "Fraction of text too big to fit in fixedfloat!";
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
// sign, and its digit runs cut to the significant digits.
struct decimalreading {
  bool wellformed = false;
  bool negative = false;
  std::string integer;   // without leading zeros; "0" for zero
  std::string fraction;  // without trailing zeros, so possibly empty
};

// Reads [+-]?[0-9]+, or [+-]?[0-9]+(\.[0-9]+)? when `withfraction`, one
// character at a time.
inline decimalreading readdecimal(std::string_view text, bool withfraction) {
  const auto digitsfrom = [&text](std::size_t& i) {
    const std::size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return std::string(text.substr(start, i - start));
  };
  decimalreading r;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
  r.integer = digitsfrom(i);
  bool fractionmissing = false;
  if (withfraction && i < text.size() && text[i] == '.') {
    ++i;
    r.fraction = digitsfrom(i);
    fractionmissing = r.fraction.empty();
  }
  r.wellformed = !r.integer.empty() && !fractionmissing && i == text.size();
  while (r.integer.size() > 1 && r.integer.front() == '0') r.integer.erase(0, 1);
  while (!r.fraction.empty() && r.fraction.back() == '0') r.fraction.pop_back();
  return r;
}

// The magnitude a run of decimal digits stands for; at most 38 digits.
inline u128 digitvalue(const std::string& digits) {
  u128 v = 0;
  for (const char c : digits) v = v * 10 + static_cast<unsigned>(c - '0');
  return v;
}

struct inttextassignment {
  outcome result = outcome::value;
  intmodel after;  // the record afterwards: unchanged when the text is refused
};

// fixedint = text: the sign only while `hassign` is set.
inline inttextassignment inttextmodel(const intmodel& m, std::string_view text) {
  inttextassignment r;
  r.after = m;
  const decimalreading d = readdecimal(text, false);
  if (!d.wellformed) {
    r.result = outcome::malformed;
  } else if (d.integer.size() > m.size) {
    r.result = outcome::inttoobig;
  } else {
    r.after.magnitude = digitvalue(d.integer);
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
  const unsigned long long half = m.length / 2;
  const decimalreading d = readdecimal(text, true);
  if (!d.wellformed) {
    r.result = outcome::malformed;
  } else if (d.integer.size() > half) {
    r.result = outcome::inttoobig;
  } else if (d.fraction.size() > half) {
    r.result = outcome::fractiontoobig;
  } else {
    r.after.value.size = m.length;
    r.after.value.magnitude = digitvalue(d.integer) * pow10(half) +
                              digitvalue(d.fraction) * pow10(half - d.fraction.size());
    r.after.value.negative = d.negative;
    r.after.negative = d.negative;
  }
  return r;
}

}  // namespace veldran_test
