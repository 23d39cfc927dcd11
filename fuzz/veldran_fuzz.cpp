// Differential fuzz target: decodes the input into a sequence of operations
// on a few fixedint and fixedfloat objects and checks every result, every
// exception and every operand left behind against a model that keeps the
// same numbers as 128-bit magnitudes with separate sign and flag bits.
//
// Input layout (bytes read front to back, zero once the input runs out):
//   byte 0   the number of places every fixedint slot starts with
//   byte 1   the length every fixedfloat slot starts with
//   then     operations: one opcode byte followed by its operands. Opcodes
//            below 224 pick the arithmetic and assignment operations, as
//            they did before text came in; 224 to 239 pick the text,
//            round-trip and fixedfloat comparison operations; 240 and up
//            the difference, division, rounding, fixed-point products and
//            quotients, compound assignments and conversions to double,
//            checked against the big-integer model.

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <iomanip>
#include <ios>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/log"
#include "support/model.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;
using veldran_test::addition;
using veldran_test::addmodel;
using veldran_test::bigfloatmodel;
using veldran_test::bigintmodel;
using veldran_test::bigmodelof;
using veldran_test::bigresult;
using veldran_test::decimal;
using veldran_test::divisionpart;
using veldran_test::floatmodel;
using veldran_test::floattext;
using veldran_test::floattextmodel;
using veldran_test::freshfloat;
using veldran_test::freshint;
using veldran_test::intmodel;
using veldran_test::inttextmodel;
using veldran_test::magnitudeof;
using veldran_test::message;
using veldran_test::modelequal;
using veldran_test::modelgreater;
using veldran_test::mulmodel;
using veldran_test::multiplication;
using veldran_test::outcome;
using veldran_test::places;
using veldran_test::pow10;
using veldran_test::smallmodelof;
using veldran_test::u128;

constexpr unsigned kMaxPlaces = 36;
constexpr std::size_t kIntSlots = 4;
constexpr std::size_t kFloatSlots = 3;
constexpr int kMaxOperations = 64;

// The operation being checked, as text; built only for a failure report.
std::string describeoperation();

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "\nveldran-fuzz: mismatch in %s: %s\n", describeoperation().c_str(),
               what.c_str());
  std::fflush(stderr);
  std::abort();
}

// The message is built only when the condition fails.
#define FUZZ_CHECK(condition, message) \
  do {                                 \
    if (!(condition)) {                \
      fail(message);                   \
    }                                  \
  } while (false)

// Runs `operation`, which must throw exactly `Expected` with `message`.
template <class Expected, class Operation>
void expectthrow(Operation&& operation, const std::string& message) {
  try {
    operation();
  } catch (const std::exception& error) {
    FUZZ_CHECK(typeid(error) == typeid(Expected),
               std::string("threw ") + typeid(error).name() + " (" + error.what() + "), expected " +
                   typeid(Expected).name() + " (" + message + ")");
    FUZZ_CHECK(message == error.what(),
               std::string("message \"") + error.what() + "\", expected \"" + message + "\"");
    return;
  }
  fail("nothing thrown, expected \"" + message + "\"");
}

// --- The model ---------------------------------------------------------------

std::string describe(const intmodel& m) {
  return std::string(m.negative ? "-" : "") + decimal(m.magnitude) + " (" + std::to_string(m.size) +
         " places, hassign " + (m.hassign ? "1" : "0") + ", overflowthrows " +
         (m.overflowthrows ? "1" : "0") + ")";
}

std::string describe(const fixedint& x) {
  std::string digits;
  for (auto d = x.digits.rbegin(); d != x.digits.rend(); ++d) {
    digits += std::to_string(*d) + (d + 1 == x.digits.rend() ? "" : ",");
  }
  return std::string(x.negative ? "-" : "+") + "[" + digits + "] (" + std::to_string(x.size) +
         " places, hassign " + (x.hassign ? "1" : "0") + ", overflowthrows " +
         (x.overflowthrows ? "1" : "0") + ")";
}

// What the current operation works on: its name, up to two operands as
// the model sees them, and the integer, float or count it was given.
struct operationrecord {
  const char* name = "set-up";
  int operands = 0;
  intmodel operand[2];
  std::string argument;
};
operationrecord current;

void begin(const char* name) {
  current.name = name;
  current.operands = 0;
  current.argument.clear();
}

void withoperand(const intmodel& m) {
  if (current.operands < 2) {
    current.operand[current.operands++] = m;
  }
}

std::string describeoperation() {
  std::string text = current.name;
  for (int i = 0; i < current.operands; ++i) {
    text += (i == 0 ? " " : ", ") + describe(current.operand[i]);
  }
  if (!current.argument.empty()) {
    text += " with " + current.argument;
  }
  return text;
}

// Checks the record field by field; with `texts` also asstring and
// getshorteneddigits, which allocate and so are left to the touched objects.
void verify(const fixedint& x, const intmodel& m, const std::string& name, bool texts = true) {
  const auto where = [&] { return name + ": library " + describe(x) + ", model " + describe(m); };
  FUZZ_CHECK(x.size == m.size && x.digits.size() == m.size, "size; " + where());
  FUZZ_CHECK(x.negative == m.negative, "negative; " + where());
  FUZZ_CHECK(x.hassign == m.hassign, "hassign; " + where());
  FUZZ_CHECK(x.overflowthrows == m.overflowthrows, "overflowthrows; " + where());
  u128 rest = m.magnitude;
  for (std::size_t i = 0; i < m.size; ++i) {
    FUZZ_CHECK(x.digits[i] == static_cast<int>(rest % 10),
               "digit " + std::to_string(i) + "; " + where());
    rest /= 10;
  }
  FUZZ_CHECK(rest == 0, "model magnitude exceeds the places; " + where());
  if (!texts) {
    return;
  }

  const std::string expected = (m.negative ? "-" : "") + decimal(m.magnitude);
  const std::string text = x.asstring();
  FUZZ_CHECK(text == expected,
             "asstring \"" + text + "\", expected \"" + expected + "\"; " + where());
  const std::vector<std::int8_t> shortened = x.getshorteneddigits();
  FUZZ_CHECK(shortened.size() == places(m.magnitude), "getshorteneddigits length; " + where());
  for (std::size_t i = 0; i < shortened.size(); ++i) {
    FUZZ_CHECK(shortened[i] == x.digits[i], "getshorteneddigits element; " + where());
  }
}

void verify(const fixedfloat& f, const floatmodel& m, const std::string& name, bool texts = true) {
  FUZZ_CHECK(f.length == m.length, name + ": length " + std::to_string(f.length) + ", expected " +
                                       std::to_string(m.length));
  FUZZ_CHECK(f.hassign == m.hassign, name + ": hassign");
  FUZZ_CHECK(f.negative == m.negative, name + ": negative");
  verify(f.value, m.value, name, texts);
}

const std::string kIntTooBig = "Input int bigger than size!";
// Runs `apply` and checks the outcome the model predicted.
template <class Operation>
void expectoutcome(outcome predicted, unsigned long long size, Operation&& apply) {
  switch (predicted) {
    case outcome::value:
      apply();
      break;
    case outcome::lengtherror:
      expectthrow<std::length_error>(apply, message(predicted, size));
      break;
    case outcome::overflow:
      expectthrow<std::overflow_error>(apply, message(predicted, size));
      break;
    case outcome::underflow:
      expectthrow<std::underflow_error>(apply, message(predicted, size));
      break;
    case outcome::outofrange:
    case outcome::inttoobig:
      expectthrow<std::out_of_range>(apply, message(predicted, size));
      break;
    case outcome::malformed:
      expectthrow<std::invalid_argument>(apply, message(predicted, size));
      break;
    case outcome::fractiontoobig:
    case outcome::floatlengtherror:
      expectthrow<std::length_error>(apply, message(predicted, size));
      break;
    case outcome::dividebyzero:
      expectthrow<std::domain_error>(apply, message(predicted, size));
      break;
  }
}

// The log's length: text in, text out and comparison must not change it.
long long logsize() { return static_cast<long long>(VELDRAN::logstream.tellp()); }

// A text as C source would write it, so that blanks, NULs and other bytes
// show in a failure report.
std::string escaped(std::string_view text) {
  std::string literal = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\') {
      literal += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      literal += escape;
    }
  }
  return literal + "\"";
}

// --- Input decoding ------------------------------------------------------------

class reader {
 public:
  reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
  template <class T>
  T raw() {
    unsigned char bytes[sizeof(T)];
    for (auto& b : bytes) {
      b = byte();
    }
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

long long pickinteger(reader& in) {
  const std::uint8_t mode = in.byte();
  switch (mode % 4) {
    case 0:
      return in.raw<long long>();
    case 1: {
      long long p = 1;
      for (unsigned k = in.byte() % 19; k > 0; --k) {
        p *= 10;
      }
      switch ((mode >> 2) % 8) {
        case 0:
          return p;
        case 1:
          return p - 1;
        case 2:
          return -p;
        case 3:
          return 1 - p;
        case 4:
          return LLONG_MIN;
        case 5:
          return LLONG_MAX;
        case 6:
          return LLONG_MIN + 1;
        default:
          return 0;
      }
    }
    case 2:
      return static_cast<std::int8_t>(in.byte());
    default: {
      const unsigned digits = 1 + in.byte() % 19;
      auto m = static_cast<unsigned long long>(in.raw<unsigned long long>() % pow10(digits));
      if (m > static_cast<unsigned long long>(LLONG_MAX)) {
        m /= 10;
      }
      const auto v = static_cast<long long>(m);
      return (mode & 4) != 0 ? -v : v;
    }
  }
}

float pickfloat(reader& in) {
  // clang-format off
  static const float kSpecial[] = {
      0.123F, 78.9F, 2.0F, -3.0F, 3.75F, 12.5F, 0.9999F, 0.12345F, 99.99F, 0.29F,
      1.0F / 3.0F, 12345.5F, 5.1F, 0.05F, 0.0015F, 2.0005F, -2.5F, -0.5F, -0.0F, 0.0F,
      NAN, INFINITY, -INFINITY, 9223372036854775808.0F, -9223372036854775808.0F,
      9223371487098961920.0F, FLT_MIN, FLT_TRUE_MIN, FLT_MAX, 0.99999994F, 9999.9999F,
      1e-3F, 1.001F, 8388607.5F, 16777216.0F, -0.999F};
  // clang-format on
  const std::uint8_t mode = in.byte();
  switch (mode % 3) {
    case 0:
      return in.raw<float>();
    case 1: {
      // A short decimal: up to seven digits and up to eight places.
      const auto n = in.raw<std::int32_t>() % 10000000;
      float divisor = 1.0F;
      for (unsigned k = in.byte() % 9; k > 0; --k) {
        divisor *= 10.0F;
      }
      return static_cast<float>(n) / divisor;
    }
    default:
      return kSpecial[in.byte() % (sizeof kSpecial / sizeof kSpecial[0])];
  }
}

// Runs of zeros put before the integer digits or after the fraction digits;
// the long one is longer than any slot has places.
unsigned pickzeros(std::uint8_t selector) {
  static const unsigned kZeroRuns[] = {0, 0, 0, 0, 1, 2, 3, 40};
  return kZeroRuns[selector % 8];
}

// A number of significant digits: mostly short, often around `places` so
// that both sides of each range check come up, sometimes far beyond it.
unsigned long long pickcount(reader& in, unsigned long long places) {
  const std::uint8_t b = in.byte();
  switch (b % 4) {
    case 0:
    case 1:
      return (b >> 2) % 8;
    case 2: {
      const unsigned long long count = places + (b >> 2) % 5;
      return count >= 2 ? count - 2 : 0;
    }
    default:
      return (b >> 2) % 48;
  }
}

// `count` digits from the input; the one at `nonzero` (if any) is never 0.
std::string pickdigits(reader& in, unsigned long long count, unsigned long long nonzero) {
  std::string digits;
  for (unsigned long long i = 0; i < count; ++i) {
    const std::uint8_t b = in.byte();
    digits += static_cast<char>(i == nonzero ? '1' + b % 9 : '0' + b % 10);
  }
  return digits;
}

// A well-formed number, unless a digit run comes out empty: a sign or none,
// leading zeros, the integer digits and, more often when `decimals` is set,
// a point with fraction digits and trailing zeros. `places` is the capacity
// of each part.
std::string picknumber(reader& in, unsigned long long places, bool decimals) {
  const std::uint8_t shape = in.byte();
  static const char* const kSigns[] = {"", "", "+", "-"};
  std::string text = kSigns[shape % 4];
  text.append(pickzeros(shape >> 2), '0');
  text += pickdigits(in, pickcount(in, places), 0);
  const unsigned withpoint = (shape >> 5) % 8;
  if (decimals ? withpoint < 6 : withpoint == 0) {
    const unsigned long long count = pickcount(in, places);
    text += '.';
    text += pickdigits(in, count, count - 1);
    text.append(pickzeros(in.byte()), '0');
  }
  return text;
}

// A text for text assignment: mostly a number of varied length, sometimes
// one spoilt by a character that does not belong, a fixed awkward text or
// raw bytes.
std::string picktext(reader& in, unsigned long long places, bool decimals) {
  // Blanks, separators and letters; '/' and ':' lie next to the ASCII
  // digits; then the UTF-8 bytes of SUPERSCRIPT TWO, ARABIC-INDIC DIGIT
  // THREE and FULLWIDTH DIGIT ONE. After them, texts at the grammar's edges.
  // clang-format off
  static const std::string kForeign[] = {
      " ", "\t", "\n", "\v", ".", "..", ",", "e", "E", "x", "a", "O", std::string(1, '\0'),
      "+", "-", "_", "'", "/", ":", "\x7f", "\xff", "\xc2\xb2", "\xd9\xa3", "\xef\xbc\x91"};
  static const std::string kAwkward[] = {
      "", "+", "-", ".", "+.", "-.", ".5", "5.", "-5.", "0", "+0", "-0", "0.0", "-0.0", "+0.0",
      "00", "-00.00", "1e2", "1E-2", " 1", "1 ", "\t-1", "1.2.3", "--1", "+-1", "-+1", "0x1f",
      "1,5", "1'000", "nan", "inf", "-inf", std::string(1, '\0'), std::string("1\0" "2", 3),
      "12\n", "\xd9\xa3", "\xef\xbc\x91\xef\xbc\x92", "\xc2\xb9"};
  // clang-format on
  const std::uint8_t mode = in.byte();
  switch (mode % 8) {
    case 5: {
      std::string text = picknumber(in, places, decimals);
      const std::size_t at = in.byte() % (text.size() + 1);
      const std::uint8_t how = in.byte();
      const std::string& foreign = kForeign[how % (sizeof kForeign / sizeof kForeign[0])];
      switch ((how >> 5) % 4) {
        case 0:
          text.erase(at);  // cut short
          break;
        case 1:
          text.replace(at, 1, foreign);
          break;
        default:
          text.insert(at, foreign);
          break;
      }
      return text;
    }
    case 6:
      return kAwkward[in.byte() % (sizeof kAwkward / sizeof kAwkward[0])];
    case 7: {
      std::string text;
      for (unsigned n = in.byte() % 16; n > 0; --n) {
        text += static_cast<char>(in.byte());
      }
      return text;
    }
    default:
      return picknumber(in, places, decimals);
  }
}

// The first whitespace-delimited token, as operator>> into a string reads
// it in the classic locale; empty when there is none.
std::string firsttoken(const std::string& text) {
  static const char kBlanks[] = " \t\n\v\f\r";
  const std::size_t start = text.find_first_not_of(kBlanks);
  if (start == std::string::npos) {
    return "";
  }
  return text.substr(start, text.find_first_of(kBlanks, start) - start);
}

// --- The state of one run --------------------------------------------------------

const std::string kIntSlotNames[kIntSlots] = {"int slot 0", "int slot 1", "int slot 2",
                                              "int slot 3"};
const std::string kFloatSlotNames[kFloatSlots] = {"float slot 0", "float slot 1", "float slot 2"};

struct state {
  std::vector<fixedint> ints;
  std::vector<intmodel> intmodels;
  std::vector<fixedfloat> floats;
  std::vector<floatmodel> floatmodels;

  // The slots an operation changed; their texts are checked after it.
  std::size_t touchedint = kIntSlots;
  std::size_t touchedfloat = kFloatSlots;

  // Every object, after every operation: a changed operand shows up here.
  void verifyall(bool texts) {
    for (std::size_t i = 0; i < ints.size(); ++i) {
      verify(ints[i], intmodels[i], kIntSlotNames[i], texts);
    }
    for (std::size_t i = 0; i < floats.size(); ++i) {
      verify(floats[i], floatmodels[i], kFloatSlotNames[i], texts);
    }
  }
};

// Mostly the places of an existing slot, so that operands match.
unsigned long long picksize(reader& in, const state& s) {
  const std::uint8_t b = in.byte();
  if ((b & 0x80) != 0) {
    return 1 + b % kMaxPlaces;
  }
  return s.intmodels[b % kIntSlots].size;
}

unsigned long long picklength(reader& in, const state& s) {
  const std::uint8_t b = in.byte();
  if ((b & 0x80) != 0) {
    return 2 * (1 + b % (kMaxPlaces / 2));
  }
  return s.floatmodels[b % kFloatSlots].length;
}

void newint(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  const unsigned long long size = picksize(in, s);
  begin((b & 4) != 0 ? "fixedint(size, value)" : "fixedint(size)");
  if ((b & 4) == 0) {
    s.ints[a] = fixedint(size);
    s.intmodels[a] = freshint(size);
    return;
  }
  const long long v = pickinteger(in);
  current.argument = "size " + std::to_string(size) + ", value " + std::to_string(v);
  intmodel m = freshint(size);
  const u128 magnitude = magnitudeof(v);
  if (places(magnitude) > size) {
    expectthrow<std::out_of_range>([&] { fixedint x(size, v); }, kIntTooBig);
    return;
  }
  m.magnitude = magnitude;
  m.negative = v < 0;
  s.ints[a] = fixedint(size, v);
  s.intmodels[a] = m;
}

void assigninteger(reader& in, state& s) {
  const std::size_t a = in.byte() % kIntSlots;
  s.touchedint = a;
  const long long v = pickinteger(in);
  begin("assignment from an integer to");
  withoperand(s.intmodels[a]);
  current.argument = std::to_string(v);
  intmodel& m = s.intmodels[a];
  const u128 magnitude = magnitudeof(v);
  // Even zero needs one place.
  if (std::max(1U, places(magnitude)) > m.size) {
    expectthrow<std::out_of_range>([&] { s.ints[a] = v; }, kIntTooBig);
    return;
  }
  s.ints[a] = v;
  m.magnitude = magnitude;
  if (m.hassign) {
    m.negative = v < 0;
  }
}

void setflags(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  begin("setting flags");
  fixedint& x = s.ints[a];
  intmodel& m = s.intmodels[a];
  if (b & 4) {
    x.negative = m.negative = (b & 8) != 0;
  }
  if (b & 16) {
    x.hassign = m.hassign = (b & 32) != 0;
  }
  if (b & 64) {
    x.overflowthrows = m.overflowthrows = (b & 128) != 0;
  }
}

void resize(reader& in, state& s) {
  const std::size_t a = in.byte() % kIntSlots;
  s.touchedint = a;
  const unsigned long long size = picksize(in, s);
  begin("resize");
  withoperand(s.intmodels[a]);
  current.argument = std::to_string(size);
  s.ints[a].resize(size);
  intmodel& m = s.intmodels[a];
  m.magnitude %= pow10(size);
  m.size = size;
}

void shift(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  intmodel& m = s.intmodels[a];
  if (b & 4) {
    begin("wholeshiftl");
    withoperand(m);
    s.ints[a].wholeshiftl();
    m.magnitude = m.magnitude * 10 % pow10(m.size);
  } else {
    begin("wholeshiftr");
    withoperand(m);
    s.ints[a].wholeshiftr();
    m.magnitude /= 10;
  }
}

void compare(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const intmodel& x = s.intmodels[a];
  const intmodel& y = s.intmodels[c];
  begin("comparison");
  withoperand(x);
  withoperand(y);

  const bool equal = modelequal(x, y);
  const bool greater = modelgreater(x, y);
  const bool less = !greater && !equal;

  const fixedint& left = s.ints[a];
  const fixedint& right = s.ints[c];
  FUZZ_CHECK((left == right) == equal, "==");
  FUZZ_CHECK((left != right) == !equal, "!=");
  FUZZ_CHECK((left > right) == greater, ">");
  FUZZ_CHECK((left < right) == less, "<");
  const long long before = logsize();
  FUZZ_CHECK((left <= right) == (less || equal), "<=");
  FUZZ_CHECK((left >= right) == (greater || equal), ">=");
  FUZZ_CHECK(logsize() == before, "<= or >= wrote to the log");
  const std::hash<fixedint> hash;
  FUZZ_CHECK(!equal || hash(left) == hash(right), "equal records hash apart");
}

void add(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const std::size_t d = (b >> 4) % kIntSlots;
  const addition r = addmodel(s.intmodels[a], s.intmodels[c]);
  begin("fixedint addition");
  withoperand(s.intmodels[a]);
  withoperand(s.intmodels[c]);
  // The right operand is a copy taken before the left one may change.
  const fixedint right = s.ints[c];
  expectoutcome(r.result, 0, [&] {
    fixedint sum = s.ints[a] + right;
    verify(s.ints[a], r.left, "left operand after the sum");
    verify(sum, r.sum, "sum");
    s.ints[d] = sum;
  });
  s.intmodels[a] = r.left;
  if (r.result == outcome::value) {
    s.intmodels[d] = r.sum;
  }
}

void multiply(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const std::size_t d = (b >> 4) % kIntSlots;
  const multiplication r = mulmodel(s.intmodels[a], s.intmodels[c]);
  begin("fixedint multiplication");
  withoperand(s.intmodels[a]);
  withoperand(s.intmodels[c]);
  expectoutcome(r.result, s.intmodels[a].size, [&] {
    fixedint product = s.ints[a] * s.ints[c];
    verify(product, r.product, "product");
    s.ints[d] = product;
  });
  if (r.result == outcome::value) {
    s.intmodels[d] = r.product;
  }
}

void copy(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t d = (b >> 2) % kIntSlots;
  s.touchedint = d;
  begin((b & 16) != 0 ? "getcopy" : "copy assignment");
  withoperand(s.intmodels[a]);
  if (b & 16) {
    s.ints[d] = s.ints[a].getcopy();
  } else {
    s.ints[d] = s.ints[a];
  }
  s.intmodels[d] = s.intmodels[a];
}

void newfloat(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  s.touchedfloat = f;
  const unsigned long long length = picklength(in, s);
  if (b & 4) {
    begin("fixedfloat(odd length)");
    current.argument = std::to_string(length + 1);
    expectthrow<std::runtime_error>([&] { fixedfloat x(length + 1); },
                                    "length should be able to be divided by 2!");
    return;
  }
  begin("fixedfloat(length)");
  current.argument = std::to_string(length);
  s.floats[f] = fixedfloat(length);
  s.floatmodels[f] = freshfloat(length);
}

// Assignment from float, worked out step by step in single precision.
void assignfloat(reader& in, state& s) {
  const std::size_t f = in.byte() % kFloatSlots;
  s.touchedfloat = f;
  const float x = pickfloat(in);
  floatmodel& m = s.floatmodels[f];
  char shown[64];
  std::snprintf(shown, sizeof shown, "%.9g", static_cast<double>(x));
  begin("fixedfloat assignment from float to");
  withoperand(m.value);
  current.argument = shown;
  fixedfloat& target = s.floats[f];

  if (!std::isfinite(x)) {
    expectthrow<std::domain_error>([&] { target = x; }, "Float is not finite!");
    return;
  }
  if (std::fabs(x) >= 9223372036854775808.0F) {
    expectthrow<std::out_of_range>([&] { target = x; }, kIntTooBig);
    return;
  }
  const unsigned long long half = m.length / 2;
  const long long integer = static_cast<long long>(x);
  const u128 integermagnitude = magnitudeof(integer);
  if (std::max(1U, places(integermagnitude)) > half) {
    expectthrow<std::out_of_range>([&] { target = x; }, kIntTooBig);
    return;
  }

  // The integer part alone, as stored before the fraction is looked at.
  floatmodel whole = freshfloat(m.length);
  whole.value.magnitude = integermagnitude * pow10(half);
  whole.value.negative = integer < 0;
  whole.negative = integer < 0;

  float fraction = std::fabs(x - static_cast<float>(integer));
  unsigned scalings = 0;
  if (fraction != 0.0F) {
    while (std::fabs(static_cast<double>(
               fraction - static_cast<float>(static_cast<long long>(fraction)))) > 0.001) {
      fraction = fraction * 10.0F;
      ++scalings;
      FUZZ_CHECK(scalings < 64, "scaling does not stop");
    }
  }
  const auto fractiondigits = static_cast<u128>(static_cast<long long>(fraction));
  if (scalings > half || places(fractiondigits) > half) {
    expectthrow<std::length_error>([&] { target = x; },
                                   "Fraction of float too big to fit in fixedfloat!");
    m = whole;
    return;
  }
  floatmodel result = whole;
  result.value.magnitude += fractiondigits * pow10(half - scalings);
  FUZZ_CHECK(result.value.magnitude < pow10(m.length),
             "model: the fraction carries out of the top");
  result.value.negative = x < 0 && result.value.magnitude != 0;
  result.negative = result.value.negative;
  target = x;
  m = result;
}

void addfloats(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const std::size_t g = (b >> 2) % kFloatSlots;
  const std::size_t d = (b >> 4) % kFloatSlots;
  floatmodel& left = s.floatmodels[f];
  const floatmodel& right = s.floatmodels[g];
  begin("fixedfloat addition");
  withoperand(left.value);
  withoperand(right.value);
  if (left.length != right.length) {
    expectthrow<std::length_error>([&] { fixedfloat sum = s.floats[f] + s.floats[g]; },
                                   "Size is not equal!");
    return;
  }
  const addition r = addmodel(left.value, right.value);
  floatmodel result = freshfloat(left.length);
  result.value = r.sum;
  if (left.hassign) {
    result.negative = r.sum.negative;
  }
  const fixedfloat other = s.floats[g];
  expectoutcome(r.result, 0, [&] {
    fixedfloat sum = s.floats[f] + other;
    verify(s.floats[f].value, r.left, "left value after the sum");
    verify(sum, result, "sum");
    FUZZ_CHECK(sum.asstring() == floattext(result),
               "sum text \"" + sum.asstring() + "\", expected \"" + floattext(result) + "\"");
    s.floats[d] = sum;
  });
  left.value = r.left;
  if (r.result == outcome::value) {
    s.floatmodels[d] = result;
  }
}

// fixedfloat = fixedint: the integer resized to `length` places, then scaled
// by ten once per fraction place; a failed scaling keeps the last product.
void floatfromint(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  s.touchedfloat = f;
  const std::size_t a = (b >> 2) % kIntSlots;
  floatmodel& m = s.floatmodels[f];
  const intmodel& v = s.intmodels[a];
  begin("fixedfloat assignment from fixedint");
  withoperand(m.value);
  withoperand(v);
  const unsigned long long half = m.length / 2;
  if (v.size < half) {
    expectthrow<std::out_of_range>([&] { s.floats[f] = s.ints[a]; },
                                   "Val too small for fixedfloat!");
    return;
  }
  floatmodel result = m;
  result.value = v;
  result.value.size = m.length;
  result.value.magnitude %= pow10(m.length);
  result.negative = v.negative;
  const u128 limit = pow10(m.length);
  bool throws = false;
  for (unsigned long long step = 0; step < half; ++step) {
    if (result.value.magnitude * 10 >= limit) {
      throws = true;
      break;
    }
    result.value.magnitude *= 10;
    result.value.negative = result.value.hassign && result.value.negative;
    result.value.hassign = true;
    result.value.overflowthrows = false;
  }
  if (throws) {
    expectthrow<std::out_of_range>([&] { s.floats[f] = s.ints[a]; },
                                   message(outcome::outofrange, m.length));
  } else {
    s.floats[f] = s.ints[a];
  }
  m = result;
}

// fixedint = fixedfloat: the integer part, with the float's length as size.
void intfromfloat(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  const std::size_t f = (b >> 2) % kFloatSlots;
  const floatmodel& m = s.floatmodels[f];
  begin("fixedint assignment from fixedfloat");
  withoperand(m.value);
  intmodel result = m.value;
  result.magnitude /= pow10(m.length / 2);
  s.ints[a] = s.floats[f];
  s.intmodels[a] = result;
}

void floatparts(reader& in, state& s) {
  const std::size_t f = in.byte() % kFloatSlots;
  const floatmodel& m = s.floatmodels[f];
  begin("fixedfloat text and parts");
  withoperand(m.value);
  const std::string expected = floattext(m);
  const std::string text = s.floats[f].asstring();
  FUZZ_CHECK(text == expected, "asstring \"" + text + "\", expected \"" + expected + "\"");
  intmodel integer = m.value;
  integer.magnitude /= pow10(m.length / 2);
  verify(s.floats[f].getintpart(), integer, "getintpart");
  intmodel fraction = m.value;
  fraction.magnitude %= pow10(m.length / 2);
  verify(s.floats[f].getfractionpart(), fraction, "getfractionpart");
}

// Text assignment, either by operator= or by operator>> from a stream that
// holds the text, checked against `model`'s outcome for the text; the
// caller checks `target` against the model afterwards, so a refused text
// must leave it unchanged.
template <class Number, class Model>
void assigntext(Number& target, const std::string& text, bool throughstream, const Model& model) {
  const long long before = logsize();
  if (throughstream) {
    // operator>> throws nothing: a refused token sets failbit, and so does
    // a missing one, which the model refuses as the empty text.
    const std::string token = firsttoken(text);
    const bool refused = model(token).result != outcome::value;
    std::istringstream stream(text);
    stream >> target;
    FUZZ_CHECK(
        stream.fail() == refused,
        std::string("operator>> ") + (refused ? "took" : "refused") + " token " + escaped(token));
  } else {
    expectoutcome(model(text).result, 0, [&] { target = std::string_view(text); });
  }
  FUZZ_CHECK(logsize() == before, "text assignment wrote to the log");
}

void assigninttext(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  intmodel& m = s.intmodels[a];
  const std::string text = picktext(in, m.size, (b & 8) != 0);
  const bool throughstream = (b & 4) != 0;
  begin(throughstream ? "operator>> into" : "text assignment to");
  withoperand(m);
  current.argument = escaped(text);
  const auto model = [&m](std::string_view t) { return inttextmodel(m, t); };
  assigntext(s.ints[a], text, throughstream, model);
  m = model(throughstream ? firsttoken(text) : text).after;
}

void assignfloattext(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  s.touchedfloat = f;
  floatmodel& m = s.floatmodels[f];
  const std::string text = picktext(in, m.length / 2, (b & 8) == 0);
  const bool throughstream = (b & 4) != 0;
  begin(throughstream ? "operator>> into fixedfloat" : "fixedfloat text assignment to");
  withoperand(m.value);
  current.argument = escaped(text);
  const auto model = [&m](std::string_view t) { return floattextmodel(m, t); };
  assigntext(s.floats[f], text, throughstream, model);
  m = model(throughstream ? firsttoken(text) : text).after;
}

// Writes `x` with << in a field of `width`, padded on the left or the right,
// and reads it back with >> into `back`, which must then match `expected`.
template <class Number, class Model>
void streamback(const Number& x, const std::string& text, Number& back, const Model& expected,
                std::size_t width, bool left) {
  std::stringstream stream;
  stream << (left ? std::left : std::right) << std::setw(static_cast<int>(width)) << x;
  const std::string padding(text.size() < width ? width - text.size() : 0, ' ');
  const std::string padded = left ? text + padding : padding + text;
  FUZZ_CHECK(stream.str() == padded,
             "operator<< wrote " + escaped(stream.str()) + ", expected " + escaped(padded));
  stream >> back;
  FUZZ_CHECK(!stream.fail(), "operator>> refused what operator<< wrote");
  verify(back, expected, "read back by operator>>");
}

// Print, then parse into a fresh record of the same size: asstring() read
// back as text gives the same digits and sign, and << then >> agrees.
void roundtrip(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t width = in.byte() % 48;
  const bool left = (b & 2) != 0;
  if ((b & 1) == 0) {
    const std::size_t a = (b >> 2) % kIntSlots;
    const intmodel& m = s.intmodels[a];
    begin("print-then-parse of");
    withoperand(m);
    const std::string text = s.ints[a].asstring();
    fixedint parsed(m.size);
    const long long before = logsize();
    parsed = std::string_view(text);
    FUZZ_CHECK(logsize() == before, "text assignment wrote to the log");
    // A fresh record has hassign set, so the sign comes back too.
    intmodel expected = freshint(m.size);
    expected.magnitude = m.magnitude;
    expected.negative = m.negative;
    verify(parsed, expected, "parsed text " + escaped(text));
    fixedint back(m.size);
    streamback(s.ints[a], text, back, expected, width, left);
    return;
  }
  const std::size_t f = (b >> 2) % kFloatSlots;
  const floatmodel& m = s.floatmodels[f];
  begin("fixedfloat print-then-parse of");
  withoperand(m.value);
  const std::string text = s.floats[f].asstring();
  fixedfloat parsed(m.length);
  const long long before = logsize();
  parsed = std::string_view(text);
  FUZZ_CHECK(logsize() == before, "text assignment wrote to the log");
  // The text carries every digit of `value` and the sign of `negative`; so
  // when value's own sign agrees with it, the number comes back whole.
  floatmodel expected = freshfloat(m.length);
  expected.value.magnitude = m.value.magnitude;
  expected.value.negative = m.negative;
  expected.negative = m.negative;
  verify(parsed, expected, "parsed text " + escaped(text));
  fixedfloat back(m.length);
  streamback(s.floats[f], text, back, expected, width, left);
}

// fixedfloat comparison against the model of `value`, and std::hash
// against ==; none of it may log.
void comparefloats(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const floatmodel& x = s.floatmodels[b % kFloatSlots];
  const floatmodel& y = s.floatmodels[(b >> 2) % kFloatSlots];
  begin("fixedfloat comparison");
  withoperand(x.value);
  withoperand(y.value);
  const fixedfloat& left = s.floats[b % kFloatSlots];
  const fixedfloat& right = s.floats[(b >> 2) % kFloatSlots];
  const long long before = logsize();
  if (x.length != y.length) {
    const std::string unequal = "Size is not equal!";
    expectthrow<std::length_error>([&] { static_cast<void>(left == right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left != right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left < right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left > right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left <= right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left >= right); }, unequal);
  } else {
    const bool equal = modelequal(x.value, y.value);
    const bool greater = modelgreater(x.value, y.value);
    const bool less = !greater && !equal;
    FUZZ_CHECK((left == right) == equal, "==");
    FUZZ_CHECK((left != right) == !equal, "!=");
    FUZZ_CHECK((left < right) == less, "<");
    FUZZ_CHECK((left > right) == greater, ">");
    FUZZ_CHECK((left <= right) == !greater, "<=");
    FUZZ_CHECK((left >= right) == !less, ">=");
    const std::hash<fixedfloat> hash;
    FUZZ_CHECK(!equal || hash(left) == hash(right), "equal numbers hash apart");
  }
  FUZZ_CHECK(logsize() == before, "comparison wrote to the log");
}

// --- Difference, division, rounding and the compound assignments ---------------------

// The messages logged since the log had `before` characters, without their
// time stamps.
std::vector<std::string> messagessince(long long before) {
  const std::string text = VELDRAN::logstream.str().substr(static_cast<std::size_t>(before));
  constexpr std::size_t kPrefix = 9 + 24 + 3;  // "VELDRAN [" ctime "]: "
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line.size() >= kPrefix ? line.substr(kPrefix) : line);
  }
  return lines;
}

// What one record made by the count constructor logs in its life.
template <class Number>
std::vector<std::string> onelife(unsigned long long places) {
  const long long before = logsize();
  { const Number x(places); }
  return messagessince(before);
}

// Runs `operation`, which makes one number, against the model's outcome;
// `take` checks and keeps a result. A result's whole life logs what one
// count-constructed record logs, and nothing else.
template <class Number, class Operation, class Take>
void expectmade(outcome predicted, unsigned long long places, Operation&& operation, Take&& take) {
  const std::vector<std::string> life = onelife<Number>(places);
  const long long before = logsize();
  bool made = false;
  expectoutcome(predicted, 0, [&] {
    const Number result = operation();
    made = true;
    take(result);
  });
  FUZZ_CHECK(!made || messagessince(before) == life,
             "the result logged other lines than one record's life");
}

intmodel intresult(const bigresult& r) { return smallmodelof(r.value); }

floatmodel floatresult(const bigresult& r, unsigned long long length) {
  floatmodel f = freshfloat(length);
  f.value = smallmodelof(r.value);
  f.negative = f.value.negative;
  return f;
}

bigfloatmodel bigfloatof(const floatmodel& m) {
  bigfloatmodel f;
  f.length = m.length;
  f.value = bigmodelof(m.value);
  return f;
}

rounding pickrounding(std::uint8_t b) { return veldran_test::kEveryRounding[b % 7]; }

// The double nearest the exact value, read from its text by strtod.
void expectdouble(double got, const std::string& exact) {
  const double want = std::strtod(exact.c_str(), nullptr);
  FUZZ_CHECK(got == want && std::signbit(got) == std::signbit(want),
             "todouble gave " + std::to_string(got) + " for " + exact);
}

// -a, a - c, a / c, a % c or a.divide(c, mode), kept in slot d.
void intarithmetic(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const std::size_t d = (b >> 4) % kIntSlots;
  const std::uint8_t kind = in.byte();
  const bigintmodel x = bigmodelof(s.intmodels[a]);
  const bigintmodel y = bigmodelof(s.intmodels[c]);
  const rounding mode = pickrounding(kind >> 3);
  bigresult r;
  std::function<fixedint()> operation;
  const fixedint& left = s.ints[a];
  const fixedint& right = s.ints[c];
  switch (kind % 5) {
    case 0:
      begin("fixedint negation");
      r = veldran_test::negatemodel(x);
      operation = [&] { return -left; };
      break;
    case 1:
      begin("fixedint subtraction");
      r = veldran_test::subtractmodel(x, y);
      operation = [&] { return left - right; };
      break;
    case 2:
      begin("fixedint division");
      r = veldran_test::dividemodel(x, y, divisionpart::quotient);
      operation = [&] { return left / right; };
      break;
    case 3:
      begin("fixedint remainder");
      r = veldran_test::dividemodel(x, y, divisionpart::remainder);
      operation = [&] { return left % right; };
      break;
    default:
      begin("fixedint divide");
      current.argument = veldran_test::roundingname(mode);
      r = veldran_test::dividemodel(x, y, divisionpart::quotient, mode);
      operation = [&] { return left.divide(right, mode); };
      break;
  }
  withoperand(s.intmodels[a]);
  if (kind % 5 != 0) withoperand(s.intmodels[c]);
  expectmade<fixedint>(r.result, s.intmodels[a].size, operation, [&](const fixedint& result) {
    verify(result, intresult(r), "result");
    s.ints[d] = result;
  });
  if (r.result == outcome::value) {
    s.touchedint = d;
    s.intmodels[d] = intresult(r);
  }
}

// The model of a op= c: the record afterwards and the outcome.
struct compoundresult {
  outcome result = outcome::value;
  intmodel after;
};

compoundresult intcompoundmodel(int kind, const intmodel& a, const intmodel& c) {
  compoundresult r;
  r.after = a;
  if (kind == 0) {
    const addition sum = addmodel(a, c);
    r.result = sum.result;
    r.after = sum.result == outcome::value ? sum.sum : sum.left;
    return r;
  }
  if (kind == 1) {
    const multiplication product = mulmodel(a, c);
    r.result = product.result;
    if (product.result == outcome::value) r.after = product.product;
    return r;
  }
  const bigintmodel x = bigmodelof(a);
  const bigintmodel y = bigmodelof(c);
  const bigresult big = kind == 2   ? veldran_test::subtractmodel(x, y)
                        : kind == 3 ? veldran_test::dividemodel(x, y, divisionpart::quotient)
                                    : veldran_test::dividemodel(x, y, divisionpart::remainder);
  r.result = big.result;
  if (big.result == outcome::value) r.after = intresult(big);
  return r;
}

// Applies one of the compound assignments; `kind` picks it.
template <class Number>
void applycompound(int kind, Number& target, const Number& other) {
  switch (kind) {
    case 0:
      target += other;
      break;
    case 1:
      target *= other;
      break;
    case 2:
      target -= other;
      break;
    case 3:
      target /= other;
      break;
    default:
      target %= other;
      break;
  }
}

// The log lines of `*this = *this op other` done on copies, the same
// operand twice when both sides are one slot.
template <class Number, class Spelled>
std::vector<std::string> spelledoutlines(const Number& target, const Number& other, bool same,
                                         Spelled spelled) {
  Number copy = target;
  Number othercopy = other;
  const long long before = logsize();
  try {
    spelled(copy, same ? copy : othercopy);
  } catch (const std::exception&) {
    // What a refused operation logs is only compared, not fixed.
  }
  return messagessince(before);
}

// a op= c for +=, *=, -=, /= and %=: the model's outcome, the record left
// behind and the same log lines as *this = *this op other.
void intcompound(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const int kind = (b >> 4) % 5;
  static const char* const kNames[] = {
      "fixedint +=", "fixedint *=", "fixedint -=", "fixedint /=", "fixedint %="};
  begin(kNames[kind]);
  withoperand(s.intmodels[a]);
  withoperand(s.intmodels[c]);
  s.touchedint = a;
  const compoundresult r = intcompoundmodel(kind, s.intmodels[a], s.intmodels[c]);
  const std::vector<std::string> spelled =
      spelledoutlines(s.ints[a], s.ints[c], a == c, [kind](fixedint& t, const fixedint& o) {
        switch (kind) {
          case 0:
            t = t + o;
            break;
          case 1:
            t = t * o;
            break;
          case 2:
            t = t - o;
            break;
          case 3:
            t = t / o;
            break;
          default:
            t = t % o;
            break;
        }
      });
  const long long before = logsize();
  expectoutcome(r.result, s.intmodels[a].size,
                [&] { applycompound(kind, s.ints[a], a == c ? s.ints[a] : s.ints[c]); });
  FUZZ_CHECK(messagessince(before) == spelled, "logged other lines than *this = *this op other");
  s.intmodels[a] = r.after;
}

void inttodouble(reader& in, state& s) {
  const std::size_t a = in.byte() % kIntSlots;
  begin("fixedint todouble");
  withoperand(s.intmodels[a]);
  const long long before = logsize();
  expectdouble(s.ints[a].todouble(), veldran_test::exacttext(bigmodelof(s.intmodels[a]), 0));
  FUZZ_CHECK(logsize() == before, "todouble wrote to the log");
}

// -f, f - g, f.multiply(g, mode), f * g, f.divide(g, mode), f / g or
// f.rounded(places, mode), kept in slot d.
void floatarithmetic(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const std::size_t g = (b >> 2) % kFloatSlots;
  const std::size_t d = (b >> 4) % kFloatSlots;
  const std::uint8_t kind = in.byte();
  const bigfloatmodel x = bigfloatof(s.floatmodels[f]);
  const bigfloatmodel y = bigfloatof(s.floatmodels[g]);
  const rounding mode = pickrounding(kind >> 3);
  const unsigned long long places = in.byte() % (x.length / 2 + 3);
  const fixedfloat& left = s.floats[f];
  const fixedfloat& right = s.floats[g];
  bigresult r;
  std::function<fixedfloat()> operation;
  switch (kind % 7) {
    case 0:
      begin("fixedfloat negation");
      r = veldran_test::floatnegatemodel(x);
      operation = [&] { return -left; };
      break;
    case 1:
      begin("fixedfloat subtraction");
      r = veldran_test::floatsubtractmodel(x, y);
      operation = [&] { return left - right; };
      break;
    case 2:
      begin("fixedfloat multiply");
      current.argument = veldran_test::roundingname(mode);
      r = veldran_test::floatmultiplymodel(x, y, mode);
      operation = [&] { return left.multiply(right, mode); };
      break;
    case 3:
      begin("fixedfloat *");
      r = veldran_test::floatmultiplymodel(x, y, rounding::halfeven);
      operation = [&] { return left * right; };
      break;
    case 4:
      begin("fixedfloat divide");
      current.argument = veldran_test::roundingname(mode);
      r = veldran_test::floatdividemodel(x, y, mode);
      operation = [&] { return left.divide(right, mode); };
      break;
    case 5:
      begin("fixedfloat /");
      r = veldran_test::floatdividemodel(x, y, rounding::halfeven);
      operation = [&] { return left / right; };
      break;
    default:
      begin("fixedfloat rounded");
      current.argument = std::to_string(places) + " places, " + veldran_test::roundingname(mode);
      r = veldran_test::floatroundedmodel(x, places, mode);
      operation = [&] { return left.rounded(places, mode); };
      break;
  }
  withoperand(s.floatmodels[f].value);
  if (kind % 7 != 0 && kind % 7 != 6) withoperand(s.floatmodels[g].value);
  const floatmodel expected = floatresult(r, x.length);
  expectmade<fixedfloat>(r.result, x.length, operation, [&](const fixedfloat& result) {
    verify(result, expected, "result");
    s.floats[d] = result;
  });
  if (r.result == outcome::value) {
    s.touchedfloat = d;
    s.floatmodels[d] = expected;
  }
}

// f op= g for +=, -=, *= and /=: the model's outcome, the number left
// unchanged by a refusal, and the log lines of *this = *this op other.
void floatcompound(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const std::size_t g = (b >> 2) % kFloatSlots;
  const int kind = (b >> 4) % 4;
  static const char* const kNames[] = {
      "fixedfloat +=", "fixedfloat -=", "fixedfloat *=", "fixedfloat /="};
  begin(kNames[kind]);
  floatmodel& m = s.floatmodels[f];
  const floatmodel& other = s.floatmodels[g];
  withoperand(m.value);
  withoperand(other.value);
  s.touchedfloat = f;
  outcome predicted = outcome::value;
  floatmodel after = m;
  if (kind == 0) {
    if (m.length != other.length) {
      predicted = outcome::floatlengtherror;
    } else {
      const addition sum = addmodel(m.value, other.value);
      predicted = sum.result;
      after = freshfloat(m.length);
      after.value = sum.sum;
      if (m.hassign) after.negative = sum.sum.negative;
    }
  } else {
    const bigfloatmodel x = bigfloatof(m);
    const bigfloatmodel y = bigfloatof(other);
    const bigresult r = kind == 1   ? veldran_test::floatsubtractmodel(x, y)
                        : kind == 2 ? veldran_test::floatmultiplymodel(x, y, rounding::halfeven)
                                    : veldran_test::floatdividemodel(x, y, rounding::halfeven);
    predicted = r.result;
    if (r.result == outcome::value) after = floatresult(r, m.length);
  }
  const std::vector<std::string> spelled =
      spelledoutlines(s.floats[f], s.floats[g], f == g, [kind](fixedfloat& t, const fixedfloat& o) {
        switch (kind) {
          case 0:
            t = t + o;
            break;
          case 1:
            t = t - o;
            break;
          case 2:
            t = t * o;
            break;
          default:
            t = t / o;
            break;
        }
      });
  const long long before = logsize();
  expectoutcome(predicted, 0, [&] {
    fixedfloat& target = s.floats[f];
    const fixedfloat& right = f == g ? target : s.floats[g];
    switch (kind) {
      case 0:
        target += right;
        break;
      case 1:
        target -= right;
        break;
      case 2:
        target *= right;
        break;
      default:
        target /= right;
        break;
    }
  });
  FUZZ_CHECK(messagessince(before) == spelled, "logged other lines than *this = *this op other");
  if (predicted == outcome::value) m = after;
}

void floattodouble(reader& in, state& s) {
  const std::size_t f = in.byte() % kFloatSlots;
  const floatmodel& m = s.floatmodels[f];
  begin("fixedfloat todouble");
  withoperand(m.value);
  // As asstring() shows it: with the number's own sign flag, which may lag
  // behind value's.
  bigintmodel shown = bigmodelof(m.value);
  shown.negative = m.negative;
  const long long before = logsize();
  expectdouble(s.floats[f].todouble(), veldran_test::exacttext(shown, m.length / 2));
  FUZZ_CHECK(logsize() == before, "todouble wrote to the log");
}

void run(const std::uint8_t* data, std::size_t size) {
  reader in(data, size);
  state s;
  s.ints.reserve(kIntSlots);
  s.floats.reserve(kFloatSlots);
  begin("set-up");
  const unsigned long long places = 1 + in.byte() % kMaxPlaces;
  const unsigned long long length = 2 * (1 + in.byte() % (kMaxPlaces / 2));
  for (std::size_t i = 0; i < kIntSlots; ++i) {
    s.ints.emplace_back(places);
    s.intmodels.push_back(freshint(places));
  }
  for (std::size_t i = 0; i < kFloatSlots; ++i) {
    s.floats.emplace_back(length);
    s.floatmodels.push_back(freshfloat(length));
  }

  using operation = void (*)(reader&, state&);
  static const operation kOperations[] = {newint,       assigninteger, setflags,    resize,
                                          shift,        compare,       add,         multiply,
                                          copy,         newfloat,      assignfloat, addfloats,
                                          floatfromint, intfromfloat,  floatparts};
  static const operation kTextOperations[] = {assigninttext, assignfloattext, roundtrip,
                                              comparefloats};
  static const operation kArithmeticOperations[] = {intarithmetic, intarithmetic,   intcompound,
                                                    inttodouble,   floatarithmetic, floatarithmetic,
                                                    floatcompound, floattodouble};
  // The seeds from before the text operations keep their meaning, and
  // those from before the new arithmetic do too unless they use 240 and up.
  constexpr std::uint8_t kFirstTextOpcode = 224;
  constexpr std::uint8_t kFirstArithmeticOpcode = 240;
  for (int count = 0; count < kMaxOperations && !in.empty(); ++count) {
    const std::uint8_t op = in.byte();
    s.touchedint = kIntSlots;
    s.touchedfloat = kFloatSlots;
    if (op < kFirstTextOpcode) {
      kOperations[op % (sizeof kOperations / sizeof kOperations[0])](in, s);
    } else if (op >= kFirstArithmeticOpcode) {
      kArithmeticOperations[(op - kFirstArithmeticOpcode) %
                            (sizeof kArithmeticOperations / sizeof kArithmeticOperations[0])](in,
                                                                                              s);
    } else {
      kTextOperations[(op - kFirstTextOpcode) %
                      (sizeof kTextOperations / sizeof kTextOperations[0])](in, s);
    }
    s.verifyall(false);
    if (s.touchedint < kIntSlots) {
      verify(s.ints[s.touchedint], s.intmodels[s.touchedint], kIntSlotNames[s.touchedint]);
    }
    if (s.touchedfloat < kFloatSlots) {
      const std::size_t f = s.touchedfloat;
      verify(s.floats[f], s.floatmodels[f], kFloatSlotNames[f]);
      const std::string text = s.floats[f].asstring();
      const std::string expected = floattext(s.floatmodels[f]);
      FUZZ_CHECK(text == expected,
                 kFloatSlotNames[f] + ": asstring \"" + text + "\", expected \"" + expected + "\"");
    }
  }
  s.verifyall(true);
  begin("final check");
  for (std::size_t i = 0; i < kFloatSlots; ++i) {
    const std::string text = s.floats[i].asstring();
    const std::string expected = floattext(s.floatmodels[i]);
    FUZZ_CHECK(text == expected,
               kFloatSlotNames[i] + ": asstring \"" + text + "\", expected \"" + expected + "\"");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The log only grows; start every run from an empty one.
  VELDRAN::logstream.str("");
  VELDRAN::logstream.clear();
  try {
    run(data, size);
  } catch (const std::exception& error) {
    fail(std::string("unexpected ") + typeid(error).name() + ": " + error.what());
  }
  VELDRAN::logstream.str("");
  VELDRAN::logstream.clear();
  return 0;
}
