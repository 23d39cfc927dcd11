// The checks every room uses: the failure report naming the operation and
// its operands, the field-by-field comparison of a record with its model,
// and the log's length and lines since a point.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/log"
#include "shared.h"

namespace veldran_fuzz {

operationrecord current;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "\nveldran-fuzz: mismatch in %s: %s\n", describeoperation().c_str(),
               what.c_str());
  std::fflush(stderr);
  std::abort();
}

namespace {

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

}  // namespace

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

void verify(const fixedint& x, const intmodel& m, const std::string& name, bool texts) {
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

void verify(const fixedfloat& f, const floatmodel& m, const std::string& name, bool texts) {
  FUZZ_CHECK(f.length == m.length, name + ": length " + std::to_string(f.length) + ", expected " +
                                       std::to_string(m.length));
  FUZZ_CHECK(f.hassign == m.hassign, name + ": hassign");
  FUZZ_CHECK(f.negative == m.negative, name + ": negative");
  verify(f.value, m.value, name, texts);
}

long long logsize() { return static_cast<long long>(VELDRAN::logstream.tellp()); }

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

}  // namespace veldran_fuzz
