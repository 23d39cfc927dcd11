// Numbers on a stream written as the stream writes a long long or a double:
// the locale's punctuation and grouping, showpos, and the adjustfield.
#include <gtest/gtest.h>

#include <iomanip>
#include <locale>
#include <sstream>
#include <string>

#include "decimal/fixedfloat"
#include "decimal/fixedint"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;

struct punctuation : std::numpunct<char> {
  punctuation(char point, char separator, std::string grouping)
      : point(point), separator(separator), grouping(std::move(grouping)) {}
  char do_decimal_point() const override { return point; }
  char do_thousands_sep() const override { return separator; }
  std::string do_grouping() const override { return grouping; }
  char point;
  char separator;
  std::string grouping;
};

const std::locale kLocales[] = {
    std::locale::classic(),
    std::locale(std::locale::classic(), new punctuation('.', ',', "\3")),
    std::locale(std::locale::classic(), new punctuation(',', '.', "\3\2")),
    std::locale(std::locale::classic(), new punctuation('.', ' ', "\1\2\177")),
};

// Each stream state in turn on a fresh stream in `locale`.
template <typename Number>
std::string written(const std::locale& locale, int state, const Number& x) {
  std::ostringstream out;
  out.imbue(locale);
  out << std::fixed << std::setprecision(2);
  switch (state) {
    case 1:
      out << std::showpos;
      break;
    case 2:
      out << std::setw(14) << std::setfill('0') << std::internal;
      break;
    case 3:
      out << std::setw(14) << std::setfill('*') << std::left << std::showpos;
      break;
    case 4:
      out << std::setw(14) << std::setfill('_') << std::right;
      break;
    default:
      break;
  }
  out << x;
  return out.str();
}

TEST(LocaleText, WritesAsALongLongOrAFixedDoubleIsWritten) {
  for (const long long v : {0LL, 7LL, -7LL, 1234LL, -1234567LL, 1000000LL, 12345678901LL}) {
    const std::string text = std::to_string(v);
    for (const std::locale& locale : kLocales) {
      for (int state = 0; state < 5; ++state) {
        EXPECT_EQ(written(locale, state, fixedint(12, v)), written(locale, state, v)) << v;
        EXPECT_EQ(written(locale, state, fixedfloat(24, text + ".25")),
                  written(locale, state, static_cast<double>(v) + (v < 0 ? -0.25 : 0.25)))
            << v;
      }
    }
  }
}

TEST(LocaleText, ShortestTextTakesThePointAndGroupsToo) {
  const fixedfloat amount(16, "-1234567.891");
  std::ostringstream out;
  out << amount << ' ';
  out.imbue(kLocales[1]);
  out << amount << ' ' << std::fixed << std::setprecision(2) << amount << ' ';
  out.imbue(kLocales[2]);
  out << std::defaultfloat << amount << ' ' << fixedint(12, 123456789LL);
  EXPECT_EQ(out.str(), "-1234567.891 -1,234,567.891 -1,234,567.89 -12.34.567,891 12.34.56.789");
}

TEST(LocaleText, InternalPaddingReadsBack) {
  std::ostringstream out;
  out << std::setw(8) << std::setfill('0') << std::internal << fixedfloat(8, "-2.5");
  EXPECT_EQ(out.str(), "-00002.5");
  std::istringstream in(out.str());
  fixedfloat back(8);
  in >> back;
  EXPECT_EQ(back, fixedfloat(8, "-2.5"));
}

}  // namespace
