// A bounded log: it keeps the newest whole lines within its capacity,
// drops about half at a time, trims at once when the capacity shrinks, and
// the crash report of a bounded log follows its newest lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/clock.h"
#include "diagnostics/log"
#include "support/log_capture.h"
#include "support/log_files.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The messages of `text`, which must be whole lines; "line N" for N.
Lines messagesof(const std::string& text) {
  Lines messages;
  for (std::size_t begin = 0; begin < text.size();) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string::npos || text.compare(begin, 9, "VELDRAN [") != 0 ||
        end - begin < veldran_test::kLinePrefixLength) {
      messages.push_back("BROKEN " + text.substr(begin));
      break;
    }
    messages.push_back(text.substr(begin + veldran_test::kLinePrefixLength,
                                   end - begin - veldran_test::kLinePrefixLength));
    begin = end + 1;
  }
  return messages;
}

std::string numbered(int n) { return "line " + std::to_string(n); }

// Whether `messages` are the lines numbered up to `last`, none missing.
bool newestrun(const Lines& messages, int last) {
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (messages[messages.size() - 1 - i] != numbered(last - static_cast<int>(i))) return false;
  }
  return true;
}

class BoundedLog : public testing::Test {
 protected:
  void TearDown() override { VELDRAN::setlogcapacity(0); }
  veldran_test::LogCapture capture_;
};

TEST_F(BoundedLog, KeepsTheNewestWholeLinesWithinItsCapacity) {
  constexpr std::size_t kCapacity = 1000;
  VELDRAN::setlogcapacity(kCapacity);
  std::size_t written = 0;
  std::size_t previous = 0;
  for (int n = 0; n < 300; ++n) {
    // Lines of different lengths, some of them with a line feed inside.
    const std::string message = numbered(n) + (n % 7 == 0 ? "\nmore" : "");
    VELDRAN::log(n % 7 == 0 ? message
                            : numbered(n) + std::string(static_cast<std::size_t>(n % 23), ' '));
    const std::string text = VELDRAN::logsnapshot();
    written += veldran_test::kLinePrefixLength + message.size() + 1;
    ASSERT_LE(text.size(), kCapacity) << n;
    ASSERT_EQ(text.compare(0, 9, "VELDRAN ["), 0) << text;
    ASSERT_EQ(text.back(), '\n');
    ASSERT_NE(text.find("]: " + numbered(n)), std::string::npos) << "the newest line is kept";
    if (written >= kCapacity / 4) {
      ASSERT_GE(text.size(), kCapacity / 4) << n;
    }
    // Dropping goes down to about half at once, not a line at a time.
    if (text.size() < previous) {
      ASSERT_LE(text.size(), kCapacity / 2 + 150) << n;  // two lines at most
    }
    previous = text.size();
  }
}

TEST_F(BoundedLog, SmallerCapacityTrimsAtOnceAndZeroKeepsEverything) {
  for (int n = 0; n < 100; ++n) VELDRAN::log(numbered(n));
  const std::size_t full = VELDRAN::logsnapshot().size();
  VELDRAN::setlogcapacity(full * 2);
  EXPECT_EQ(VELDRAN::logsnapshot().size(), full);
  VELDRAN::setlogcapacity(500);
  const Lines kept = messagesof(VELDRAN::logsnapshot());
  EXPECT_LE(VELDRAN::logsnapshot().size(), 500U);
  EXPECT_GE(kept.size(), 3U);
  EXPECT_TRUE(newestrun(kept, 99)) << testing::PrintToString(kept);

  VELDRAN::setlogcapacity(0);
  for (int n = 100; n < 300; ++n) VELDRAN::log(numbered(n));
  const Lines all = messagesof(VELDRAN::logsnapshot());
  EXPECT_EQ(all.size(), kept.size() + 200);
  EXPECT_TRUE(newestrun(all, 299));
}

TEST_F(BoundedLog, LineLongerThanTheCapacityEmptiesTheLog) {
  VELDRAN::setlogcapacity(200);
  VELDRAN::log("short");
  VELDRAN::log(std::string(300, 'x'));
  EXPECT_EQ(VELDRAN::logsnapshot(), "");
  VELDRAN::log("short");
  EXPECT_EQ(messagesof(VELDRAN::logsnapshot()), Lines{"short"});
}

TEST_F(BoundedLog, ProgramThatReadsTheLogKeepsItsPlace) {
  VELDRAN::setlogcapacity(600);
  for (int n = 0; n < 8; ++n) VELDRAN::log(numbered(n));
  std::string line;
  std::getline(VELDRAN::logstream, line);
  for (int n = 8; n < 40; ++n) VELDRAN::log(numbered(n));
  // What was not read yet and survived is read on; nothing reads as cut.
  while (std::getline(VELDRAN::logstream, line)) {
    EXPECT_EQ(line.compare(0, 9, "VELDRAN ["), 0) << line;
  }
  VELDRAN::logstream.clear();
  EXPECT_TRUE(newestrun(messagesof(VELDRAN::logsnapshot()), 39));
}

TEST_F(BoundedLog, SnapshotAndClearTakeTheWholeLog) {
  VELDRAN::log("one");
  VELDRAN::logstream.setstate(std::ios_base::badbit);
  EXPECT_EQ(messagesof(VELDRAN::logsnapshot()), Lines{"one"});
  VELDRAN::logclear();
  EXPECT_EQ(VELDRAN::logsnapshot(), "");
  VELDRAN::log("two");  // the error state went with the clearing
  EXPECT_EQ(messagesof(VELDRAN::logsnapshot()), Lines{"two"});
}

// --- Where the bound cuts ------------------------------------------------------------

// With the clock held still every line's opening is the same, so lines of
// known sizes can be made, and the openings tell every line's start.
class BoundAtExactSizes : public BoundedLog {
 protected:
  BoundAtExactSizes() {
    VELDRAN::internal::setlogclock([] { return std::time_t{1700000000}; });
  }
  ~BoundAtExactSizes() override { VELDRAN::internal::setlogclock(nullptr); }
  // A line of `size` bytes in all, its message `fill` repeated.
  static void logsized(std::size_t size, char fill = 'x') {
    VELDRAN::log(std::string(size - veldran_test::kLinePrefixLength - 1, fill));
  }
};

TEST_F(BoundAtExactSizes, FullLogAndLineAsLongAsTheCapacityAreKeptAndOneByteMoreIsNot) {
  struct Case {
    std::size_t capacity;
    std::vector<std::size_t> lines;  // the sizes logged, in order
    std::size_t kept;                // the newest lines left, by count
  };
  const Case cases[] = {
      {300, {100, 100, 100}, 3},      // exactly full
      {299, {100, 100, 100}, 2},      // a byte short: the oldest goes
      {300, {60, 300}, 1},            // a line exactly the capacity long
      {300, {60, 301}, 0},            // a byte longer empties the log
      {300, {60, 200, 100}, 2},       // fills it exactly after a cut
      {4096, {2048, 2048, 2048}, 2},  // the same past the direct path's margin
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    VELDRAN::logclear();
    VELDRAN::setlogcapacity(c.capacity);
    char fill = 'a';
    for (const std::size_t size : c.lines) logsized(size, fill++);
    const std::string text = VELDRAN::logsnapshot();
    std::size_t expected = 0;
    for (std::size_t i = c.lines.size() - c.kept; i < c.lines.size(); ++i) expected += c.lines[i];
    EXPECT_EQ(text.size(), expected);
    if (c.kept > 0) {
      EXPECT_EQ(text[text.size() - 2], static_cast<char>(fill - 1));
    }
    VELDRAN::setlogcapacity(0);
  }
}

// Every start of a line in `text`: offsets that follow a line feed (or
// begin it) and open with the still clock's whole opening.
std::vector<std::size_t> linestarts(const std::string& text, const std::string& opening) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    if (text.compare(at, opening.size(), opening) == 0) starts.push_back(at);
    if (text.find('\n', at) == std::string::npos) break;
  }
  return starts;
}

// A mixed run: numbers' own lines, messages of many lengths, and messages
// that hold a line feed and an opening of their own.
void mixedstep(int n) {
  switch (n % 5) {
    case 0: {
      VELDRAN::fixedfloat a(8);
      VELDRAN::fixedfloat b(8);
      a = 0.5F;
      b = 1.25F;
      static_cast<void>(a + b);
      break;
    }
    case 1:
      VELDRAN::log("a\nVELDRAN [b]: c");
      break;
    case 2:
      VELDRAN::log(std::string(static_cast<std::size_t>(n * 37 % 700), 'm'));
      break;
    case 3:
      VELDRAN::log("line " + std::to_string(n) + "\n\nVELDRAN [");
      break;
    default:
      VELDRAN::log("");
  }
}

TEST_F(BoundAtExactSizes, BoundedLogIsTheUnboundedLogsNewestWholeLinesOverALongMixedRun) {
  constexpr int kSteps = 600;
  std::vector<std::size_t> sizes;  // the unbounded log's after each step
  VELDRAN::logclear();
  for (int n = 0; n < kSteps; ++n) {
    mixedstep(n);
    sizes.push_back(VELDRAN::logsnapshot().size());
  }
  const std::string whole = VELDRAN::logsnapshot();
  const std::string opening = whole.substr(0, veldran_test::kLinePrefixLength);
  const std::vector<std::size_t> starts = linestarts(whole, opening);
  for (const std::size_t capacity : {std::size_t{700}, std::size_t{4096}, std::size_t{65536}}) {
    SCOPED_TRACE(capacity);
    VELDRAN::logclear();
    VELDRAN::setlogcapacity(capacity);
    for (int n = 0; n < kSteps; ++n) {
      mixedstep(n);
      const std::string text = VELDRAN::logsnapshot();
      const std::size_t size = sizes[static_cast<std::size_t>(n)];
      ASSERT_LE(text.size(), capacity) << n;
      ASSERT_LE(text.size(), size) << n;
      const std::size_t cut = size - text.size();
      ASSERT_EQ(whole.compare(cut, text.size(), text), 0) << n;
      ASSERT_TRUE(cut == size || std::binary_search(starts.begin(), starts.end(), cut))
          << n << ": cut at " << cut << "\n"
          << text.substr(0, 80);
    }
    VELDRAN::setlogcapacity(0);
  }
}

TEST(BoundedLogDeathTest, CrashReportFollowsTheNewestLines) {
  const fs::path dir = veldran_test::processdir("VELDRAN_CAPACITY_TEST_DIR", "veldran-capacity");
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) std::_Exit(99);
        VELDRAN::setlogcapacity(600);
        const VELDRAN::fixedint first(4);
        for (int n = 0; n < 100; ++n) VELDRAN::log(numbered(n));
        std::terminate();
      },
      testing::KilledBySignal(SIGABRT), "");
  std::ifstream file(dir / "logs/veldran.log");
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  const Lines messages = messagesof(text);
  const Lines report = {"Terminate called. Preparing report.",
                        "Opened File.",
                        "Rethrowing exception and getting type.",
                        "Exception type: UNKNOWN",
                        "what(): UNKNOWN",
                        "--- LOG END: NO FURTHER MESSAGES ---"};
  ASSERT_GT(messages.size(), report.size() + 2) << text;
  const Lines before(messages.begin(), messages.end() - 6);
  EXPECT_EQ(Lines(messages.end() - 6, messages.end()), report);
  EXPECT_TRUE(newestrun(before, 99)) << text;
  const std::size_t reportstart = text.find("]: Terminate called.");
  EXPECT_LE(text.rfind('\n', reportstart) + 1, 600U);
  fs::remove_all(dir.parent_path());
}

// The report goes in after the newest lines, however tight the bound: the
// history the file holds is the log as it stood when terminate came.
TEST(BoundedLogDeathTest, CrashReportTrimsNoneOfTheHistoryUnderATightCapacity) {
  const fs::path dir = veldran_test::processdir("VELDRAN_CAPACITY_TEST_DIR", "veldran-capacity");
  constexpr std::size_t kCapacity = 400;
  const auto history = [] {
    VELDRAN::logclear();
    VELDRAN::setlogcapacity(kCapacity);
    for (int n = 0; n < 50; ++n) VELDRAN::log(numbered(n));
  };
  VELDRAN::setup();
  history();
  const Lines expected = messagesof(VELDRAN::logsnapshot());
  VELDRAN::setlogcapacity(0);
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) std::_Exit(99);
        { const VELDRAN::fixedint first(4); }
        history();
        std::terminate();
      },
      testing::KilledBySignal(SIGABRT), "");
  std::ifstream file(dir / "logs/veldran.log");
  const Lines messages = messagesof(std::string{std::istreambuf_iterator<char>(file), {}});
  ASSERT_GT(messages.size(), 6U);
  EXPECT_EQ(Lines(messages.begin(), messages.end() - 6), expected);
  EXPECT_EQ(messages.back(), "--- LOG END: NO FURTHER MESSAGES ---");
  fs::remove_all(dir.parent_path());
}

}  // namespace
