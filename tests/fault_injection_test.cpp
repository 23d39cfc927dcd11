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
