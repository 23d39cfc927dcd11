// Text in and out: assignment from text and operator>> for both types,
// with the texts that reach the grammar's edges, and print-then-parse
// round trips through asstring() and operator<<.
#include <cstdint>
#include <iomanip>
#include <ios>
#include <sstream>
#include <string>
#include <string_view>

#include "shared.h"

namespace veldran_fuzz {

namespace {

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

}  // namespace

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

}  // namespace veldran_fuzz
