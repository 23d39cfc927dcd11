// The telco billing workload: each call is priced by the second, rounded to
// cents half-even, and taxed with truncated cents; odd durations are
// distance calls, which pay a second tax. Shared by veldran-telco and the
// benchmark, so that both bill exactly the same way.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "decimal/fixedfloat"

namespace telco {

// Sixteen fraction places hold every exact product (a duration times a
// five-place rate, cents times a four-place tax rate) before it is rounded
// once, to cents; sixteen integer places hold the sums.
constexpr unsigned long long kLength = 32;
// Longer calls are refused: their sums could no longer be trusted to fit.
constexpr unsigned long long kLongestCall = 999999999;

// A number of kLength places read from `text`.
inline VELDRAN::fixedfloat amount(std::string_view text) {
  VELDRAN::fixedfloat number(kLength);
  number = text;
  return number;
}

class biller {
 public:
  biller()
      : localrate_(amount("0.0013")),
        distancerate_(amount("0.00894")),
        basictaxrate_(amount("0.0675")),
        distancetaxrate_(amount("0.0341")),
        seconds_(kLength),
        totals_(kLength),
        basictaxes_(kLength),
        distancetaxes_(kLength) {}

  // Bills one call of `seconds` (at most kLongestCall); throws
  // std::overflow_error when a sum no longer fits.
  void bill(unsigned long long seconds) {
    char text[24];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, seconds);
    seconds_ = std::string_view(text, static_cast<std::size_t>(end.ptr - text));
    const bool distance = seconds % 2 == 1;
    using VELDRAN::rounding;
    const VELDRAN::fixedfloat price =
        seconds_.multiply(distance ? distancerate_ : localrate_, rounding::halfeven)
            .rounded(2, rounding::halfeven);
    const VELDRAN::fixedfloat basictax =
        price.multiply(basictaxrate_, rounding::towardzero).rounded(2, rounding::towardzero);
    totals_ += price;
    totals_ += basictax;
    basictaxes_ += basictax;
    if (distance) {
      const VELDRAN::fixedfloat distancetax =
          price.multiply(distancetaxrate_, rounding::towardzero).rounded(2, rounding::towardzero);
      totals_ += distancetax;
      distancetaxes_ += distancetax;
    }
    ++calls_;
  }

  unsigned long long calls() const { return calls_; }
  const VELDRAN::fixedfloat& totals() const { return totals_; }
  const VELDRAN::fixedfloat& basictaxes() const { return basictaxes_; }
  const VELDRAN::fixedfloat& distancetaxes() const { return distancetaxes_; }

 private:
  const VELDRAN::fixedfloat localrate_;
  const VELDRAN::fixedfloat distancerate_;
  const VELDRAN::fixedfloat basictaxrate_;
  const VELDRAN::fixedfloat distancetaxrate_;
  VELDRAN::fixedfloat seconds_;  // the call being billed
  VELDRAN::fixedfloat totals_;
  VELDRAN::fixedfloat basictaxes_;
  VELDRAN::fixedfloat distancetaxes_;
  unsigned long long calls_ = 0;
};

// Call durations drawn from an exponential distribution with a mean of 180
// seconds. Only integer steps and plain IEEE additions, multiplications and
// divisions are used, so a seed gives the same durations everywhere.
class durations {
 public:
  explicit durations(std::uint64_t seed) : state_(seed) {}

  unsigned long long next() {
    // 53 random bits as a uniform number in (0, 1].
    const double u = static_cast<double>((nextbits() >> 11) + 1) / 9007199254740992.0;
    const double seconds = -180.0 * naturallog(u);
    return seconds < static_cast<double>(kLongestCall) ? static_cast<unsigned long long>(seconds)
                                                       : kLongestCall;
  }

 private:
  // splitmix64.
  std::uint64_t nextbits() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }

  // ln x for 0 < x <= 1: x = m * 2^-k with m in [1/2, 1), then
  // ln m = 2 atanh((m - 1) / (m + 1)), whose series converges fast there.
  static double naturallog(double x) {
    int halvings = 0;
    while (x < 0.5) {
      x *= 2.0;
      ++halvings;
    }
    const double z = (x - 1.0) / (x + 1.0);
    const double z2 = z * z;
    double term = z;
    double sum = 0.0;
    for (int k = 1; k < 60; k += 2) {
      sum += term / k;
      term *= z2;
    }
    return 2.0 * sum - halvings * 0.6931471805599453;
  }

  std::uint64_t state_;
};

// An amount that is a whole number of cents, with both cent places shown.
inline std::string cents(const VELDRAN::fixedfloat& amount) {
  std::string text = amount.asstring();
  const std::size_t point = text.find('.');
  text.resize(point + 3, '0');
  return text;
}

}  // namespace telco
