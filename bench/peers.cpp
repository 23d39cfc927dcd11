// VELDRAN beside two arbitrary-precision integer libraries, GMP's mpz_t and
// Boost.Multiprecision's cpp_int, on the same operands: addition,
// multiplication, comparison and decimal text, from 8 to 4096 digits.
// Where libmpdec was found (VELDRAN_PEERS_MPDEC), also the mathematics
// functions beside libmpdec's at length 38 and precision 38.
//
// Before anything is timed, every result is checked against the other two
// libraries' (as decimal text, or as the comparison's outcome); a mismatch
// ends the run with a message. VELDRAN logs as it works, so its loops empty
// the log once every 1024 operations, inside the timed loop.
//
// Each case runs kRepetitions times and reports, beside the mean, median
// and spread, the minimum CPU time of those repetitions: the figure least
// disturbed by whatever else the machine is doing.
#include <benchmark/benchmark.h>
#include <gmp.h>

#include <algorithm>
#include <boost/multiprecision/cpp_int.hpp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/support.h"
#include "decimal/fixedfloat"
#include "decimal/fixedint"

#ifdef VELDRAN_PEERS_MPDEC
#include <mpdecimal.h>
#endif

using VELDRAN::fixedint;
using bigint = boost::multiprecision::cpp_int;
using veldran_bench::LogTrimmer;

namespace {

constexpr int kRepetitions = 15;

[[noreturn]] void mismatch(const std::string& what, const std::string& veldran,
                           const std::string& gmp, const std::string& boost) {
  std::fprintf(stderr, "peers: results differ for %s\n  VELDRAN %s\n  GMP     %s\n  Boost   %s\n",
               what.c_str(), veldran.c_str(), gmp.c_str(), boost.c_str());
  std::exit(EXIT_FAILURE);
}

// A decimal text of `significant` random digits whose first is not zero.
std::string randomdecimal(std::size_t significant, std::mt19937& engine) {
  std::uniform_int_distribution<int> digit(0, 9);
  std::string text(significant, '0');
  for (char& c : text) {
    c = static_cast<char>('0' + digit(engine));
  }
  text.front() = '7';
  return text;
}

// An mpz_t that frees itself.
class mpz {
 public:
  mpz() { mpz_init(value_); }
  explicit mpz(const std::string& text) { mpz_init_set_str(value_, text.c_str(), 10); }
  mpz(const mpz&) = delete;
  mpz& operator=(const mpz&) = delete;
  ~mpz() { mpz_clear(value_); }
  mpz_ptr get() { return value_; }
  mpz_srcptr get() const { return value_; }

  std::string str() const {
    std::string text(mpz_sizeinbase(value_, 10) + 2, '\0');
    mpz_get_str(text.data(), 10, value_);
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
  }

 private:
  mpz_t value_;
};

// One pair of operands in all three libraries. VELDRAN's have `places`
// places; the peers hold the same values.
struct operands {
  fixedint a, b;
  mpz ga, gb;
  bigint ba, bb;

  operands(unsigned long long places, const std::string& x, const std::string& y)
      : a(places), b(places), ga(x), gb(y), ba(x), bb(y) {
    a = x;
    b = y;
  }
};

// --- Operations, each checked once before it is timed ----------------------

enum class operation { add, multiply, compare, text };

// The operands for `op` at `digits` digits: the sum keeps its top place
// free, the product fits in the places, and the comparison's operands agree
// but for the units digit, so every place is looked at.
std::unique_ptr<operands> makeoperands(operation op, unsigned long long digits) {
  std::mt19937 engine(static_cast<unsigned>(digits) * 4 + static_cast<unsigned>(op));
  switch (op) {
    case operation::add: {
      const std::string x = randomdecimal(digits - 1, engine);
      return std::make_unique<operands>(digits, x, randomdecimal(digits - 1, engine));
    }
    case operation::multiply: {
      const std::string x = randomdecimal(digits / 2, engine);
      return std::make_unique<operands>(digits, x, randomdecimal(digits / 2, engine));
    }
    case operation::compare: {
      std::string x = randomdecimal(digits, engine);
      std::string y = x;
      x.back() = '0';
      y.back() = '1';
      return std::make_unique<operands>(digits, x, y);
    }
    case operation::text:
      break;
  }
  return std::make_unique<operands>(digits, randomdecimal(digits, engine), "0");
}

void check(operation op, operands& o, const std::string& what) {
  switch (op) {
    case operation::add: {
      mpz sum;
      mpz_add(sum.get(), o.ga.get(), o.gb.get());
      const std::string mine = (o.a + o.b).asstring();
      const std::string boost = bigint(o.ba + o.bb).str();
      if (mine != sum.str() || mine != boost) mismatch(what, mine, sum.str(), boost);
      break;
    }
    case operation::multiply: {
      mpz product;
      mpz_mul(product.get(), o.ga.get(), o.gb.get());
      const std::string mine = (o.a * o.b).asstring();
      const std::string boost = bigint(o.ba * o.bb).str();
      if (mine != product.str() || mine != boost) mismatch(what, mine, product.str(), boost);
      break;
    }
    case operation::compare: {
      const std::string mine = o.a < o.b ? "less" : "not less";
      const std::string gmp = mpz_cmp(o.ga.get(), o.gb.get()) < 0 ? "less" : "not less";
      const std::string boost = o.ba < o.bb ? "less" : "not less";
      if (mine != gmp || mine != boost) mismatch(what, mine, gmp, boost);
      break;
    }
    case operation::text: {
      const std::string mine = o.a.asstring();
      if (mine != o.ga.str() || mine != o.ba.str()) mismatch(what, mine, o.ga.str(), o.ba.str());
      break;
    }
  }
  veldran_bench::emptylog();
}

void runveldran(benchmark::State& state, operation op, operands& o) {
  LogTrimmer trimmer;
  for (auto _ : state) {
    switch (op) {
      case operation::add:
        benchmark::DoNotOptimize(o.a + o.b);
        break;
      case operation::multiply:
        benchmark::DoNotOptimize(o.a * o.b);
        break;
      case operation::compare:
        benchmark::DoNotOptimize(o.a < o.b);
        break;
      case operation::text:
        benchmark::DoNotOptimize(o.a.asstring());
        break;
    }
    trimmer.tick();
  }
}

// The result lives outside the loop, as mpz_t is meant to be used; the text
// goes into a buffer made once.
void rungmp(benchmark::State& state, operation op, operands& o) {
  mpz result;
  std::vector<char> buffer(mpz_sizeinbase(o.ga.get(), 10) + 2);
  for (auto _ : state) {
    switch (op) {
      case operation::add:
        mpz_add(result.get(), o.ga.get(), o.gb.get());
        break;
      case operation::multiply:
        mpz_mul(result.get(), o.ga.get(), o.gb.get());
        break;
      case operation::compare:
        benchmark::DoNotOptimize(mpz_cmp(o.ga.get(), o.gb.get()));
        break;
      case operation::text:
        benchmark::DoNotOptimize(mpz_get_str(buffer.data(), 10, o.ga.get()));
        break;
    }
    benchmark::ClobberMemory();
  }
}

// cpp_int builds expression templates: each result is made a number, so
// that the operation really runs.
void runboost(benchmark::State& state, operation op, operands& o) {
  for (auto _ : state) {
    switch (op) {
      case operation::add:
        benchmark::DoNotOptimize(bigint(o.ba + o.bb));
        break;
      case operation::multiply:
        benchmark::DoNotOptimize(bigint(o.ba * o.bb));
        break;
      case operation::compare:
        benchmark::DoNotOptimize(o.ba < o.bb);
        break;
      case operation::text:
        benchmark::DoNotOptimize(o.ba.str());
        break;
    }
  }
}

const char* nameof(operation op) {
  switch (op) {
    case operation::add:
      return "add";
    case operation::multiply:
      return "multiply";
    case operation::compare:
      return "compare";
    case operation::text:
      return "text";
  }
  return "";
}

#ifdef VELDRAN_PEERS_MPDEC
// --- Mathematics beside libmpdec ----------------------------------------------
// libmpdec's default context at precision 38 (its exp, ln and log10 are
// correctly rounded, half-even); VELDRAN at length 38, whose 19 fraction
// digits are 20 significant ones for these operands. Each result is checked
// against libmpdec's quantized to 19 fraction digits before it is timed.

using VELDRAN::fixedfloat;
using VELDRAN::rounding;

enum class mathoperation { exp, ln, log10, sqrt, powinteger, powfraction };

struct mathcase {
  const char* name;
  mathoperation op;
  const char* x;
  const char* y;  // the exponent of the powers
};

constexpr mathcase kMathCases[] = {
    {"exp", mathoperation::exp, "1.2345678901234567891", "0"},
    {"ln", mathoperation::ln, "1.2345678901234567891", "0"},
    {"log10", mathoperation::log10, "1.2345678901234567891", "0"},
    {"sqrt", mathoperation::sqrt, "1.2345678901234567891", "0"},
    {"pow-integer", mathoperation::powinteger, "1.0375", "360"},
    {"pow-fraction", mathoperation::powfraction, "1.2345678901234567891", "2.7182818284590452353"},
};

// An mpd_t that frees itself, in one shared context.
class mpdecimal {
 public:
  explicit mpdecimal(const char* text, mpd_context_t* context) : value_(mpd_new(context)) {
    mpd_set_string(value_, text, context);
  }
  mpdecimal(const mpdecimal&) = delete;
  mpdecimal& operator=(const mpdecimal&) = delete;
  ~mpdecimal() { mpd_del(value_); }
  mpd_t* get() const { return value_; }

 private:
  mpd_t* value_;
};

fixedfloat veldranmath(const mathcase& c, const fixedfloat& x, const fixedfloat& y) {
  switch (c.op) {
    case mathoperation::exp:
      return x.exp();
    case mathoperation::ln:
      return x.ln();
    case mathoperation::log10:
      return x.log10();
    case mathoperation::sqrt:
      return x.sqrt();
    case mathoperation::powinteger:
      return x.pow(std::stoll(c.y));
    case mathoperation::powfraction:
      break;
  }
  return x.pow(y);
}

void mpdmath(const mathcase& c, mpd_t* result, const mpd_t* x, const mpd_t* y,
             mpd_context_t* context) {
  switch (c.op) {
    case mathoperation::exp:
      mpd_exp(result, x, context);
      break;
    case mathoperation::ln:
      mpd_ln(result, x, context);
      break;
    case mathoperation::log10:
      mpd_log10(result, x, context);
      break;
    case mathoperation::sqrt:
      mpd_sqrt(result, x, context);
      break;
    case mathoperation::powinteger:
    case mathoperation::powfraction:
      mpd_pow(result, x, y, context);
      break;
  }
}

mpd_context_t* mathcontext() {
  static mpd_context_t context;
  mpd_defaultcontext(&context);
  context.prec = 38;
  return &context;
}

void checkmath(const mathcase& c) {
  mpd_context_t* context = mathcontext();
  const mpdecimal x(c.x, context);
  const mpdecimal y(c.y, context);
  const mpdecimal result("0", context);
  const mpdecimal places("1e-19", context);
  mpdmath(c, result.get(), x.get(), y.get(), context);
  mpd_quantize(result.get(), result.get(), places.get(), context);
  char* text = mpd_to_sci(result.get(), 0);
  const std::string theirs = text;
  mpd_free(text);
  const std::string mine = veldranmath(c, fixedfloat(38, c.x), fixedfloat(38, c.y)).asstring(19);
  veldran_bench::emptylog();
  if (mine != theirs) {
    std::fprintf(stderr, "peers: %s differs\n  VELDRAN  %s\n  libmpdec %s\n", c.name, mine.c_str(),
                 theirs.c_str());
    std::exit(EXIT_FAILURE);
  }
}

void runveldranmath(benchmark::State& state, const mathcase& c) {
  const fixedfloat x(38, c.x);
  const fixedfloat y(38, c.y);
  LogTrimmer trimmer;
  for (auto _ : state) {
    benchmark::DoNotOptimize(veldranmath(c, x, y));
    trimmer.tick();
  }
}

void runmpdmath(benchmark::State& state, const mathcase& c) {
  mpd_context_t* context = mathcontext();
  const mpdecimal x(c.x, context);
  const mpdecimal y(c.y, context);
  const mpdecimal result("0", context);
  for (auto _ : state) {
    mpdmath(c, result.get(), x.get(), y.get(), context);
    benchmark::ClobberMemory();
  }
}

void registermathematics() {
  for (const mathcase& c : kMathCases) {
    checkmath(c);
    for (const auto& [library, run] :
         {std::pair{"VELDRAN", &runveldranmath}, std::pair{"libmpdec", &runmpdmath}}) {
      benchmark::RegisterBenchmark((std::string("math/") + c.name + "/38/" + library).c_str(),
                                   [run = run, &c](benchmark::State& state) { run(state, c); })
          ->Repetitions(kRepetitions)
          ->ComputeStatistics(
              "min",
              [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
          ->ReportAggregatesOnly(true);
    }
  }
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // Made once and kept for the whole run; the benchmarks refer to them.
  std::vector<std::unique_ptr<operands>> all;
  for (const operation op :
       {operation::add, operation::multiply, operation::compare, operation::text}) {
    for (const unsigned long long digits : {8ULL, 64ULL, 512ULL, 4096ULL}) {
      const std::string name = std::string(nameof(op)) + "/" + std::to_string(digits);
      all.push_back(makeoperands(op, digits));
      operands& o = *all.back();
      check(op, o, name);
      for (const auto& [library, run] :
           {std::pair{"VELDRAN", &runveldran}, std::pair{"GMP", &rungmp},
            std::pair{"Boost", &runboost}}) {
        benchmark::RegisterBenchmark(
            (name + "/" + library).c_str(),
            [run = run, op, &o](benchmark::State& state) { run(state, op, o); })
            ->Repetitions(kRepetitions)
            ->ComputeStatistics(
                "min",
                [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
            ->ReportAggregatesOnly(true);
      }
    }
  }
#ifdef VELDRAN_PEERS_MPDEC
  registermathematics();
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
