// Family 2, text as people write it: blanks around, a sign, "5.", ".5",
// exponents of a few or of many digits, through every way text comes in
// (both assignments, both constructors and operator>>), checked against the
// model: the value stored exactly, or the refusal with its class and its
// message, which quotes the text.
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "shared.h"

namespace veldran_fuzz {

namespace {

// Up to 23 digits, zeros as often as any other.
std::string pickrun(reader& in) {
  std::string run(in.byte() % 24, '0');
  for (char& c : run) {
    c = static_cast<char>('0' + in.byte() % 10);
  }
  return run;
}

// A text from the grammar's pieces, one input byte deciding each; now and
// then leading zeros enough to take it past the 64 bytes a message shows,
// or a byte that does not belong put in.
std::string pickform(reader& in) {
  static const char* const kBlanks[] = {"", "", "", " ", "\t", "\r", "\n", "\v", "\f", "\r\n"};
  static const char* const kSigns[] = {"", "", "-", "+"};
  // clang-format off
  static const std::string kForeign[] = {
      "x", ",", ".", "e", "E", " ", "+", "-", std::string(1, '\0'), "\xc2\xa0", "_", "\x85"};
  // clang-format on
  const std::uint8_t shape = in.byte();
  std::string text = std::string(kBlanks[in.byte() % std::size(kBlanks)]) + kSigns[shape % 4];
  text.append((shape & 0x40) != 0 ? in.byte() % 80 : 0, '0');
  text += pickrun(in);
  text += (shape & 4) != 0 ? "." : "";
  text += (shape & 8) != 0 ? pickrun(in) : "";
  if ((shape & 16) != 0) {
    text += (shape & 32) != 0 ? "E" : "e";
    text += kSigns[in.byte() % 4];
    const std::uint8_t e = in.byte();
    // Around the places a number has, or far past anything that fits.
    text += (e & 0x80) != 0 ? std::string(1 + e % 30, '9') : std::to_string(e % 40);
  }
  text += kBlanks[in.byte() % std::size(kBlanks)];
  const std::uint8_t spoil = in.byte();
  if (spoil % 8 == 0) {
    const std::size_t at = in.byte() % (text.size() + 1);
    text.insert(at, kForeign[(spoil >> 3) % std::size(kForeign)]);
  }
  return text;
}

void intentry(reader& in, state& s, unsigned way, const std::string& text) {
  const std::size_t a = in.byte() % kIntSlots;
  intmodel& m = s.intmodels[a];
  s.touchedint = a;
  if (way == 1) {  // the constructor: a fresh record of its own size
    const unsigned long long size = picksize(in, s);
    begin("fixedint(size, text)");
    current.argument = "size " + std::to_string(size) + ", " + escaped(text);
    const auto made = inttextmodel(freshint(size), text);
    expectoutcome(
        made.result, size, [&] { s.ints[a] = fixedint(size, text); }, text);
    m = made.result == outcome::value ? made.after : m;
    return;
  }
  begin(way == 0 ? "text assignment to" : "operator>> into");
  withoperand(m);
  current.argument = escaped(text);
  const auto model = [&m](std::string_view t) { return inttextmodel(m, t); };
  assigntext(s.ints[a], text, way == 2, model);
  m = model(way == 0 ? text : firsttoken(text)).after;
}

void floatentry(reader& in, state& s, unsigned way, const std::string& text) {
  const std::size_t f = in.byte() % kFloatSlots;
  floatmodel& m = s.floatmodels[f];
  s.touchedfloat = f;
  if (way == 1) {
    const unsigned long long length = picklength(in, s);
    begin("fixedfloat(length, text)");
    current.argument = "length " + std::to_string(length) + ", " + escaped(text);
    const auto made = floattextmodel(freshfloat(length), text);
    expectoutcome(
        made.result, length, [&] { s.floats[f] = fixedfloat(length, text); }, text);
    m = made.result == outcome::value ? made.after : m;
    return;
  }
  begin(way == 0 ? "fixedfloat text assignment to" : "operator>> into fixedfloat");
  withoperand(m.value);
  current.argument = escaped(text);
  const auto model = [&m](std::string_view t) { return floattextmodel(m, t); };
  assigntext(s.floats[f], text, way == 2, model);
  m = model(way == 0 ? text : firsttoken(text)).after;
}

}  // namespace

void textgrammar(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::string text = pickform(in);
  const unsigned way = (b >> 1) % 3;  // assignment, constructor, operator>>
  if ((b & 1) == 0) {
    intentry(in, s, way, text);
  } else {
    floatentry(in, s, way, text);
  }
}

}  // namespace veldran_fuzz
