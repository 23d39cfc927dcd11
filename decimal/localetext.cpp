// Numbers written to a stream as the stream writes its own numbers: the
// locale's decimal point, thousands separator and grouping, std::showpos,
// and the fill between sign and digits under std::internal. The classic
// locale's punctuation is "." with no grouping, so there the text is
// asstring()'s.
#include <climits>
#include <cstddef>
#include <ios>
#include <locale>
#include <ostream>
#include <string>

#include "decimal/fixedfloat"
#include "decimal/fixedint"

namespace VELDRAN {

namespace {

bool alldigits(const std::string& text, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return false;
    }
  }
  return true;
}

// The digits in [begin, end) with `separator` between groups sized by
// `grouping` from the units up: its last size repeats, and a size of zero,
// below zero or CHAR_MAX leaves the rest as one group.
std::string groupdigits(const std::string& text, std::size_t begin, std::size_t end,
                        const std::string& grouping, char separator) {
  std::string grouped;
  std::size_t group = 0;
  std::size_t inthisgroup = 0;
  for (std::size_t i = end; i > begin; --i) {
    const char size = grouping[group];
    const bool bounded = size > 0 && size != CHAR_MAX;
    if (bounded && inthisgroup == static_cast<std::size_t>(size)) {
      grouped.push_back(separator);
      inthisgroup = 0;
      group = group + 1 < grouping.size() ? group + 1 : group;
    }
    grouped.push_back(text[i - 1]);
    ++inthisgroup;
  }
  return std::string(grouped.rbegin(), grouped.rend());
}

// Writes `text` (sign, integer digits, maybe a point and fraction digits)
// in the stream's punctuation, then pads it to the width by the stream's
// adjustfield: right by default, as numbers are.
std::ostream& writenumber(std::ostream& out, std::string text) {
  const auto& punctuation = std::use_facet<std::numpunct<char>>(out.getloc());
  std::size_t signlength = !text.empty() && text.front() == '-' ? 1 : 0;
  if (signlength == 0 && (out.flags() & std::ios_base::showpos) != 0) {
    text.insert(text.begin(), '+');
    signlength = 1;
  }
  std::size_t point = text.find('.', signlength);
  if (point != std::string::npos) {
    text[point] = punctuation.decimal_point();
  } else {
    point = text.size();
  }
  const std::string grouping = punctuation.grouping();
  if (!grouping.empty() && alldigits(text, signlength, point)) {
    text.replace(signlength, point - signlength,
                 groupdigits(text, signlength, point, grouping, punctuation.thousands_sep()));
  }

  const std::streamsize width = out.width();
  out.width(0);
  if (width > 0 && static_cast<std::size_t>(width) > text.size()) {
    const std::size_t padding = static_cast<std::size_t>(width) - text.size();
    const std::ios_base::fmtflags adjust = out.flags() & std::ios_base::adjustfield;
    std::size_t at = 0;
    if (adjust == std::ios_base::left) {
      at = text.size();
    } else if (adjust == std::ios_base::internal) {
      at = signlength;
    }
    text.insert(at, padding, out.fill());
  }
  return out << text;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const fixedint& x) {
  return writenumber(out, x.asstring());
}

// As a double is written: std::fixed takes the precision as the number of
// fraction digits (6 when it is negative), any other floatfield the
// shortest exact text.
std::ostream& operator<<(std::ostream& out, const fixedfloat& x) {
  if ((out.flags() & std::ios_base::floatfield) == std::ios_base::fixed) {
    const std::streamsize precision = out.precision();
    const auto places = static_cast<unsigned long long>(precision < 0 ? 6 : precision);
    return writenumber(out, x.asstring(places));
  }
  return writenumber(out, x.asstring());
}

}  // namespace VELDRAN
