// Decimal text as people write it: blanks around, a sign, "5.", ".5", an
// exponent. Read in one pass with no allocation, so a text of any length or
// exponent costs its own length and nothing more.
#include "decimal/textgrammar.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace VELDRAN::internal {

namespace {

// An exponent stops growing once it passes this: still beyond any text's
// length or any number's places, and far from overflow when a digit's
// position within the text is added to it.
constexpr long long kExponentCap = 100000000000000000;  // 10^17

// The blanks of the "C" locale: the user's locale must not change which
// texts are numbers.
bool isblankchar(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isdigitchar(char c) { return c >= '0' && c <= '9'; }

// Reads text[i] on while `test` holds; returns where it stopped.
template <typename Test>
std::size_t skip(std::string_view text, std::size_t i, Test test) {
  while (i < text.size() && test(text[i])) {
    ++i;
  }
  return i;
}

// The exponent's digits, held once past the cap (so below 10^18 + 10).
long long cappedexponent(std::string_view digits) {
  long long exponent = 0;
  for (const char c : digits) {
    if (exponent < kExponentCap) {
      exponent = exponent * 10 + (c - '0');
    }
  }
  return exponent;
}

}  // namespace

unsigned long long decimaltext::integerplaces() const {
  return top < 0 ? 1 : static_cast<unsigned long long>(top) + 1;
}

unsigned long long decimaltext::fractionplaces() const {
  return low < 0 ? static_cast<unsigned long long>(-low) : 0;
}

void decimaltext::putdigits(std::int8_t* digits, unsigned long long units) const {
  // From the lowest digit up; the power is never below -units.
  unsigned long long place = units + static_cast<unsigned long long>(low);
  for (std::size_t i = significant.size(); i > 0; --i) {
    const char c = significant[i - 1];
    if (c != '.') {
      digits[place++] = static_cast<std::int8_t>(c - '0');
    }
  }
}

decimaltext readdecimal(std::string_view text) {
  decimaltext number;
  std::size_t i = skip(text, 0, isblankchar);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    number.negative = text[i++] == '-';
  }
  const std::size_t integerstart = i;
  const std::size_t integerend = skip(text, i, isdigitchar);
  std::size_t fractionstart = integerend;
  std::size_t fractionend = integerend;
  i = integerend;
  if (i < text.size() && text[i] == '.') {
    fractionstart = i + 1;
    fractionend = skip(text, fractionstart, isdigitchar);
    i = fractionend;
  }
  bool wellformed = integerend > integerstart || fractionend > fractionstart;
  long long exponent = 0;
  if (wellformed && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negativeexponent = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      ++i;
    }
    const std::size_t exponentend = skip(text, i, isdigitchar);
    wellformed = exponentend > i;
    exponent = cappedexponent(text.substr(i, exponentend - i));
    exponent = negativeexponent ? -exponent : exponent;
    i = exponentend;
  }
  if (!wellformed || skip(text, i, isblankchar) != text.size()) {
    refusetext("Not a decimal number!", text);
  }

  // The first and last non-zero digit; either run may hold them.
  const std::size_t first = skip(text, integerstart, [](char c) { return c == '0' || c == '.'; });
  if (first == fractionend) {
    return number;  // zero
  }
  std::size_t last = fractionend;
  while (text[last - 1] == '0' || text[last - 1] == '.') {
    --last;
  }
  // A digit at integer position k (the units digit being integerend - 1) or
  // fraction position k stands for 10 to the power of its distance from
  // the units, plus the exponent.
  const auto power = [&](std::size_t at) {
    const long long position = at < integerend ? static_cast<long long>(integerend - 1 - at)
                                               : -static_cast<long long>(at - fractionstart + 1);
    return position + exponent;
  };
  number.significant = text.substr(first, last - first);
  number.top = power(first);
  number.low = power(last - 1);
  return number;
}

void refusetext(const char* what, std::string_view text) {
  constexpr std::size_t kShown = 64;
  std::string message = what;
  message += " \"";
  message.append(text.substr(0, kShown));
  if (text.size() > kShown) {
    message += "...";
  }
  message += '"';
  throw std::invalid_argument(message);
}

}  // namespace VELDRAN::internal
