// The log from many threads: lines never mix or go missing, set-up runs
// once, and a terminate on any thread writes the whole report last. Set-up
// and terminate are per process, so those cases run in re-executed
// children (threadsafe death tests).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <regex>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/log"
#include "support/log_files.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using VELDRAN::fixedfloat;
using VELDRAN::fixedint;

constexpr int kThreads = 4;

// The message of each line of `text`; a line out of layout or not the
// library's own comes back marked, and so does a last line without its
// line feed.
Lines messagesof(const std::string& text) {
  static const std::regex line(
      R"(VELDRAN \[(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
      R"([ 0-9]\d \d\d:\d\d:\d\d \d{4}\]: (.*))");
  static const std::regex known(
      R"(New fixedint object!|Resizing Digits to: \d+|Done\.|Deleted fixedint object\.|)"
      R"(Creating new fixedfloat object!|Init called on fixedfloat with length: \d+|)"
      R"(Register size\.|Init boolean properties\.|Init digits\.|Deleting fixedfloat object!|)"
      R"(Addition operation in fixedfloat\.|Resize requested in fixedint\.|)"
      R"(First fixedint/fixedfloat object created!|)"
      R"(Start Initialization of Veldran Arithmetic module\.|Setting up log dumper\.\.\.|)"
      R"(Done\. Init Successful|Terminate called\. Preparing report\.|Opened File\.|)"
      R"(Rethrowing exception and getting type\.|Exception type: UNKNOWN|what\(\): UNKNOWN|)"
      R"(--- LOG END: NO FURTHER MESSAGES ---)");
  Lines messages;
  std::smatch match;
  for (std::size_t begin = 0; begin < text.size();) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) {
      messages.push_back("UNFINISHED " + text.substr(begin));
      break;
    }
    const std::string physical = text.substr(begin, end - begin);
    const bool whole = std::regex_match(physical, match, line) &&
                       std::regex_match(match[3].first, match[3].second, known);
    messages.push_back(whole ? match[3].str() : "MALFORMED " + physical);
    begin = end + 1;
  }
  return messages;
}

std::size_t malformed(const Lines& messages) {
  std::size_t count = 0;
  for (const std::string& message : messages) {
    count += message.rfind("MALFORMED ", 0) == 0 || message.rfind("UNFINISHED ", 0) == 0;
  }
  return count;
}

// Mixed work on the thread's own numbers; false when a result is wrong.
bool work(int rounds) {
  bool right = true;
  for (int round = 0; round < rounds; ++round) {
    fixedint a(8, 1234 + round);
    const fixedint b(8, 4321);
    right = right && (a + b).asstring() == std::to_string(5555 + round);
    right = right && (a * b).asstring() == std::to_string((1234LL + round) * 4321);
    right = right && a < fixedint(8, 99999);
    fixedint grown = a.getcopy();
    grown.resize(12);
    fixedfloat x(8);
    fixedfloat y(8);
    x = 0.5F;
    y = 1.25F;
    right = right && (x + y).asstring() == "1.75";
  }
  return right;
}

// Starts `count` threads at once on `body` and waits for them all.
template <class Body>
void together(int count, Body body) {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i) {
    threads.emplace_back([&go, &body, i] {
      while (!go.load()) std::this_thread::yield();
      body(i);
    });
  }
  go.store(true);
  for (std::thread& thread : threads) thread.join();
}

TEST(LogThreads, LinesOfManyThreadsAreWholeAndNoneIsLost) {
  VELDRAN::setup();
  VELDRAN::logclear();
  ASSERT_TRUE(work(3));
  const std::size_t single = messagesof(VELDRAN::logsnapshot()).size();
  ASSERT_GT(single, 100U);

  for (const std::size_t capacity : {std::size_t{0}, std::size_t{1} << 30}) {
    SCOPED_TRACE(capacity);
    VELDRAN::setlogcapacity(capacity);
    VELDRAN::logclear();
    constexpr int kRounds = 150;
    std::atomic<int> wrong{0};
    together(kThreads, [&wrong](int) { wrong += work(kRounds) ? 0 : 1; });
    const Lines messages = messagesof(VELDRAN::logsnapshot());
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(malformed(messages), 0U);
    EXPECT_EQ(messages.size(), single / 3 * kRounds * kThreads);
  }
  VELDRAN::setlogcapacity(0);
}

TEST(LogThreads, BoundedLogKeepsWholeLinesWhileThreadsLog) {
  VELDRAN::setup();
  VELDRAN::logclear();
  VELDRAN::setlogcapacity(4096);
  std::atomic<int> wrong{0};
  std::atomic<std::size_t> longest{0};
  together(kThreads, [&wrong, &longest](int i) {
    for (int round = 0; round < 40; ++round) {
      wrong += work(2) ? 0 : 1;
      if (i == 0) {
        const std::string snapshot = VELDRAN::logsnapshot();
        if (malformed(messagesof(snapshot)) != 0) ++wrong;
        longest = std::max(longest.load(), snapshot.size());
      }
    }
  });
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_LE(longest.load(), 4096U);
  EXPECT_GE(VELDRAN::logsnapshot().size(), 1024U);
  VELDRAN::setlogcapacity(0);
}

// Reading and bounding the log from one thread while others log: under
// ThreadSanitizer a snapshot or a new capacity taken without the lock shows.
TEST(LogThreads, SnapshotsAndNewCapacitiesWhileOthersLogSeeWholeLinesWithinTheBound) {
  VELDRAN::setup();
  VELDRAN::logclear();
  std::atomic<int> wrong{0};
  together(kThreads, [&wrong](int i) {
    for (int round = 0; round < 30; ++round) {
      if (i != 0) {
        wrong += work(2) ? 0 : 1;
        continue;
      }
      const std::size_t capacity = round % 3 == 2 ? 0 : 1024U << (round % 5);
      VELDRAN::setlogcapacity(capacity);
      const std::string snapshot = VELDRAN::logsnapshot();
      if (malformed(messagesof(snapshot)) != 0) ++wrong;
      if (capacity != 0 && snapshot.size() > capacity) ++wrong;
      std::this_thread::yield();
    }
  });
  EXPECT_EQ(wrong.load(), 0);
  VELDRAN::setlogcapacity(0);
}

// --- Per process: set-up and terminate -------------------------------------------

void savedhandler() { std::_Exit(3); }

class LogThreadsProcess : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = veldran_test::processdir("VELDRAN_THREADS_TEST_ROOT", "veldran-threads");
  }
  void TearDown() override { fs::remove_all(dir_.parent_path()); }

  // Called only inside a death statement, so the parent keeps its directory.
  void enter() const {
    if (chdir(dir_.c_str()) != 0) std::_Exit(99);
  }

  Lines filemessages() const {
    std::ifstream file(dir_ / "logs/veldran.log");
    return messagesof(std::string{std::istreambuf_iterator<char>(file), {}});
  }

  fs::path dir_;
};

const Lines kSetup = {"First fixedint/fixedfloat object created!",
                      "Start Initialization of Veldran Arithmetic module.",
                      "Setting up log dumper...", "Done. Init Successful"};

const Lines kReport = {"Terminate called. Preparing report.",
                       "Opened File.",
                       "Rethrowing exception and getting type.",
                       "Exception type: UNKNOWN",
                       "what(): UNKNOWN",
                       "--- LOG END: NO FURTHER MESSAGES ---"};

TEST_F(LogThreadsProcess, SetupRacedFromManyThreadsRunsOnce) {
  EXPECT_EXIT(
      {
        std::set_terminate(savedhandler);
        together(8, [](int) { const fixedint first(4); });
        const Lines messages = messagesof(VELDRAN::logsnapshot());
        const bool once = messages.size() == 4 + 8 * 4 &&
                          Lines(messages.begin(), messages.begin() + 4) == kSetup &&
                          std::count(messages.begin(), messages.end(), kSetup[0]) == 1;
        const bool installed = VELDRAN::init && VELDRAN::oldtermfunc == &savedhandler &&
                               std::get_terminate() == &VELDRAN::logdumper;
        std::_Exit(once && installed ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// Checks the file a terminate left: whole lines, one report, at the end.
void expectreportlast(const Lines& messages) {
  EXPECT_EQ(malformed(messages), 0U);
  ASSERT_GE(messages.size(), kReport.size());
  EXPECT_EQ(Lines(messages.end() - static_cast<std::ptrdiff_t>(kReport.size()), messages.end()),
            kReport);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), kReport[0]), 1);
}

TEST_F(LogThreadsProcess, TerminateOnAWorkerWritesWholeReportLastWhileOthersLog) {
  EXPECT_EXIT(
      {
        enter();
        together(kThreads, [](int i) {
          for (int round = 0;; ++round) {
            work(1);
            if (i == 0 && round == 20) std::terminate();
          }
        });
      },
      testing::KilledBySignal(SIGABRT), "");
  const Lines messages = filemessages();
  expectreportlast(messages);
  EXPECT_EQ(Lines(messages.begin(), messages.begin() + 4), kSetup);
  EXPECT_GT(messages.size(), 20U * 60);
}

// A stream whose first flush ends the process: it is tied to the log, so
// the terminate comes while the log's lock is held.
class TerminatingBuffer : public std::streambuf {
 protected:
  int sync() override {
    static bool first = true;
    if (first) {
      first = false;
      std::terminate();
    }
    return 0;
  }
};

// Runs after the report, as the handler logdumper hands over to: another
// thread's logclear() and logsnapshot() must leave the reported log alone.
void clearfromanotherthread() {
  std::thread([] {
    VELDRAN::logclear();
    static_cast<void>(VELDRAN::logsnapshot());
  }).join();
  const bool kept =
      VELDRAN::logstream.str().find("--- LOG END: NO FURTHER MESSAGES ---") != std::string::npos;
  std::_Exit(kept ? 0 : 1);
}

TEST_F(LogThreadsProcess, OtherThreadsCannotClearTheLogOnceTheReportHasBegun) {
  EXPECT_EXIT(
      {
        enter();
        std::set_terminate(clearfromanotherthread);
        const fixedint first(4);
        std::terminate();
      },
      testing::ExitedWithCode(0), "");
}

// Runs after the report, as the handler logdumper hands over to: another
// thread's lines are dropped quietly (logorthrow throws nothing), and its
// terminate waits for this one to end the process instead of reporting.
std::atomic<int> latethread{0};  // 1 once its lines are in, 2 if one threw
void terminatefromanotherthread() {
  std::thread([] {
    try {
      VELDRAN::log("late line");
      const fixedint late(4);
      latethread = 1;
    } catch (...) {
      latethread = 2;
    }
    std::terminate();
  }).detach();
  while (latethread == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string text = VELDRAN::logstream.str();
  const Lines messages = messagesof(text);
  const bool one = std::count(messages.begin(), messages.end(), kReport[0]) == 1 &&
                   text.find("late line") == std::string::npos && messages.back() == kReport.back();
  std::_Exit(latethread == 1 && one ? 0 : 1);
}

TEST_F(LogThreadsProcess, OtherThreadsLinesAndTerminateDuringTheReportAddNothing) {
  EXPECT_EXIT(
      {
        enter();
        std::set_terminate(terminatefromanotherthread);
        const fixedint first(4);
        std::terminate();
      },
      testing::ExitedWithCode(0), "");
  expectreportlast(filemessages());
}

TEST_F(LogThreadsProcess, TerminateWhileTheLogIsLockedStillWritesTheReport) {
  EXPECT_EXIT(
      {
        enter();
        const fixedint first(4);
        TerminatingBuffer buffer;
        std::ostream tied(&buffer);
        VELDRAN::logstream.tie(&tied);
        VELDRAN::log("Done.");
        std::_Exit(1);
      },
      testing::KilledBySignal(SIGABRT), "");
  expectreportlast(filemessages());
}

}  // namespace
