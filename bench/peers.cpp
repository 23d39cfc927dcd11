// VELDRAN beside two arbitrary-precision integer libraries, GMP's mpz_t and
// Boost.Multiprecision's cpp_int, on the same operands: addition,
// multiplication, comparison and decimal text, from 8 to 4096 digits.
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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#if defined(VELDRAN_PEERS_MPDEC)
#include <mpdecimal.h>
#endif

#include "bench/support.h"
#include "decimal/fixedint"

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

// --- The multiplication and division kernels beside libmpdec ----------------
// Built when libmpdec (mpdecimal.h, libmpdec.a) was found. A product of two
// N/2-digit numbers and the quotient of N-1 digits by N/2 at N places, from
// 8 to 32768; run with --benchmark_enable_random_interleaving=true so that
// the repetitions of all sizes and both libraries take turns.
#if defined(VELDRAN_PEERS_MPDEC)

// An mpd_t that frees itself; its context reaches the largest precision,
// so that products and integer quotients are exact.
class mpdnumber {
 public:
  explicit mpdnumber(const std::string& text) : value_(mpd_qnew()) {
    std::uint32_t status = 0;
    mpd_qset_string(value_, text.c_str(), &context(), &status);
  }
  mpdnumber(const mpdnumber&) = delete;
  mpdnumber& operator=(const mpdnumber&) = delete;
  ~mpdnumber() { mpd_del(value_); }
  mpd_t* get() { return value_; }
  const mpd_t* get() const { return value_; }

  std::string str() const {
    char* text = mpd_to_sci(value_, 0);
    std::string copy = text;
    mpd_free(text);
    return copy;
  }

  static const mpd_context_t& context() {
    static const mpd_context_t max = [] {
      mpd_context_t c;
      mpd_maxcontext(&c);
      return c;
    }();
    return max;
  }

 private:
  mpd_t* value_;
};

enum class kernel { multiply, divide };

// One pair of operands in VELDRAN and libmpdec, and a result kept outside
// the loop for libmpdec.
struct kerneloperands {
  fixedint a, b;
  mpdnumber da, db, result;

  kerneloperands(unsigned long long places, const std::string& x, const std::string& y)
      : a(places), b(places), da(x), db(y), result("0") {
    a = x;
    b = y;
  }

  void run(kernel k) {
    std::uint32_t status = 0;
    if (k == kernel::multiply) {
      mpd_qmul(result.get(), da.get(), db.get(), &mpdnumber::context(), &status);
    } else {
      mpd_qdivint(result.get(), da.get(), db.get(), &mpdnumber::context(), &status);
    }
  }
};

std::unique_ptr<kerneloperands> makekerneloperands(kernel k, unsigned long long places) {
  std::mt19937 engine(static_cast<unsigned>(places) * 2 + static_cast<unsigned>(k));
  const std::size_t first = k == kernel::multiply ? places / 2 : places - 1;
  const std::string x = randomdecimal(first, engine);
  return std::make_unique<kerneloperands>(places, x, randomdecimal(places / 2, engine));
}

void checkkernel(kernel k, kerneloperands& o, const std::string& what) {
  o.run(k);
  const std::string mine = (k == kernel::multiply ? o.a * o.b : o.a / o.b).asstring();
  if (mine != o.result.str()) {
    std::fprintf(stderr, "peers: results differ for %s\n  VELDRAN  %s\n  libmpdec %s\n",
                 what.c_str(), mine.c_str(), o.result.str().c_str());
    std::exit(EXIT_FAILURE);
  }
  veldran_bench::emptylog();
}

void runkernelveldran(benchmark::State& state, kernel k, kerneloperands& o) {
  LogTrimmer trimmer;
  for (auto _ : state) {
    if (k == kernel::multiply) {
      benchmark::DoNotOptimize(o.a * o.b);
    } else {
      benchmark::DoNotOptimize(o.a / o.b);
    }
    trimmer.tick();
  }
}

void runkernelmpdec(benchmark::State& state, kernel k, kerneloperands& o) {
  for (auto _ : state) {
    o.run(k);
    benchmark::ClobberMemory();
  }
}

// kRepetitions runs, reported as their statistics with their minimum.
void repeatwithminimum(benchmark::internal::Benchmark* run) {
  run->Repetitions(kRepetitions)
      ->ComputeStatistics(
          "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
      ->ReportAggregatesOnly(true);
}

void registerkernels(std::vector<std::unique_ptr<kerneloperands>>& all) {
  for (const kernel k : {kernel::multiply, kernel::divide}) {
    for (const unsigned long long places : {8ULL, 64ULL, 512ULL, 4096ULL, 32768ULL}) {
      const std::string name =
          std::string(k == kernel::multiply ? "kernels/multiply/" : "kernels/divide/") +
          std::to_string(places);
      all.push_back(makekerneloperands(k, places));
      kerneloperands& o = *all.back();
      checkkernel(k, o, name);
      for (const auto& [library, run] :
           {std::pair{"VELDRAN", &runkernelveldran}, std::pair{"libmpdec", &runkernelmpdec}}) {
        repeatwithminimum(benchmark::RegisterBenchmark(
            (name + "/" + library).c_str(),
            [run = run, k, &o](benchmark::State& state) { run(state, k, o); }));
      }
    }
  }
}

#endif  // VELDRAN_PEERS_MPDEC

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
#if defined(VELDRAN_PEERS_MPDEC)
  std::vector<std::unique_ptr<kerneloperands>> kernels;
  registerkernels(kernels);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
