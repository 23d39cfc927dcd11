// Throughput of logging and of the fixedint and fixedfloat operations.
//
// Every operation appends to the in-memory log, so each loop empties it once
// every 1024 iterations. That happens inside the timed loop, not between
// PauseTiming/ResumeTiming: pausing costs more per iteration than the
// emptying does spread over 1024 of them.
//
// Each benchmark also reports "allocs", the heap allocations per iteration,
// counted by this binary's global operator new; the log's own growth and
// its re-growth after each emptying are part of the average.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string_view>
#include <vector>

#include "bench/support.h"
#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/log"
#include "examples/telco.h"

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;
using veldran_bench::LogTrimmer;

namespace {

// Calls of the global operator new so far, each thread counting its own.
thread_local std::uint64_t allocations = 0;

}  // namespace

// The array and nothrow forms reach these through the standard library's
// defaults; the aligned forms are left alone, as nothing here needs them.
void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    return memory;
  }
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }

void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

// Reports the allocations made since `start` as a per-iteration average.
void reportallocations(benchmark::State& state, std::uint64_t start) {
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations - start),
                                                benchmark::Counter::kAvgIterations);
}

// Times `operation`, emptying the log as it goes, and reports the
// allocations.
template <typename Operation>
void timelogged(benchmark::State& state, Operation operation) {
  LogTrimmer trimmer;
  const std::uint64_t start = allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(operation());
    trimmer.tick();
  }
  reportallocations(state, start);
}

// The same for an operation that logs nothing.
template <typename Operation>
void timesilent(benchmark::State& state, Operation operation) {
  const std::uint64_t start = allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(operation());
  }
  reportallocations(state, start);
}

// `places` places of which the lowest `significant` hold random digits, the
// top one of them non-zero.
fixedint randomnumber(unsigned long long places, unsigned long long significant, unsigned seed) {
  std::mt19937 engine(seed);
  std::uniform_int_distribution<int> digit(0, 9);
  fixedint x(places);
  for (unsigned long long i = 0; i < significant; ++i) {
    x.digits[i] = static_cast<std::int8_t>(digit(engine));
  }
  if (significant > 0) x.digits[significant - 1] = 7;
  return x;
}

void BM_LogLine(benchmark::State& state) {
  LogTrimmer trimmer;
  const std::uint64_t start = allocations;
  for (auto _ : state) {
    VELDRAN::log("Done.");
    trimmer.tick();
  }
  reportallocations(state, start);
}
BENCHMARK(BM_LogLine);

// The top place stays zero in both, so no carry leaves it and the left
// operand is never overwritten.
void BM_FixedintAdd(benchmark::State& state) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  fixedint a = randomnumber(places, places - 1, 1);
  const fixedint b = randomnumber(places, places - 1, 2);
  timelogged(state, [&] { return a + b; });
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Two numbers of `places` random places, equal but for the units digit,
// a's 0 below b's 1: an ordering of them scans every place.
fixedint withunits(fixedint x, std::int8_t units) {
  x.digits[0] = units;
  return x;
}

struct unitsapart {
  explicit unitsapart(unsigned long long places)
      : a(withunits(randomnumber(places, places, 3), 0)), b(withunits(a, 1)) {}
  fixedint a;
  fixedint b;
};

// As a < b holds, operator< goes on to the inequality test.
void BM_FixedintCompare(benchmark::State& state) {
  const unitsapart pair(static_cast<unsigned long long>(state.range(0)));
  timelogged(state, [&] { return pair.a < pair.b; });
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Half the places significant in each operand, so the product fits.
void BM_FixedintMultiply(benchmark::State& state) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  const fixedint a = randomnumber(places, places / 2, 4);
  const fixedint b = randomnumber(places, places / 2, 5);
  timelogged(state, [&] { return a * b; });
  // Items are digit pairs.
  state.SetItemsProcessed(state.iterations() * (state.range(0) / 2) * (state.range(0) / 2));
}

void BM_FixedintAsstring(benchmark::State& state) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  const fixedint a = randomnumber(places, places, 6);
  timesilent(state, [&] { return a.asstring(); });
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_FixedintAdd)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);

// 8-place additions on every thread at once, each on its own numbers; all
// of them write to the one log. items_per_second is the total throughput
// of the threads (wall-clock time). The log is emptied through logclear(),
// which takes the log's lock.
void BM_FixedintAddThreads(benchmark::State& state) {
  fixedint a = randomnumber(8, 7, 1);
  const fixedint b = randomnumber(8, 7, 2);
  std::uint64_t count = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a + b);
    if (++count % 1024 == 0) {
      VELDRAN::logclear();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FixedintAddThreads)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_FixedintCompare)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintMultiply)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintAsstring)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);

// --- fixedint: difference, division, compound assignment, conversion -----------

// The magnitudes differ in the top place, so the difference needs no
// borrow out of it; b's sign makes a - b subtract the magnitudes.
void BM_FixedintSubtract(benchmark::State& state) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  const fixedint a = randomnumber(places, places - 1, 7);
  const fixedint b = randomnumber(places, places - 2, 8);
  timelogged(state, [&] { return a - b; });
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FixedintNegate(benchmark::State& state) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  const fixedint a = randomnumber(places, places, 9);
  timelogged(state, [&] { return -a; });
}

// A dividend of places - 1 digits by a divisor of half as many: items are
// quotient-digit by divisor-digit pairs.
template <typename Divide>
void dividebench(benchmark::State& state, Divide divide) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  const unsigned long long divisordigits = places / 2 > 0 ? places / 2 : 1;
  const fixedint a = randomnumber(places, places - 1, 10);
  const fixedint b = randomnumber(places, divisordigits, 11);
  timelogged(state, [&] { return divide(a, b); });
  const auto quotientdigits = static_cast<std::int64_t>(places - divisordigits);
  state.SetItemsProcessed(state.iterations() * quotientdigits *
                          static_cast<std::int64_t>(divisordigits));
}

void BM_FixedintDivide(benchmark::State& state) {
  dividebench(state, [](const fixedint& a, const fixedint& b) { return a / b; });
}

void BM_FixedintRemainder(benchmark::State& state) {
  dividebench(state, [](const fixedint& a, const fixedint& b) { return a % b; });
}

void BM_FixedintDivideHalfEven(benchmark::State& state) {
  dividebench(state,
              [](const fixedint& a, const fixedint& b) { return a.divide(b, rounding::halfeven); });
}

void BM_FixedintLessEqual(benchmark::State& state) {
  const unitsapart pair(static_cast<unsigned long long>(state.range(0)));
  timesilent(state, [&] { return pair.b <= pair.a; });
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One += and one -= per iteration, so the value stays as it was.
void BM_FixedintCompound(benchmark::State& state) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  fixedint a = randomnumber(places, places - 1, 12);
  const fixedint b = randomnumber(places, places - 1, 13);
  timelogged(state, [&] {
    a += b;
    a -= b;
    return a.digits.data();
  });
}

void BM_FixedintTodouble(benchmark::State& state) {
  const auto places = static_cast<unsigned long long>(state.range(0));
  const fixedint a = randomnumber(places, places, 14);
  timesilent(state, [&] { return a.todouble(); });
}

BENCHMARK(BM_FixedintSubtract)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintNegate)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintDivide)->Arg(8)->Arg(38)->Arg(64)->Arg(256)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintRemainder)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintDivideHalfEven)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintLessEqual)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintCompound)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedintTodouble)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);

void BM_FixedfloatAssignFloat(benchmark::State& state) {
  fixedfloat f(static_cast<unsigned long long>(state.range(0)));
  timelogged(state, [&] {
    f = 78.9F;
    return f.value.digits.data();
  });
}

void BM_FixedfloatAdd(benchmark::State& state) {
  const auto length = static_cast<unsigned long long>(state.range(0));
  fixedfloat a(length);
  fixedfloat b(length);
  a = 0.123F;
  b = 78.9F;
  timelogged(state, [&] { return a + b; });
}

// The demonstration's sum, 79.023.
void BM_FixedfloatAsstring(benchmark::State& state) {
  const auto length = static_cast<unsigned long long>(state.range(0));
  fixedfloat a(length);
  fixedfloat b(length);
  a = 0.123F;
  b = 78.9F;
  const fixedfloat f = a + b;
  timelogged(state, [&] { return f.asstring(); });
}

BENCHMARK(BM_FixedfloatAssignFloat)->Arg(8)->Arg(38)->Arg(64)->Arg(512);
BENCHMARK(BM_FixedfloatAdd)->Arg(8)->Arg(38)->Arg(64)->Arg(512);
BENCHMARK(BM_FixedfloatAsstring)->Arg(8)->Arg(38)->Arg(64)->Arg(512);

// --- fixedfloat: difference, products, quotients, rounding ------------------------

// 12.3456 and 7.891 in `length` places.
struct floatpair {
  explicit floatpair(unsigned long long length) : a(length), b(length) {
    a = std::string_view("12.3456");
    b = std::string_view("7.891");
  }
  fixedfloat a;
  fixedfloat b;
};

template <typename Operation>
void floatbench(benchmark::State& state, Operation operation) {
  const floatpair pair(static_cast<unsigned long long>(state.range(0)));
  timelogged(state, [&] { return operation(pair.a, pair.b); });
}

void BM_FixedfloatSubtract(benchmark::State& state) {
  floatbench(state, [](const fixedfloat& a, const fixedfloat& b) { return a - b; });
}

void BM_FixedfloatNegate(benchmark::State& state) {
  floatbench(state, [](const fixedfloat& a, const fixedfloat&) { return -a; });
}

void BM_FixedfloatMultiply(benchmark::State& state) {
  floatbench(state, [](const fixedfloat& a, const fixedfloat& b) { return a * b; });
}

void BM_FixedfloatMultiplyTowardZero(benchmark::State& state) {
  floatbench(state, [](const fixedfloat& a, const fixedfloat& b) {
    return a.multiply(b, rounding::towardzero);
  });
}

void BM_FixedfloatDivide(benchmark::State& state) {
  floatbench(state, [](const fixedfloat& a, const fixedfloat& b) { return a / b; });
}

void BM_FixedfloatDivideCeiling(benchmark::State& state) {
  floatbench(state, [](const fixedfloat& a, const fixedfloat& b) {
    return a.divide(b, rounding::ceiling);
  });
}

void BM_FixedfloatRounded(benchmark::State& state) {
  floatbench(state, [](const fixedfloat& a, const fixedfloat&) { return a.rounded(2); });
}

void BM_FixedfloatTodouble(benchmark::State& state) {
  const floatpair pair(static_cast<unsigned long long>(state.range(0)));
  timesilent(state, [&] { return pair.a.todouble(); });
}

// x -= b and x += b, then x *= 2 and x /= 2: the value stays as it was.
void BM_FixedfloatCompound(benchmark::State& state) {
  floatpair pair(static_cast<unsigned long long>(state.range(0)));
  fixedfloat two(pair.a.length);
  two = std::string_view("2");
  timelogged(state, [&] {
    pair.a -= pair.b;
    pair.a += pair.b;
    pair.a *= two;
    pair.a /= two;
    return pair.a.value.digits.data();
  });
}

BENCHMARK(BM_FixedfloatSubtract)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedfloatNegate)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedfloatMultiply)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedfloatMultiplyTowardZero)->Arg(8)->Arg(64)->Arg(512);
BENCHMARK(BM_FixedfloatDivide)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedfloatDivideCeiling)->Arg(8)->Arg(64)->Arg(512);
BENCHMARK(BM_FixedfloatRounded)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedfloatTodouble)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedfloatCompound)->Arg(8)->Arg(38)->Arg(64)->Arg(512)->Arg(4096);

// --- Mathematics ------------------------------------------------------------------------
// 1.2345678901234567891 (and its powers: the integer 37, the fraction e to
// 19 places), cut to the fraction places of `length`; the time should grow
// no faster than a product's times the log of the length.

template <typename Operation>
void mathbench(benchmark::State& state, Operation operation) {
  const auto length = static_cast<unsigned long long>(state.range(0));
  const std::string x = std::string("1.2345678901234567891").substr(0, 2 + length / 2);
  const std::string e = std::string("2.7182818284590452353").substr(0, 2 + length / 2);
  const fixedfloat a(length, x);
  const fixedfloat y(length, e);
  timelogged(state, [&] { return operation(a, y); });
}

void BM_FixedintPow(benchmark::State& state) {
  const fixedint x(static_cast<unsigned long long>(state.range(0)), 3);
  timelogged(state, [&] { return x.pow(static_cast<unsigned long long>(state.range(0)) / 2); });
}
void BM_FixedfloatPowInteger(benchmark::State& state) {
  mathbench(state, [](const fixedfloat& a, const fixedfloat&) { return a.pow(37); });
}
void BM_FixedfloatPowFraction(benchmark::State& state) {
  mathbench(state, [](const fixedfloat& a, const fixedfloat& y) { return a.pow(y); });
}
void BM_FixedfloatSqrt(benchmark::State& state) {
  mathbench(state, [](const fixedfloat& a, const fixedfloat&) { return a.sqrt(); });
}
void BM_FixedfloatExp(benchmark::State& state) {
  mathbench(state, [](const fixedfloat& a, const fixedfloat&) { return a.exp(); });
}
void BM_FixedfloatLn(benchmark::State& state) {
  mathbench(state, [](const fixedfloat& a, const fixedfloat&) { return a.ln(); });
}
void BM_FixedfloatLog10(benchmark::State& state) {
  mathbench(state, [](const fixedfloat& a, const fixedfloat&) { return a.log10(); });
}
BENCHMARK(BM_FixedintPow)->Arg(38)->Arg(512)->Arg(4096);
BENCHMARK(BM_FixedfloatPowInteger)->Arg(38)->Arg(76)->Arg(152);
BENCHMARK(BM_FixedfloatPowFraction)->Arg(38)->Arg(76)->Arg(152);
BENCHMARK(BM_FixedfloatSqrt)->Arg(38)->Arg(76)->Arg(152)->Arg(4096);
BENCHMARK(BM_FixedfloatExp)->Arg(38)->Arg(76)->Arg(152);
BENCHMARK(BM_FixedfloatLn)->Arg(38)->Arg(76)->Arg(152);
BENCHMARK(BM_FixedfloatLog10)->Arg(38)->Arg(76)->Arg(152);
// --- The bounded log ----------------------------------------------------------------

// An 8-place fixedfloat addition, its result destroyed, out of line so that
// callgrind can count it alone: --toggle-collect='*boundedlogaddition*'.
[[gnu::noinline]] void boundedlogaddition(fixedfloat& a, fixedfloat& b) {
  const fixedfloat sum = a + b;
  benchmark::DoNotOptimize(sum.value.digits.data());
}

// The addition with the log bounded to 64 KiB and never emptied, so that it
// fills and trims all along, as a long-running program's log does; Arg(0)
// is the same addition unbounded, its log emptied every 256 calls.
void BM_FixedfloatAddBoundedLog(benchmark::State& state) {
  const auto capacity = static_cast<std::size_t>(state.range(0));
  fixedfloat a(8);
  fixedfloat b(8);
  a = 0.123F;
  b = 78.9F;
  veldran_bench::emptylog();
  VELDRAN::setlogcapacity(capacity);
  std::uint64_t calls = 0;
  const std::uint64_t start = allocations;
  for (auto _ : state) {
    boundedlogaddition(a, b);
    if (capacity == 0 && ++calls % 256 == 0) {
      veldran_bench::emptylog();
    }
  }
  reportallocations(state, start);
  VELDRAN::setlogcapacity(0);
  veldran_bench::emptylog();
}
BENCHMARK(BM_FixedfloatAddBoundedLog)->Arg(0)->Arg(65536);

// --- The telco billing workload ------------------------------------------------------

// One billed call per iteration, so the time per iteration is the time per
// call; the durations are drawn once, before the loop.
void BM_Telco(benchmark::State& state) {
  telco::durations draw(2026);
  std::vector<unsigned long long> seconds(4096);
  for (auto& s : seconds) s = draw.next();
  telco::biller bill;
  std::size_t next = 0;
  LogTrimmer trimmer;
  const std::uint64_t start = allocations;
  for (auto _ : state) {
    bill.bill(seconds[next]);
    next = (next + 1) % seconds.size();
    trimmer.tick();
  }
  benchmark::DoNotOptimize(bill.totals().value.digits.data());
  reportallocations(state, start);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Telco);

}  // namespace

BENCHMARK_MAIN();
