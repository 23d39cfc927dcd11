// veldran-counts OPERATION CALLS: the instructions of one operation per
// call, for callgrind. The operands are made first and the operation is
// chosen before the loop; it then runs CALLS times through `warmup` (the
// module's set-up, the log's first growth) and CALLS times more through
// veldran_counted, the only function callgrind is told to count:
//
//   valgrind --tool=callgrind --toggle-collect=veldran_counted
//            veldran-counts less/8 2048
//
// The collected total divided by CALLS is the figure. The log is emptied
// every 256 calls, outside the counted function. Without arguments it lists
// the operations.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/support.h"
#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/log"
#include "examples/telco.h"

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;

namespace {

// The operands of the chosen operation, kept for the whole run.
struct operands {
  std::unique_ptr<fixedint> a, b;
  std::unique_ptr<fixedfloat> x, y;
  std::unique_ptr<telco::biller> bill;
  std::vector<unsigned long long> seconds;
  std::size_t next = 0;
};

operands held;

// A record of `places` places holding the digits of `text`.
std::unique_ptr<fixedint> integer(unsigned long long places, const std::string& text) {
  auto number = std::make_unique<fixedint>(places);
  *number = text;
  return number;
}

std::unique_ptr<fixedfloat> amount(unsigned long long length, const char* text) {
  auto number = std::make_unique<fixedfloat>(length);
  *number = text;
  return number;
}

// `count` digits counting down from 9, wrapping, the first non-zero.
std::string digitrun(std::size_t count) {
  std::string text(count, '0');
  for (std::size_t i = 0; i < count; ++i) {
    text[i] = static_cast<char>('0' + (9 - i % 9));
  }
  return text;
}

// Two records whose digits agree down to the units place, a below b.
void nearlyequal(unsigned long long places) {
  std::string text = digitrun(places);
  text.back() = '0';
  held.a = integer(places, text);
  text.back() = '1';
  held.b = integer(places, text);
}

void ll(unsigned long long places, const char* a, const char* b) {
  held.a = integer(places, a);
  held.b = integer(places, b);
}

void ff(const char* a, const char* b) {
  held.x = amount(8, a);
  held.y = amount(8, b);
}

// The library's calls are out of the compiler's sight, so their results
// may be dropped.
using call = void (*)();

struct entry {
  const char* name;
  void (*prepare)();
  call run;
};

// clang-format off
const entry kOperations[] = {
    {"log", [] {}, [] { VELDRAN::log("Deleted fixedint object."); }},
    {"make/8", [] {}, [] { static_cast<void>(fixedint(8)); }},
    {"add/8", [] { ll(8, "1234567", "7654321"); }, [] { static_cast<void>(*held.a + *held.b); }},
    {"less/8", [] { nearlyequal(8); }, [] { static_cast<void>(*held.a < *held.b); }},
    {"less/512", [] { nearlyequal(512); }, [] { static_cast<void>(*held.a < *held.b); }},
    {"less/4096", [] { nearlyequal(4096); }, [] { static_cast<void>(*held.a < *held.b); }},
    {"subtract/8", [] { ll(8, "-1234567", "7654321"); }, [] { static_cast<void>(*held.a - *held.b); }},
    {"text/8", [] { held.a = integer(8, digitrun(8)); }, [] { static_cast<void>(held.a->asstring()); }},
    {"text/512", [] { held.a = integer(512, digitrun(512)); }, [] { static_cast<void>(held.a->asstring()); }},
    {"text/4096", [] { held.a = integer(4096, digitrun(4096)); }, [] { static_cast<void>(held.a->asstring()); }},
    {"multiply/64", [] { ll(64, digitrun(32).c_str(), digitrun(32).c_str()); },
     [] { static_cast<void>(*held.a * *held.b); }},
    {"multiply/512", [] { ll(512, digitrun(256).c_str(), digitrun(256).c_str()); },
     [] { static_cast<void>(*held.a * *held.b); }},
    {"multiply/4096", [] { ll(4096, digitrun(2048).c_str(), digitrun(2048).c_str()); },
     [] { static_cast<void>(*held.a * *held.b); }},
    {"divide/64", [] { ll(64, digitrun(63).c_str(), digitrun(32).c_str()); },
     [] { static_cast<void>(*held.a / *held.b); }},
    {"divide/256", [] { ll(256, digitrun(255).c_str(), digitrun(128).c_str()); },
     [] { static_cast<void>(*held.a / *held.b); }},
    {"divide/512", [] { ll(512, digitrun(511).c_str(), digitrun(256).c_str()); },
     [] { static_cast<void>(*held.a / *held.b); }},
    {"floatadd/8", [] { ff("12.3456", "7.891"); }, [] { static_cast<void>(*held.x + *held.y); }},
    {"floattext/8", [] { ff("79.023", "0"); }, [] { static_cast<void>(held.x->asstring()); }},
    {"floatsubtract/8", [] { ff("12.3456", "7.891"); }, [] { static_cast<void>(*held.x - *held.y); }},
    {"floatmultiply/8", [] { ff("12.3456", "7.891"); }, [] { static_cast<void>(*held.x * *held.y); }},
    {"floatdivide/8", [] { ff("12.3456", "7.891"); }, [] { static_cast<void>(*held.x / *held.y); }},
    {"floatrounded/8", [] { ff("12.3456", "7.891"); }, [] { static_cast<void>(held.x->rounded(2)); }},
    {"assignfloat/8", [] { ff("0", "0"); }, [] { *held.x = 78.9F; }},
    {"telco", [] {
       held.bill = std::make_unique<telco::biller>();
       telco::durations draw(2026);
       held.seconds.resize(4096);
       for (auto& s : held.seconds) s = draw.next();
     },
     [] {
       held.bill->bill(held.seconds[held.next]);
       held.next = (held.next + 1) % held.seconds.size();
     }},
};
// clang-format on

}  // namespace

extern "C" [[gnu::noinline]] void veldran_counted(call run) { run(); }

namespace {

[[gnu::noinline]] void warmup(call run) { run(); }

void runmany(void (*through)(call), call run, unsigned long calls) {
  for (unsigned long i = 1; i <= calls; ++i) {
    through(run);
    if (i % 256 == 0) {
      veldran_bench::emptylog();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    for (const entry& e : kOperations) {
      std::printf("%s\n", e.name);
    }
    return argc == 1 ? 0 : 2;
  }
  const unsigned long calls = std::strtoul(argv[2], nullptr, 10);
  for (const entry& e : kOperations) {
    if (std::strcmp(e.name, argv[1]) == 0) {
      e.prepare();
      runmany(warmup, e.run, calls);
      veldran_bench::emptylog();
      runmany(veldran_counted, e.run, calls);
      held = operands();  // while the log is still there for their lines
      return 0;
    }
  }
  std::fprintf(stderr, "veldran-counts: no operation \"%s\"\n", argv[1]);
  return 2;
}
