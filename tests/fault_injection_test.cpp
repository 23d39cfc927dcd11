// Memory exhaustion, one allocation at a time. For each public operation
// the k-th allocation is made to fail, for k = 1, 2, ... up to the number the
// operation makes when nothing fails: once with only that allocation
// failing, once with every later one failing too, and both again with the
// log's buffer full. Each time only std::bad_alloc may escape, the operands
// are as promised, the log holds whole lines only (what the successful run
// logs up to the failure, then the deletions of unwinding) and nothing
// leaks. A death test does the same inside logdumper.
//
// Its own executable: it replaces the global allocation functions. They
// allocate with malloc, so AddressSanitizer still checks every block (only
// its new/delete mismatch check is lost).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/log"

// --- The injector ------------------------------------------------------------

namespace faults {

bool armed = false;
std::size_t counted = 0;  // allocations since the last arm()
std::size_t failat = 0;   // the allocation that fails; 0 for none
bool persistent = false;  // every allocation after it fails too
bool reached = false;     // the failing allocation came
long long live = 0;       // blocks allocated and not yet freed, in the whole process

// Starts counting; allocation `failat` on (as `persistent` says) fails.
void arm() {
  counted = 0;
  reached = false;
  armed = true;
}

void* allocate(std::size_t size) {
  if (armed) {
    ++counted;
    if (counted == failat || (persistent && failat != 0 && counted > failat)) {
      reached = true;
      throw std::bad_alloc();
    }
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++live;
  return block;
}

void release(void* block) noexcept {
  if (block == nullptr) return;
  --live;
  std::free(block);
}

}  // namespace faults

// The library allocates with none of the aligned forms; they keep the
// standard versions.
void* operator new(std::size_t size) { return faults::allocate(size); }
void* operator new[](std::size_t size) { return faults::allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return faults::allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { faults::release(block); }
void operator delete[](void* block) noexcept { faults::release(block); }
void operator delete(void* block, std::size_t) noexcept { faults::release(block); }
void operator delete[](void* block, std::size_t) noexcept { faults::release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { faults::release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { faults::release(block); }

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using Lines = std::vector<std::string>;

const std::string kDeleted = "Deleted fixedint object.";
const std::string kDeletedfloat = "Deleting fixedfloat object!";
const std::string kOwnMessage = "A message well past the small-string buffer of std::string";

// --- Running one operation -----------------------------------------------------

enum class escaped { nothing, badalloc, other };

escaped lastescape = escaped::nothing;
std::size_t lastcount = 0;
std::string lastother;
std::size_t logmark = 0;  // where the log stood when the call began
bool padlog = false;      // fill the log's buffer up before the call

// Room left in a string buffer before it must grow; only its protected
// interface tells.
struct stringbufroom : std::stringbuf {
  static std::ptrdiff_t of(std::stringbuf& buffer) {
    char* (std::streambuf::*end)() const = &stringbufroom::epptr;
    char* (std::streambuf::*next)() const = &stringbufroom::pptr;
    return (buffer.*end)() - (buffer.*next)();
  }
};

// Logs "Done." until no line of the library fits any more, so that the
// call's first line makes the log grow (and, failing, is cut in two).
void filllog() {
  const std::ptrdiff_t shortestline = 36 + 5 + 1;
  while (stringbufroom::of(*VELDRAN::logstream.rdbuf()) >= shortestline) {
    VELDRAN::log("Done.");
  }
}

// Runs `call` armed and notes what escaped and how many allocations it made.
template <class Call>
escaped attempt(Call call) {
  if (padlog) filllog();
  logmark = VELDRAN::logstream.str().size();
  faults::arm();
  escaped result = escaped::nothing;
  try {
    call();
  } catch (const std::bad_alloc&) {
    result = escaped::badalloc;
  } catch (const std::exception& error) {
    faults::armed = false;
    lastother = std::string(typeid(error).name()) + ": " + error.what();
    result = escaped::other;
  } catch (...) {
    faults::armed = false;
    lastother = "an exception of a foreign type";
    result = escaped::other;
  }
  faults::armed = false;
  lastcount = faults::counted;
  lastescape = result;
  return result;
}

// A log of its own for every run: the old buffer goes with `old`.
void freshlog() {
  std::stringstream old;
  VELDRAN::logstream.swap(old);
}

// The logged messages, from character `from` on; a line out of layout, or
// a last line without its line feed, comes back marked.
Lines messages(std::size_t from = 0) {
  const std::string text = VELDRAN::logstream.str();
  Lines result;
  for (std::size_t begin = from; begin < text.size();) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) {
      result.push_back("UNFINISHED " + text.substr(begin));
      break;
    }
    const std::string line = text.substr(begin, end - begin);
    const bool laidout = line.size() >= 36 && line.compare(0, 9, "VELDRAN [") == 0 &&
                         line.compare(33, 3, "]: ") == 0;
    result.push_back(laidout ? line.substr(36) : "MALFORMED " + line);
    begin = end + 1;
  }
  return result;
}

bool isnumbered(const std::string& message, const std::string& prefix) {
  return message.size() > prefix.size() && message.compare(0, prefix.size(), prefix) == 0 &&
         message.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

// Made before main, so that no sweep sees their blocks appear.
const Lines kMessages = {"New fixedint object!",
                         "Done.",
                         kDeleted,
                         "Resize requested in fixedint.",
                         "Creating new fixedfloat object!",
                         "Register size.",
                         "Init boolean properties.",
                         "Init digits.",
                         kDeletedfloat,
                         "Addition operation in fixedfloat.",
                         kOwnMessage};

bool known(const std::string& message) {
  return std::find(kMessages.begin(), kMessages.end(), message) != kMessages.end() ||
         isnumbered(message, "Resizing Digits to: ") ||
         isnumbered(message, "Init called on fixedfloat with length: ");
}

bool isdeletion(const std::string& message) {
  return message == kDeleted || message == kDeletedfloat;
}

// A failed run logs what the successful one logs up to the failure, then
// nothing but the deletions of the objects it unwinds.
void expectfaithful(const Lines& failed, const Lines& succeeded) {
  for (const std::string& message : failed) {
    EXPECT_TRUE(known(message)) << "not a whole line of the library: " << message;
  }
  const auto diverge =
      std::mismatch(failed.begin(), failed.end(), succeeded.begin(), succeeded.end()).first;
  EXPECT_TRUE(std::all_of(diverge, failed.end(), isdeletion))
      << "after " << (diverge - failed.begin()) << " lines: " << testing::PrintToString(failed);
}

struct sweep {
  std::size_t points = 0;  // allocations of the run in which nothing fails
};

// Runs `trial` without a failure, then once per allocation point, with
// only that allocation failing and with every later one failing too; all
// of it once as it comes and once with the log's buffer full, so that the
// call's first line needs the log to grow. A trial builds its operands,
// makes the call through attempt() and checks what the call left; its
// objects are gone when it returns.
template <class Trial>
sweep exhaust(Trial trial) {
  sweep result;
  for (const bool padded : {false, true}) {
    padlog = padded;
    faults::failat = 0;
    freshlog();
    const long long before = faults::live;
    trial();
    freshlog();
    EXPECT_EQ(faults::live, before) << "the successful run leaks";
    EXPECT_EQ(lastescape, escaped::nothing) << lastother;
    trial();  // once more for its log
    const Lines succeeded = messages();
    const std::size_t points = lastcount;
    result.points = std::max(result.points, points);

    for (const bool persistent : {false, true}) {
      for (std::size_t k = 1; k <= points; ++k) {
        SCOPED_TRACE(testing::Message() << "allocation " << k << " of " << points
                                        << (persistent ? " and every later one" : "") << " fails"
                                        << (padded ? ", log buffer full" : ""));
        freshlog();
        const long long live = faults::live;
        faults::failat = k;
        faults::persistent = persistent;
        trial();
        EXPECT_TRUE(faults::reached);
        EXPECT_NE(lastescape, escaped::other) << lastother;
        expectfaithful(messages(), succeeded);
        freshlog();
        // A reported failure keeps blocks of its own.
        if (!testing::Test::HasFailure()) {
          EXPECT_EQ(faults::live, live) << "leaked " << (faults::live - live) << " blocks";
        }
        if (testing::Test::HasFailure()) return result;  // one point says enough
      }
    }
  }
  faults::failat = 0;
  padlog = false;
  return result;
}

// Every field, so that any change shows.
std::string show(const fixedint& x) {
  std::string text = x.negative ? "-" : "+";
  for (auto digit = x.digits.rbegin(); digit != x.digits.rend(); ++digit) {
    text += std::to_string(*digit) + ",";
  }
  return text + " size " + std::to_string(x.size) + (x.hassign ? " h" : "") +
         (x.overflowthrows ? " o" : "");
}

std::string show(const fixedfloat& f) {
  return show(f.value) + " length " + std::to_string(f.length) + (f.hassign ? " H" : "") +
         (f.negative ? " N" : "");
}

bool whole(const fixedint& x) { return x.size == x.digits.size(); }
bool whole(const fixedfloat& f) {
  return whole(f.value) && f.value.size == f.length && f.length % 2 == 0;
}

std::size_t count(const Lines& lines, const std::string& message) {
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), message));
}

bool failed() { return lastescape == escaped::badalloc; }

// A fixedfloat of length 8 holding `scaled` / 10^4.
fixedfloat number(long long scaled) {
  fixedfloat f(8);
  f.value = fixedint(8, scaled);
  f.updsign();
  return f;
}

// What the last attempt() logged so far.
Lines attemptmessages() { return messages(logmark); }

// The allocation points tried per operation, printed once at the end.
std::vector<std::pair<std::string, std::size_t>> tally;

class FaultInjection : public testing::Test {
 protected:
  static void SetUpTestSuite() { VELDRAN::setup(); }
  static void TearDownTestSuite() {
    for (const auto& [name, points] : tally) {
      std::printf("  %-36s %3zu allocation points\n", name.c_str(), points);
    }
  }
  static void record(const std::string& operation, const sweep& s) {
    tally.emplace_back(operation, s.points);
  }
};

// --- fixedint ---------------------------------------------------------------------

TEST_F(FaultInjection, CountConstructorThatCannotGetItsDigitsMakesNoObject) {
  for (const long long value : {-305LL, LLONG_MIN}) {
    SCOPED_TRACE(value);
    record("fixedint(19, " + std::to_string(value) + ")", exhaust([value] {
             attempt([value] { const fixedint made(19, value); });
             // Never made, so never deleted; made, then deleted once, unless the
             // log has lost its lines.
             const std::size_t deleted = count(attemptmessages(), kDeleted);
             if (failed()) {
               EXPECT_EQ(deleted, 0U);
             } else if (VELDRAN::logstream.good()) {
               EXPECT_EQ(deleted, 1U);
             }
           }));
  }
}

TEST_F(FaultInjection, GetcopyDeletesItsHalfMadeResult) {
  record("getcopy", exhaust([] {
           const fixedint source(8, -12345678);
           const std::string before = show(source);
           attempt([&] { const fixedint copy = source.getcopy(); });
           EXPECT_EQ(show(source), before);
           // A result that got as far as its "Done." is deleted, whole or half made.
           const Lines lines = attemptmessages();
           EXPECT_EQ(count(lines, kDeleted), count(lines, "Done."));
         }));
}

TEST_F(FaultInjection, ResizeKeepsSizeEqualToTheNumberOfDigits) {
  record("resize", exhaust([] {
           fixedint x(3, -123);
           const std::string before = show(x);
           attempt([&] { x.resize(40); });
           EXPECT_TRUE(whole(x));
           if (failed()) {
             EXPECT_EQ(show(x), before);
           }
         }));
}

// A failed step leaves its target as it was, and each target whole.
TEST_F(FaultInjection, FailedAssignmentsAndCopiesLeaveTheTargetAsItWas) {
  record("assignments and copies of fixedint", exhaust([] {
           fixedint target(19, 7);
           fixedint small(3, 5);
           const fixedint wide(30, 123456789);
           const std::string targetbefore = show(target);
           const std::string smallbefore = show(small);
           const std::string targetassigned = show(fixedint(19, LLONG_MIN));
           attempt([&] {
             target = LLONG_MIN;  // 19 digits of text
             target = 7;
             const fixedint copy(wide);
             small = wide;
             small = fixedint(3, 5);
           });
           EXPECT_TRUE(whole(target) && whole(small));
           const std::string targetafter = show(target);
           const std::string smallafter = show(small);
           EXPECT_TRUE(targetafter == targetbefore || targetafter == targetassigned) << targetafter;
           EXPECT_TRUE(smallafter == smallbefore || smallafter == show(wide)) << smallafter;
         }));
}

TEST_F(FaultInjection, TextAndComparisonsLeaveTheirOperandsUnchanged) {
  record("fixedint text and == != > < <", exhaust([] {
           const fixedint a(20, 1234);
           const fixedint b(20, -1234);
           const std::string before = show(a) + show(b);
           attempt([&] {
             static_cast<void>(a.asstring().size() + a.getshorteneddigits().size());
             static_cast<void>((a == b) + (a != b) + (a > b) + (a < b) + (b < a));
           });
           EXPECT_EQ(show(a) + show(b), before);
         }));
}

TEST_F(FaultInjection, AdditionAndMultiplicationLeaveTheirOperandsUnchanged) {
  struct Case {
    long long a, b;
  };
  // Same sign, then the signed path both ways round.
  for (const Case c : {Case{1234, 4321}, Case{5, -3}, Case{-3, 5}}) {
    SCOPED_TRACE(testing::Message() << c.a << " + " << c.b);
    const std::string operands = std::to_string(c.a) + ", " + std::to_string(c.b);
    record("8 places: + then * of " + operands, exhaust([c] {
             fixedint a(8, c.a);
             const fixedint b(8, c.b);
             const std::string before = show(a) + show(b);
             attempt([&] {
               const fixedint sum = a + b;
               const fixedint product = a * b;
             });
             EXPECT_EQ(show(a) + show(b), before);
           }));
  }
}

TEST_F(FaultInjection, CarryOutLeavesTheLeftOperandUnchangedOrHoldingTheCarry) {
  record("8 places: 99999999 + 1", exhaust([] {
           fixedint a(8, 99999999);
           const fixedint b(8, 1);
           const std::string before = show(a);
           const std::string carry = show(b);
           attempt([&] { const fixedint sum = a + b; });
           EXPECT_TRUE(whole(a));
           if (failed()) {
             EXPECT_TRUE(show(a) == before || show(a) == carry) << show(a);
           } else {
             EXPECT_EQ(show(a), carry);
           }
         }));
}

// --- fixedfloat --------------------------------------------------------------------

TEST_F(FaultInjection, FixedfloatThatCannotBeMadeLogsNoDeletionOfItsOwn) {
  record("fixedfloat(8)", exhaust([] {
           attempt([] { const fixedfloat made(8); });
           const std::size_t deleted = count(attemptmessages(), kDeletedfloat);
           if (failed()) {
             EXPECT_EQ(deleted, 0U);
           } else if (VELDRAN::logstream.good()) {
             EXPECT_EQ(deleted, 1U);
           }
         }));
}

TEST_F(FaultInjection, InitLeavesTheNumberWhole) {
  record("init(10), then a copy", exhaust([] {
           fixedfloat f = number(-125000);
           const std::string before = show(f);
           attempt([&] {
             f.init(10);
             const fixedfloat copy(f);
           });
           EXPECT_TRUE(whole(f));
           if (failed() && f.length == 8) {
             EXPECT_EQ(show(f), before);
           }
         }));
}

TEST_F(FaultInjection, PartsTextAndAdditionLeaveTheirOperandsUnchanged) {
  record("fixedfloat parts, text and +", exhaust([] {
           fixedfloat a = number(1230);
           const fixedfloat b = number(789000);
           const std::string before = show(a) + show(b);
           attempt([&] {
             static_cast<void>(a.getintpart().size + a.getfractionpart().size);
             static_cast<void>(b.asstring().size());
             const fixedfloat sum = a + b;
           });
           EXPECT_EQ(show(a) + show(b), before);
         }));
}

// A failed assignment leaves the old number or a scaling step of the new
// one, whole and with its sign flag taken.
TEST_F(FaultInjection, AssignmentsToFixedfloatLeaveAWholeNumber) {
  record("fixedfloat = fixedint(4, -12)", exhaust([] {
           fixedfloat f(8);
           const fixedint v(4, -12);
           attempt([&] { f = v; });
           EXPECT_TRUE(whole(f));
           EXPECT_EQ(f.negative, f.value.negative);
           const Lines allowed = {"0", "-12", "-120", "-1200", "-12000", "-120000"};
           EXPECT_NE(std::find(allowed.begin(), allowed.end(), f.value.asstring()), allowed.end())
               << f.value.asstring();
         }));
  for (const float x : {78.9F, -1.5F}) {
    SCOPED_TRACE(x);
    record(std::string("fixedfloat = ") + (x > 0 ? "78.9F" : "-1.5F"), exhaust([x] {
             fixedfloat f(8);
             attempt([&] { f = x; });
             EXPECT_TRUE(whole(f));
             EXPECT_EQ(f.negative, f.value.negative);
             const Lines allowed =
                 x > 0 ? Lines{"0", "78", "780", "7800", "78000", "780000", "789000"}
                       : Lines{"0", "-1", "-10", "-100", "-1000", "-10000", "-15000"};
             EXPECT_NE(std::find(allowed.begin(), allowed.end(), f.value.asstring()), allowed.end())
                 << f.value.asstring();
             if (!failed()) {
               EXPECT_EQ(f.value.asstring(), allowed.back());
             }
           }));
  }
}

TEST_F(FaultInjection, FixedintFromFixedfloatLeavesTheTargetAsItWas) {
  record("fixedint = fixedfloat", exhaust([] {
           fixedfloat f = number(790230);
           fixedint target(2, 5);
           const std::string before = show(target);
           const std::string assigned = show(fixedint(8, 79));
           attempt([&] { target = f; });
           EXPECT_TRUE(whole(target));
           EXPECT_EQ(show(target), failed() ? before : assigned);
         }));
}

TEST_F(FaultInjection, LogLineIsStoredWholeOrNotAtAll) {
  record("log(std::string)", exhaust([] {
           for (int line = 0; line < 40; ++line) VELDRAN::log("Done.");  // past the first growth
           attempt([] { VELDRAN::log(kOwnMessage); });
         }));
}

// --- The operations that make only their result ------------------------------------

// Every object the call made whole is deleted again by the time it returns:
// a fixedint is whole once its digits are (its third line, "Done."), a
// fixedfloat once its init has logged its last line (its tenth). Silent
// copies, such as the operand * takes by value, add deletions of their
// own. Read only while the log has lost no line.
bool everymadeobjectdeleted(const Lines& lines) {
  std::size_t made = 0;
  std::size_t madefloats = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto saysdone = [&lines](std::size_t at) {
      return at < lines.size() && lines[at] == "Done.";
    };
    made += lines[i] == "New fixedint object!" && saysdone(i + 2) ? 1 : 0;
    madefloats += lines[i] == "Creating new fixedfloat object!" && saysdone(i + 9) ? 1 : 0;
  }
  return count(lines, kDeleted) >= made && count(lines, kDeletedfloat) >= madefloats;
}

// `count` digits 1 to 9, most significant first.
std::string nonzerodigits(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += static_cast<char>('1' + i * 7 % 9);
  }
  return text;
}

// Past 1024 places the limb kernels take their scratch from the heap.
constexpr unsigned long long kWide = 1200;

fixedint wideint(const std::string& text) {
  fixedint x(kWide);
  x = text;
  return x;
}

fixedfloat widefloat(const std::string& text) {
  fixedfloat f(kWide);
  f = text;
  return f;
}

// Sweeps `trial` once per operand pair and keeps the most allocation
// points any of them made.
template <class Operands, class Trial>
sweep exhausteach(const Operands& operands, Trial trial) {
  sweep most;
  for (const auto& pair : operands) {
    SCOPED_TRACE(pair.name);
    most.points = std::max(most.points, exhaust([&] { trial(pair); }).points);
  }
  return most;
}

// Sweeps `operation` with each pair of `operands`: whatever fails, both
// operands stay as they were, and while the log works every object made was
// deleted.
template <class Operation, class Operands>
sweep keepsoperands(const Operation& operation, const Operands& operands) {
  return exhausteach(operands, [&operation](const auto& pair) {
    const auto a = pair.left();
    const auto b = pair.right();
    const std::string before = show(a) + show(b);
    attempt([&] { operation.call(a, b); });
    EXPECT_EQ(show(a) + show(b), before);
    if (VELDRAN::logstream.good()) {
      EXPECT_TRUE(everymadeobjectdeleted(attemptmessages()));
    }
  });
}

struct intoperands {
  const char* name;
  fixedint (*left)();
  fixedint (*right)();
};

const intoperands kIntOperands[] = {
    {"8 places", [] { return fixedint(8, -7654321); }, [] { return fixedint(8, 12); }},
    {"8 places, hassign clear",
     [] {
       fixedint a(8, 7654321);
       a.hassign = false;
       return a;
     },
     [] { return fixedint(8, -12); }},
    // Read modulo ten through a copy of the digits.
    {"8 places, a digit set by hand",
     [] {
       fixedint a(8, 7654321);
       a.digits[0] = 13;
       return a;
     },
     [] { return fixedint(8, -12); }},
    {"1200 places", [] { return -wideint(nonzerodigits(600)); },
     [] { return wideint(nonzerodigits(500)); }},
};

struct intoperation {
  const char* name;
  void (*call)(const fixedint& a, const fixedint& b);
};

const intoperation kIntOperations[] = {
    {"-a", [](const fixedint& a, const fixedint&) { const fixedint result = -a; }},
    {"a - b", [](const fixedint& a, const fixedint& b) { const fixedint result = a - b; }},
    {"a / b", [](const fixedint& a, const fixedint& b) { const fixedint result = a / b; }},
    {"a % b", [](const fixedint& a, const fixedint& b) { const fixedint result = a % b; }},
    {"a.divide(b, halfeven)",
     [](const fixedint& a, const fixedint& b) {
       const fixedint result = a.divide(b, VELDRAN::rounding::halfeven);
     }},
    {"a * b", [](const fixedint& a, const fixedint& b) { const fixedint result = a * b; }},
    {"a <= b, a >= b",
     [](const fixedint& a, const fixedint& b) { static_cast<void>((a <= b) + (a >= b)); }},
    {"a.todouble()", [](const fixedint& a, const fixedint&) { static_cast<void>(a.todouble()); }},
};

TEST_F(FaultInjection, NewFixedintArithmeticLeavesItsOperandsUnchanged) {
  for (const intoperation& operation : kIntOperations) {
    SCOPED_TRACE(operation.name);
    record(std::string("fixedint ") + operation.name, keepsoperands(operation, kIntOperands));
  }
}

struct floatoperands {
  const char* name;
  fixedfloat (*left)();
  fixedfloat (*right)();
};

const floatoperands kFloatOperands[] = {
    {"length 8", [] { return number(123456); }, [] { return number(78910); }},
    {"length 8, a digit set by hand",
     [] {
       fixedfloat a = number(-123456);
       a.value.digits[0] = 17;
       return a;
     },
     [] { return number(78910); }},
    {"length 1200", [] { return widefloat("-" + nonzerodigits(300) + "." + nonzerodigits(500)); },
     [] { return widefloat(nonzerodigits(200) + "." + nonzerodigits(550)); }},
};

struct floatoperation {
  const char* name;
  void (*call)(const fixedfloat& a, const fixedfloat& b);
};

const floatoperation kFloatOperations[] = {
    {"-a", [](const fixedfloat& a, const fixedfloat&) { const fixedfloat result = -a; }},
    {"a - b", [](const fixedfloat& a, const fixedfloat& b) { const fixedfloat result = a - b; }},
    {"a.multiply(b, floor)",
     [](const fixedfloat& a, const fixedfloat& b) {
       const fixedfloat result = a.multiply(b, VELDRAN::rounding::floor);
     }},
    {"a.divide(b, halfawayfromzero)",
     [](const fixedfloat& a, const fixedfloat& b) {
       const fixedfloat result = a.divide(b, VELDRAN::rounding::halfawayfromzero);
     }},
    {"a * b", [](const fixedfloat& a, const fixedfloat& b) { const fixedfloat result = a * b; }},
    {"a / b", [](const fixedfloat& a, const fixedfloat& b) { const fixedfloat result = a / b; }},
    {"a.rounded(2, ceiling)",
     [](const fixedfloat& a, const fixedfloat&) {
       const fixedfloat result = a.rounded(2, VELDRAN::rounding::ceiling);
     }},
    {"a.todouble()",
     [](const fixedfloat& a, const fixedfloat&) { static_cast<void>(a.todouble()); }},
};

TEST_F(FaultInjection, NewFixedfloatArithmeticLeavesItsOperandsUnchanged) {
  for (const floatoperation& operation : kFloatOperations) {
    SCOPED_TRACE(operation.name);
    record(std::string("fixedfloat ") + operation.name, keepsoperands(operation, kFloatOperands));
  }
}

// --- Compound assignment -------------------------------------------------------------

struct intcompound {
  const char* name;
  fixedint (*left)();
  fixedint (*right)();
  void (*assign)(fixedint& a, const fixedint& b);
  fixedint (*plain)(fixedint& a, const fixedint& b);  // the same as an expression
};

void addto(fixedint& a, const fixedint& b) { a += b; }
void subtractfrom(fixedint& a, const fixedint& b) { a -= b; }
void multiplyby(fixedint& a, const fixedint& b) { a *= b; }
void divideby(fixedint& a, const fixedint& b) { a /= b; }
void reduceby(fixedint& a, const fixedint& b) { a %= b; }
fixedint sum(fixedint& a, const fixedint& b) { return a - -b; }
fixedint difference(fixedint& a, const fixedint& b) { return a - b; }
fixedint product(fixedint& a, const fixedint& b) { return a * b; }
fixedint quotient(fixedint& a, const fixedint& b) { return a / b; }
fixedint remainder(fixedint& a, const fixedint& b) { return a % b; }

const intcompound kIntCompounds[] = {
    {"8 places: 1234 += 4321", [] { return fixedint(8, 1234); }, [] { return fixedint(8, 4321); },
     addto, sum},
    {"8 places: 5 += -3", [] { return fixedint(8, 5); }, [] { return fixedint(8, -3); }, addto,
     sum},
    // A negative target whose sum reaches the top place: it stays negative.
    {"8 places: -99999990 += -9", [] { return fixedint(8, -99999990); },
     [] { return fixedint(8, -9); }, addto, sum},
    {"8 places: -1234567 -= 7654321", [] { return fixedint(8, -1234567); },
     [] { return fixedint(8, 7654321); }, subtractfrom, difference},
    {"8 places: -1234 *= 4321", [] { return fixedint(8, -1234); }, [] { return fixedint(8, 4321); },
     multiplyby, product},
    {"1200 places: *=", [] { return wideint(nonzerodigits(600)); },
     [] { return -wideint(nonzerodigits(500)); }, multiplyby, product},
    {"8 places: -7654321 /= 12", [] { return fixedint(8, -7654321); },
     [] { return fixedint(8, 12); }, divideby, quotient},
    {"1200 places: /=", [] { return -wideint(nonzerodigits(1100)); },
     [] { return wideint(nonzerodigits(550)); }, divideby, quotient},
    {"8 places: -7654321 %= 1234", [] { return fixedint(8, -7654321); },
     [] { return fixedint(8, 1234); }, reduceby, remainder},
    {"1200 places: %=", [] { return wideint(nonzerodigits(1100)); },
     [] { return wideint(nonzerodigits(550)); }, reduceby, remainder},
};

// A failed fixedint compound assignment leaves its target as the operation
// leaves its left operand: unchanged, or holding the carry of a +.
TEST_F(FaultInjection, CompoundAssignmentLeavesTheTargetAsItWasWhenMemoryRunsOut) {
  for (const intcompound& c : kIntCompounds) {
    SCOPED_TRACE(c.name);
    record(c.name, exhaust([&c] {
             fixedint a = c.left();
             const fixedint b = c.right();
             const std::string before = show(a);
             const std::string right = show(b);
             fixedint left(a);
             const std::string assigned = show(c.plain(left, b));
             const std::string leftafter = show(left);
             attempt([&] { c.assign(a, b); });
             EXPECT_TRUE(whole(a));
             EXPECT_EQ(show(b), right);
             if (failed()) {
               EXPECT_TRUE(show(a) == before || show(a) == leftafter) << show(a);
             } else {
               EXPECT_EQ(show(a), assigned);
             }
           }));
  }
}

struct floatcompound {
  const char* name;
  fixedfloat (*left)();
  fixedfloat (*right)();
  void (*assign)(fixedfloat& a, const fixedfloat& b);
  fixedfloat (*plain)(fixedfloat& a, const fixedfloat& b);  // the same as an expression
};

void addto(fixedfloat& a, const fixedfloat& b) { a += b; }
void subtractfrom(fixedfloat& a, const fixedfloat& b) { a -= b; }
void multiplyby(fixedfloat& a, const fixedfloat& b) { a *= b; }
void divideby(fixedfloat& a, const fixedfloat& b) { a /= b; }
fixedfloat sum(fixedfloat& a, const fixedfloat& b) { return a - -b; }
fixedfloat difference(fixedfloat& a, const fixedfloat& b) { return a - b; }
fixedfloat product(fixedfloat& a, const fixedfloat& b) { return a * b; }
fixedfloat quotient(fixedfloat& a, const fixedfloat& b) { return a / b; }

const floatcompound kFloatCompounds[] = {
    {"length 8: 12.3456 += 7.891", [] { return number(123456); }, [] { return number(78910); },
     addto, sum},
    {"length 8: -9999.9990 += -0.0009", [] { return number(-99999990); }, [] { return number(-9); },
     addto, sum},
    {"length 8: -12.3456 -= 7.891", [] { return number(-123456); }, [] { return number(78910); },
     subtractfrom, difference},
    {"length 8: 12.3456 *= -7.891", [] { return number(123456); }, [] { return number(-78910); },
     multiplyby, product},
    {"length 1200: *=", [] { return widefloat(nonzerodigits(300) + "." + nonzerodigits(500)); },
     [] { return widefloat("-" + nonzerodigits(200) + "." + nonzerodigits(550)); }, multiplyby,
     product},
    {"length 8: 12.3456 /= 7.891", [] { return number(123456); }, [] { return number(78910); },
     divideby, quotient},
    {"length 1200: /=", [] { return widefloat(nonzerodigits(550) + "." + nonzerodigits(500)); },
     [] { return widefloat(nonzerodigits(200) + "." + nonzerodigits(550)); }, divideby, quotient},
};

TEST_F(FaultInjection, FixedfloatCompoundAssignmentLeavesTheTargetUnchangedWhenMemoryRunsOut) {
  for (const floatcompound& c : kFloatCompounds) {
    SCOPED_TRACE(c.name);
    record(c.name, exhaust([&c] {
             fixedfloat a = c.left();
             const fixedfloat b = c.right();
             const std::string before = show(a);
             const std::string right = show(b);
             fixedfloat left(a);
             const std::string assigned = show(c.plain(left, b));
             attempt([&] { c.assign(a, b); });
             EXPECT_TRUE(whole(a));
             EXPECT_EQ(show(b), right);
             EXPECT_EQ(show(a), failed() ? before : assigned);
           }));
  }
}

// --- Refusals ---------------------------------------------------------------------

bool refusedasexpected = false;  // the last attemptrefusal() call threw `message`

// Runs `call`, which refuses with `message` while memory lasts, through
// attempt(); the refusal is caught before it could count as an escape.
template <class Call>
void attemptrefusal(const char* message, Call call) {
  refusedasexpected = false;
  attempt([&] {
    try {
      call();
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception& error) {
      // Compared in place: a copy of the text could fail by itself.
      refusedasexpected = std::strcmp(error.what(), message) == 0;
      if (!refusedasexpected) throw;
    }
  });
}

const char* const kOverflow = "Overflow occured.";
const char* const kUnderflow = "Underflow occured.";
const char* const kByZero = "Division by zero!";

struct intrefusal {
  const char* name;
  const char* message;
  fixedint (*left)();
  fixedint (*right)();
  void (*call)(fixedint& a, const fixedint& b);
};

fixedint unsignedint(long long value) {
  fixedint x(8, value);
  x.hassign = false;
  return x;
}

fixedint overflowthrowing(long long value) {
  fixedint x(8, value);
  x.overflowthrows = true;
  return x;
}

const intrefusal kIntRefusals[] = {
    {"8 places: 99999999 - -1", kOverflow, [] { return fixedint(8, 99999999); },
     [] { return fixedint(8, -1); },
     [](fixedint& a, const fixedint& b) { const fixedint result = a - b; }},
    {"8 places, hassign clear: 3 -= 5", kUnderflow, [] { return unsignedint(3); },
     [] { return fixedint(8, 5); }, subtractfrom},
    // Refused before anything is made: a negative target stays negative.
    {"8 places: -99999999 += -1", kOverflow, [] { return fixedint(8, -99999999); },
     [] { return fixedint(8, -1); }, addto},
    {"8 places, overflowthrows: 99999999 += 1", kOverflow,
     [] { return overflowthrowing(99999999); }, [] { return fixedint(8, 1); }, addto},
    {"8 places: 7 / -0", kByZero, [] { return fixedint(8, 7); }, [] { return -fixedint(8, 0); },
     [](fixedint& a, const fixedint& b) { const fixedint result = a / b; }},
    {"8 places: 7 %= 0", kByZero, [] { return fixedint(8, 7); }, [] { return fixedint(8, 0); },
     reduceby},
    {"8 places: 7.divide(0, ceiling)", kByZero, [] { return fixedint(8, 7); },
     [] { return fixedint(8, 0); },
     [](fixedint& a, const fixedint& b) {
       const fixedint result = a.divide(b, VELDRAN::rounding::ceiling);
     }},
    {"1200 places: /= 0", kByZero, [] { return wideint(nonzerodigits(1100)); },
     [] { return fixedint(kWide); }, divideby},
    // Refused after the kernel's scratch, with a message made on the way out.
    {"1200 places: *= past the top", "Out of range while running multiplication! Index: 1200",
     [] { return wideint(nonzerodigits(600)); }, [] { return wideint(nonzerodigits(700)); },
     multiplyby},
};

TEST_F(FaultInjection, RefusedFixedintOperationsLeaveTheirOperandsUnchanged) {
  for (const intrefusal& c : kIntRefusals) {
    SCOPED_TRACE(c.name);
    record(c.name, exhaust([&c] {
             fixedint a = c.left();
             const fixedint b = c.right();
             const std::string before = show(a) + show(b);
             attemptrefusal(c.message, [&] { c.call(a, b); });
             EXPECT_EQ(show(a) + show(b), before);
             EXPECT_TRUE(failed() || refusedasexpected);
           }));
  }
}

struct floatrefusal {
  const char* name;
  const char* message;
  fixedfloat (*left)();
  fixedfloat (*right)();
  void (*call)(fixedfloat& a, const fixedfloat& b);
};

fixedfloat overflowthrowing(fixedfloat f) {
  f.value.overflowthrows = true;
  return f;
}

const floatrefusal kFloatRefusals[] = {
    {"length 8: 9999.9999 - -0.0001", kOverflow, [] { return number(99999999); },
     [] { return number(-1); },
     [](fixedfloat& a, const fixedfloat& b) { const fixedfloat result = a - b; }},
    {"length 8: 9999.0 * 2.0", kOverflow, [] { return number(99990000); },
     [] { return number(20000); },
     [](fixedfloat& a, const fixedfloat& b) { const fixedfloat result = a * b; }},
    {"length 8: 9999.996 rounded to 2 places", kOverflow, [] { return number(99999960); },
     [] { return number(0); },
     [](fixedfloat& a, const fixedfloat&) { const fixedfloat result = a.rounded(2); }},
    {"length 8: 1.0 / -0.0", kByZero, [] { return number(10000); }, [] { return -number(0); },
     [](fixedfloat& a, const fixedfloat& b) { const fixedfloat result = a / b; }},
    {"length 8: -9999.9999 += -0.0001", kOverflow, [] { return number(-99999999); },
     [] { return number(-1); }, addto},
    {"length 8, overflowthrows: 9999.9999 += 0.0001", kOverflow,
     [] { return overflowthrowing(number(99999999)); }, [] { return number(1); }, addto},
    {"length 8: -9999.9999 -= 0.0001", kOverflow, [] { return number(-99999999); },
     [] { return number(1); }, subtractfrom},
    {"length 8: 5000.0 *= 2.0", kOverflow, [] { return number(50000000); },
     [] { return number(20000); }, multiplyby},
    {"length 8: 1.0 /= 0.0001", kOverflow, [] { return number(10000); }, [] { return number(1); },
     divideby},
    // Refused after the kernels' scratch.
    {"length 1200: *= past the top", kOverflow,
     [] { return widefloat(nonzerodigits(400) + "." + nonzerodigits(500)); },
     [] { return widefloat(nonzerodigits(300) + "." + nonzerodigits(500)); }, multiplyby},
    {"length 1200: /= past the top", kOverflow,
     [] { return widefloat(nonzerodigits(550) + "." + nonzerodigits(500)); },
     [] { return widefloat("0." + std::string(99, '0') + nonzerodigits(400)); }, divideby},
    {"length 1200: /= -0.0", kByZero, [] { return widefloat(nonzerodigits(550)); },
     [] { return widefloat("-0.0"); }, divideby},
};

TEST_F(FaultInjection, RefusedFixedfloatOperationsLeaveTheirOperandsUnchanged) {
  for (const floatrefusal& c : kFloatRefusals) {
    SCOPED_TRACE(c.name);
    record(c.name, exhaust([&c] {
             fixedfloat a = c.left();
             const fixedfloat b = c.right();
             const std::string before = show(a) + show(b);
             attemptrefusal(c.message, [&] { c.call(a, b); });
             EXPECT_EQ(show(a) + show(b), before);
             EXPECT_TRUE(failed() || refusedasexpected);
           }));
  }
}

// --- The crash report ----------------------------------------------------------

const std::string kWhat = "a what() text well past the small-string buffer";

const Lines kReport = {"Terminate called. Preparing report.",
                       "Opened File.",
                       "Rethrowing exception and getting type.",
                       "Exception type: St13runtime_error",
                       "what(): " + kWhat,
                       "--- LOG END: NO FURTHER MESSAGES ---"};

// The handler logdumper hands over to: tells the parent whether the
// failing allocation came.
void savedhandler() { std::_Exit(faults::reached ? 3 : 4); }

// Lets an exception reach std::terminate while still pending.
void uncaught(void (*body)()) noexcept { body(); }

// In a forked child: a log of three lines (and "Done." lines filling its
// buffer), then an uncaught exception with the k-th allocation from there
// on failing.
[[noreturn]] void crash(const std::filesystem::path& dir, std::size_t k, bool persistent,
                        bool padded) {
  if (chdir(dir.c_str()) != 0) std::_Exit(99);
  VELDRAN::setup();
  VELDRAN::oldtermfunc = savedhandler;
  freshlog();
  const fixedint first(4, -305);
  if (padded) filllog();
  static const std::runtime_error pending(kWhat);  // made before the failures start
  faults::failat = k;
  faults::persistent = persistent;
  faults::arm();
  uncaught([] { throw pending; });
  std::_Exit(98);
}

Lines filemessages(const std::filesystem::path& file) {
  std::ifstream in(file);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  std::stringstream old;
  VELDRAN::logstream.swap(old);
  VELDRAN::logstream << text;
  Lines lines = messages();
  VELDRAN::logstream.swap(old);
  return lines;
}

TEST(FaultInjectionDeathTest, LogdumperWritesTheWholeLogAndWhatReportMemoryAllows) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child keeps this process's state
  std::string root = (std::filesystem::temp_directory_path() / "veldran-faults-XXXXXX").string();
  ASSERT_NE(mkdtemp(root.data()), nullptr);
  const std::filesystem::path dir = root;
  std::filesystem::create_directory(dir / "logs");
  const Lines log = {"New fixedint object!", "Resizing Digits to: 4", "Done."};

  std::size_t points = 0;
  for (const bool padded : {false, true})
    for (const bool persistent : {false, true}) {
      for (std::size_t k = 1; k < 1000; ++k) {
        SCOPED_TRACE(testing::Message()
                     << "allocation " << k << (persistent ? " and every later one" : "") << " fails"
                     << (padded ? ", log buffer full" : ""));
        std::filesystem::remove(dir / "logs/veldran.log");
        int code = 0;
        EXPECT_EXIT(
            crash(dir, k, persistent, padded),
            [&code](int status) {
              code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
              return code == 3 || code == 4;
            },
            "");
        const Lines file = filemessages(dir / "logs/veldran.log");
        // The whole log, then as much of the report as could be logged.
        ASSERT_GE(file.size(), log.size()) << testing::PrintToString(file);
        EXPECT_EQ(Lines(file.begin(), file.begin() + 3), log);
        const auto filled = std::find_if(file.begin() + 3, file.end(),
                                         [](const std::string& line) { return line != "Done."; });
        const Lines report(filled, file.end());
        ASSERT_LE(report.size(), kReport.size()) << testing::PrintToString(report);
        EXPECT_EQ(report, Lines(kReport.begin(), kReport.begin() + report.size()));
        if (code != 3 || testing::Test::HasFailure()) {
          EXPECT_EQ(report, kReport);  // nothing failed, so nothing may be missing
          points = std::max(points, k - 1);
          break;
        }
      }
    }
  std::printf("  logdumper %zu allocation points\n", points);
  std::filesystem::remove_all(dir);
}

}  // namespace
