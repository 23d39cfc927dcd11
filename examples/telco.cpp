// veldran-telco: bills telephone calls and prints the sums of the totals,
// the basic taxes and the distance taxes.
//
//   veldran-telco [FILE]             durations in seconds, one per line, from
//                                    FILE or, without one (or with "-"), stdin
//   veldran-telco --generate N SEED  N durations drawn for SEED
//   veldran-telco --durations N SEED prints those N durations instead
//
// A line that is not a whole number of seconds stops the run with a
// message naming it, and the exit status is 1.
#include "telco.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace {

int usage() {
  std::cerr << "usage: veldran-telco [FILE | --generate N SEED | --durations N SEED]\n";
  return 2;
}

[[noreturn]] void refuse(const std::string& why) { throw std::runtime_error(why); }

// A count or a seed from the command line: decimal digits that fit.
std::uint64_t number(std::string_view text, const char* what) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const std::from_chars_result read = std::from_chars(text.data(), end, value);
  if (text.empty() || read.ec != std::errc() || read.ptr != end) {
    refuse(std::string(what) + " is not a whole number: \"" + std::string(text) + "\"");
  }
  return value;
}

// One input line: the digits of at most kLongestCall seconds, and nothing
// else but the carriage return of a CRLF file.
unsigned long long duration(std::string line, unsigned long long lineno) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const auto bad = [&](const char* why) {
    refuse("line " + std::to_string(lineno) + ": " + why + ": \"" + line + "\"");
  };
  if (line.empty()) bad("empty line, expected a call duration in seconds");
  for (const char c : line) {
    if (c < '0' || c > '9') bad("not a call duration in whole seconds");
  }
  const std::size_t first = line.find_first_not_of('0');
  if (first != std::string::npos && line.size() - first > 9) {
    bad("call longer than 999999999 seconds");
  }
  return first == std::string::npos ? 0 : std::stoull(line.substr(first));
}

void report(const telco::biller& bill) {
  std::cout << "calls: " << bill.calls() << '\n'
            << "totals: " << telco::cents(bill.totals()) << '\n'
            << "basic taxes: " << telco::cents(bill.basictaxes()) << '\n'
            << "distance taxes: " << telco::cents(bill.distancetaxes()) << '\n';
}

// The log keeps every line for the life of the process; a long run keeps
// only the recent ones.
void trimlog(unsigned long long calls) {
  if (calls % 1024 == 0) {
    VELDRAN::logstream.str("");
    VELDRAN::logstream.clear();
  }
}

void billstream(std::istream& in, telco::biller& bill) {
  std::string line;
  for (unsigned long long lineno = 1; std::getline(in, line); ++lineno) {
    bill.bill(duration(line, lineno));
    trimlog(bill.calls());
  }
  if (in.bad()) refuse("the input could not be read");
}

int run(int argc, char** argv) {
  const std::string_view first = argc > 1 ? argv[1] : "-";
  telco::biller bill;
  if (first == "--generate" || first == "--durations") {
    if (argc != 4) return usage();
    const std::uint64_t count = number(argv[2], "N");
    telco::durations draw(number(argv[3], "SEED"));
    for (std::uint64_t i = 0; i < count; ++i) {
      const unsigned long long seconds = draw.next();
      if (first == "--durations") {
        std::cout << seconds << '\n';
      } else {
        bill.bill(seconds);
        trimlog(bill.calls());
      }
    }
    if (first == "--durations") return 0;
  } else if (argc > 2 || (first.size() > 1 && first[0] == '-')) {
    return usage();
  } else if (first == "-") {
    billstream(std::cin, bill);
  } else {
    std::ifstream file{std::string(first)};
    if (!file) refuse("cannot open \"" + std::string(first) + "\"");
    billstream(file, bill);
  }
  report(bill);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "veldran-telco: " << error.what() << '\n';
    return 1;
  }
}
