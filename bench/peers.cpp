// VELDRAN beside the decimal library libmpdec (when it was found at build
// time) and two arbitrary-precision integer libraries, GMP's mpz_t and
// Boost.Multiprecision's cpp_int, on the same operands: addition,
// multiplication, division, comparison and decimal text, from 8 to 32768
// digits; the telco billing workload on VELDRAN and libmpdec; and, where
// libmpdec was found, the mathematics functions beside libmpdec's at
// length 38 and precision 38.
//
// Before anything is timed, every result is checked against the other
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
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/support.h"
#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "examples/telco.h"

#if VELDRAN_PEERS_MPDEC
#include <mpdecimal.h>
#endif

using VELDRAN::fixedint;
using bigint = boost::multiprecision::cpp_int;
using veldran_bench::LogTrimmer;

namespace {

constexpr int kRepetitions = 15;

[[noreturn]] void differ(const std::string& what, const std::string& library,
                         const std::string& theirs, const std::string& veldran) {
  std::fprintf(stderr, "peers: results differ for %s\n  VELDRAN %s\n  %-7s %s\n", what.c_str(),
               veldran.c_str(), library.c_str(), theirs.c_str());
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

#if VELDRAN_PEERS_MPDEC
// An mpd_t that frees itself, and the context that keeps integers exact.
class mpd {
 public:
  mpd() : value_(mpd_qnew()) {}
  explicit mpd(const std::string& text) : mpd() { set(text); }
  mpd(const mpd&) = delete;
  mpd& operator=(const mpd&) = delete;
  ~mpd() { mpd_del(value_); }
  mpd_t* get() { return value_; }
  const mpd_t* get() const { return value_; }

  void set(const std::string& text) {
    std::uint32_t status = 0;
    mpd_qset_string(value_, text.c_str(), &exact(), &status);
  }

  std::string str() const {
    char* text = mpd_to_sci(value_, 0);
    std::string copy(text);
    mpd_free(text);
    return copy;
  }

  static const mpd_context_t& exact() {
    static const mpd_context_t context = [] {
      mpd_context_t c;
      mpd_maxcontext(&c);
      return c;
    }();
    return context;
  }

 private:
  mpd_t* value_;
};
#endif

// One pair of operands in every library. VELDRAN's have `places` places;
// the peers hold the same values.
struct operands {
  fixedint a, b;
  mpz ga, gb;
  bigint ba, bb;
#if VELDRAN_PEERS_MPDEC
  mpd da, db;
#endif

  operands(unsigned long long places, const std::string& x, const std::string& y)
      : a(places),
        b(places),
        ga(x),
        gb(y),
        ba(x),
        bb(y)
#if VELDRAN_PEERS_MPDEC
        ,
        da(x),
        db(y)
#endif
  {
    a = x;
    b = y;
  }
};

// --- Operations, each checked once before it is timed ----------------------

enum class operation { add, multiply, divide, compare, text };

// The operands for `op` at `digits` digits: the sum keeps its top place
// free, the product fits in the places, the division takes digits - 1
// digits by digits / 2, and the comparison's operands agree but for the
// units digit, so every place is looked at.
std::unique_ptr<operands> makeoperands(operation op, unsigned long long digits) {
  std::mt19937 engine(static_cast<unsigned>(digits) * 8 + static_cast<unsigned>(op));
  switch (op) {
    case operation::add: {
      const std::string x = randomdecimal(digits - 1, engine);
      return std::make_unique<operands>(digits, x, randomdecimal(digits - 1, engine));
    }
    case operation::multiply: {
      const std::string x = randomdecimal(digits / 2, engine);
      return std::make_unique<operands>(digits, x, randomdecimal(digits / 2, engine));
    }
    case operation::divide: {
      const std::string x = randomdecimal(digits - 1, engine);
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

std::string order(bool less) { return less ? "less" : "not less"; }

// Each library's outcome of `op`, as text.
std::string veldranresult(operation op, const operands& o) {
  switch (op) {
    case operation::add:
      return (fixedint(o.a) + o.b).asstring();
    case operation::multiply:
      return (o.a * o.b).asstring();
    case operation::divide:
      return (o.a / o.b).asstring();
    case operation::compare:
      return order(o.a < o.b);
    case operation::text:
      break;
  }
  return o.a.asstring();
}

std::string gmpresult(operation op, const operands& o) {
  mpz result;
  switch (op) {
    case operation::add:
      mpz_add(result.get(), o.ga.get(), o.gb.get());
      break;
    case operation::multiply:
      mpz_mul(result.get(), o.ga.get(), o.gb.get());
      break;
    case operation::divide:
      mpz_tdiv_q(result.get(), o.ga.get(), o.gb.get());
      break;
    case operation::compare:
      return order(mpz_cmp(o.ga.get(), o.gb.get()) < 0);
    case operation::text:
      return o.ga.str();
  }
  return result.str();
}

std::string boostresult(operation op, const operands& o) {
  switch (op) {
    case operation::add:
      return bigint(o.ba + o.bb).str();
    case operation::multiply:
      return bigint(o.ba * o.bb).str();
    case operation::divide:
      return bigint(o.ba / o.bb).str();
    case operation::compare:
      return order(o.ba < o.bb);
    case operation::text:
      break;
  }
  return o.ba.str();
}

#if VELDRAN_PEERS_MPDEC
// The sum, product or integer quotient of the operands into `result`.
void mpdarithmetic(operation op, const operands& o, mpd& result, std::uint32_t& status) {
  switch (op) {
    case operation::add:
      mpd_qadd(result.get(), o.da.get(), o.db.get(), &mpd::exact(), &status);
      break;
    case operation::multiply:
      mpd_qmul(result.get(), o.da.get(), o.db.get(), &mpd::exact(), &status);
      break;
    case operation::divide:
      mpd_qdivint(result.get(), o.da.get(), o.db.get(), &mpd::exact(), &status);
      break;
    case operation::compare:
    case operation::text:
      break;
  }
}

std::string mpdresult(operation op, const operands& o) {
  mpd result;
  std::uint32_t status = 0;
  switch (op) {
    case operation::compare:
      return order(mpd_qcmp(o.da.get(), o.db.get(), &status) < 0);
    case operation::text:
      return o.da.str();
    default:
      mpdarithmetic(op, o, result, status);
      return result.str();
  }
}
#endif

void check(operation op, const operands& o, const std::string& what) {
  const std::string mine = veldranresult(op, o);
  const std::pair<const char*, std::string> theirs[] = {
    {"GMP", gmpresult(op, o)},
    {"Boost", boostresult(op, o)},
#if VELDRAN_PEERS_MPDEC
    {"libmpdec", mpdresult(op, o)},
#endif
  };
  for (const auto& [library, result] : theirs) {
    if (result != mine) differ(what, library, result, mine);
  }
  veldran_bench::emptylog();
}

// The sum is made from a copy of the left operand: + may write a carry
// into its left operand, which none of these sums has.
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
      case operation::divide:
        benchmark::DoNotOptimize(o.a / o.b);
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
      case operation::divide:
        mpz_tdiv_q(result.get(), o.ga.get(), o.gb.get());
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
      case operation::divide:
        benchmark::DoNotOptimize(bigint(o.ba / o.bb));
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

#if VELDRAN_PEERS_MPDEC
// As for GMP, the result is made once; the text is a new one each time,
// as libmpdec makes it.
void runmpdec(benchmark::State& state, operation op, operands& o) {
  mpd result;
  std::uint32_t status = 0;
  for (auto _ : state) {
    if (op == operation::compare) {
      benchmark::DoNotOptimize(mpd_qcmp(o.da.get(), o.db.get(), &status));
    } else if (op == operation::text) {
      char* text = mpd_to_sci(o.da.get(), 0);
      benchmark::DoNotOptimize(text);
      mpd_free(text);
    } else {
      mpdarithmetic(op, o, result, status);
    }
    benchmark::ClobberMemory();
  }
}
#endif

const char* nameof(operation op) {
  switch (op) {
    case operation::add:
      return "add";
    case operation::multiply:
      return "multiply";
    case operation::divide:
      return "divide";
    case operation::compare:
      return "compare";
    case operation::text:
      return "text";
  }
  return "";
}

// --- The telco billing workload ------------------------------------------------

// The calls billed, drawn once; the same for both libraries.
const std::vector<unsigned long long>& calldurations() {
  static const std::vector<unsigned long long> seconds = [] {
    telco::durations draw(2026);
    std::vector<unsigned long long> drawn(4096);
    for (auto& s : drawn) s = draw.next();
    return drawn;
  }();
  return seconds;
}

// Bills every drawn call once with `bill`, and gives the three sums.
template <typename Biller>
std::string billall(Biller& bill) {
  for (const unsigned long long seconds : calldurations()) {
    bill.bill(seconds);
  }
  return bill.sums();
}

#if VELDRAN_PEERS_MPDEC
// The same billing on libmpdec: each call's duration read from its decimal
// text, priced and taxed with exact products quantized to cents.
class mpdbiller {
 public:
  mpdbiller()
      : localrate_("0.0013"),
        distancerate_("0.00894"),
        basictaxrate_("0.0675"),
        distancetaxrate_("0.0341"),
        cent_("0.01"),
        totals_("0"),
        basictaxes_("0"),
        distancetaxes_("0") {
    mpd_maxcontext(&halfeven_);
    halfeven_.round = MPD_ROUND_HALF_EVEN;
    mpd_maxcontext(&down_);
    down_.round = MPD_ROUND_DOWN;
  }

  void bill(unsigned long long seconds) {
    char text[24];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text - 1, seconds);
    *end.ptr = '\0';
    std::uint32_t status = 0;
    mpd_qset_string(seconds_.get(), text, &halfeven_, &status);
    const bool distance = seconds % 2 == 1;
    mpd_qmul(product_.get(), seconds_.get(), (distance ? distancerate_ : localrate_).get(),
             &halfeven_, &status);
    mpd_qquantize(price_.get(), product_.get(), cent_.get(), &halfeven_, &status);
    mpd_qmul(product_.get(), price_.get(), basictaxrate_.get(), &down_, &status);
    mpd_qquantize(tax_.get(), product_.get(), cent_.get(), &down_, &status);
    mpd_qadd(totals_.get(), totals_.get(), price_.get(), &halfeven_, &status);
    mpd_qadd(totals_.get(), totals_.get(), tax_.get(), &halfeven_, &status);
    mpd_qadd(basictaxes_.get(), basictaxes_.get(), tax_.get(), &halfeven_, &status);
    if (distance) {
      mpd_qmul(product_.get(), price_.get(), distancetaxrate_.get(), &down_, &status);
      mpd_qquantize(tax_.get(), product_.get(), cent_.get(), &down_, &status);
      mpd_qadd(totals_.get(), totals_.get(), tax_.get(), &halfeven_, &status);
      mpd_qadd(distancetaxes_.get(), distancetaxes_.get(), tax_.get(), &halfeven_, &status);
    }
  }

  std::string sums() const {
    return totals_.str() + " " + basictaxes_.str() + " " + distancetaxes_.str();
  }

 private:
  mpd_context_t halfeven_{};
  mpd_context_t down_{};
  mpd localrate_, distancerate_, basictaxrate_, distancetaxrate_, cent_;
  mpd totals_, basictaxes_, distancetaxes_;
  mpd seconds_, product_, price_, tax_;
};
#endif

class veldrantelco {
 public:
  void bill(unsigned long long seconds) { bill_.bill(seconds); }
  std::string sums() const {
    return telco::cents(bill_.totals()) + " " + telco::cents(bill_.basictaxes()) + " " +
           telco::cents(bill_.distancetaxes());
  }

 private:
  telco::biller bill_;
};

// One billed call per iteration, through the drawn durations in turn.
template <typename Biller>
void runtelco(benchmark::State& state) {
  Biller bill;
  const std::vector<unsigned long long>& seconds = calldurations();
  std::size_t next = 0;
  LogTrimmer trimmer;
  for (auto _ : state) {
    bill.bill(seconds[next]);
    next = (next + 1) % seconds.size();
    trimmer.tick();
  }
}

#if VELDRAN_PEERS_MPDEC
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

// Set when --benchmark_repetitions is given, which then applies instead.
bool repetitionsgiven = false;

void registerone(const std::string& name, const std::function<void(benchmark::State&)>& run) {
  benchmark::internal::Benchmark* benchmark = benchmark::RegisterBenchmark(name.c_str(), run);
  if (!repetitionsgiven) {
    benchmark->Repetitions(kRepetitions);
  }
  benchmark
      ->ComputeStatistics(
          "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
      ->ReportAggregatesOnly(true);
}

void registertelco() {
  veldrantelco mine;
  const std::string sums = billall(mine);
  veldran_bench::emptylog();
#if VELDRAN_PEERS_MPDEC
  mpdbiller theirs;
  if (billall(theirs) != sums) differ("telco", "libmpdec", theirs.sums(), sums);
#endif
  registerone("telco/VELDRAN", runtelco<veldrantelco>);
#if VELDRAN_PEERS_MPDEC
  registerone("telco/libmpdec", runtelco<mpdbiller>);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    repetitionsgiven =
        repetitionsgiven || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
  }
#if !VELDRAN_PEERS_MPDEC
  std::fprintf(stderr, "peers: libmpdec was not found when this was built: it is left out\n");
#endif
  using runner = void (*)(benchmark::State&, operation, operands&);
  const std::pair<const char*, runner> libraries[] = {
    {"VELDRAN", &runveldran},
#if VELDRAN_PEERS_MPDEC
    {"libmpdec", &runmpdec},
#endif
    {"GMP", &rungmp},
    {"Boost", &runboost},
  };
  // Made once and kept for the whole run; the benchmarks refer to them.
  std::vector<std::unique_ptr<operands>> all;
  for (const operation op : {operation::add, operation::multiply, operation::divide,
                             operation::compare, operation::text}) {
    for (unsigned long long digits = 8; digits <= 32768; digits *= 2) {
      const std::string name = std::string(nameof(op)) + "/" + std::to_string(digits);
      all.push_back(makeoperands(op, digits));
      operands& o = *all.back();
      check(op, o, name);
      for (const auto& [library, run] : libraries) {
        registerone(name + "/" + library,
                    [run = run, op, &o](benchmark::State& state) { run(state, op, o); });
      }
    }
  }
  registertelco();
#if VELDRAN_PEERS_MPDEC
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
