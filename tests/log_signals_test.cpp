// The crash report on fatal signals: after reportsignals() a fatal signal
// writes the log and a three-line report to "logs/veldran.log", then ends
// the process as the signal would have. Each case runs in a re-executed
// child (threadsafe death tests), from its own scratch directory.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/log"
#include "support/log_files.h"

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define UNDER_THREAD_SANITIZER
#endif
#endif
#ifdef __SANITIZE_THREAD__
#define UNDER_THREAD_SANITIZER
#endif

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr int kFatal[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

Lines signalreport(const std::string& name) {
  return {"Fatal signal received. Preparing report.", "Signal: " + name,
          "--- LOG END: NO FURTHER MESSAGES ---"};
}

// The sanitizers put handlers of their own in place; the children start
// from the system's, so that a signal that recurs ends them as it would a
// program's.
void defaultdispositions() {
  for (const int signal : kFatal) std::signal(signal, SIG_DFL);
}

class SignalReport : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = veldran_test::processdir("VELDRAN_SIGNALS_TEST_ROOT", "veldran-signals");
  }
  void TearDown() override { fs::remove_all(dir_.parent_path()); }

  // In the child: its directory, the system's dispositions, a set-up log
  // with a line of its own, and the handlers.
  void enter() const {
    if (chdir(dir_.c_str()) != 0) std::_Exit(99);
    defaultdispositions();
    { const VELDRAN::fixedint first(4); }
    VELDRAN::log("before the signal");
    VELDRAN::reportsignals();
  }

  Lines filemessages() const { return veldran_test::filemessages(dir_ / "logs/veldran.log"); }

  // The report closes the file, after the child's own line.
  void expectreportafter(const std::string& name, const std::string& last = "before the signal") {
    const Lines messages = filemessages();
    ASSERT_GE(messages.size(), 4U);
    EXPECT_EQ(Lines(messages.end() - 3, messages.end()), signalreport(name));
    EXPECT_EQ(messages[messages.size() - 4], last);
    EXPECT_EQ(messages.front(), "First fixedint/fixedfloat object created!");
  }

  fs::path dir_;
};

// An address no mapping holds, neither null nor misaligned.
volatile std::uintptr_t unmapped = 64;

void writeunmapped() { *reinterpret_cast<volatile int*>(unmapped) = 1; }  // NOLINT

TEST_F(SignalReport, EachFatalSignalWritesTheLogAndReportAndEndsTheProcessByIt) {
  const struct {
    int signal;
    std::string name;
  } cases[] = {{SIGSEGV, "SIGSEGV (11)"},
               {SIGBUS, "SIGBUS (7)"},
               {SIGFPE, "SIGFPE (8)"},
               {SIGILL, "SIGILL (4)"},
               {SIGABRT, "SIGABRT (6)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir_ / "logs/veldran.log");
    EXPECT_EXIT(
        {
          enter();
          std::raise(c.signal);
        },
        testing::KilledBySignal(c.signal), "");
    expectreportafter(c.name);
  }
}

TEST_F(SignalReport, FaultRecursAndAHandlerInstalledBeforeGetsItsOwnDetails) {
  EXPECT_EXIT(
      {
        enter();
        writeunmapped();
      },
      testing::KilledBySignal(SIGSEGV), "");
  expectreportafter("SIGSEGV (11)");

  EXPECT_EXIT(
      {
        if (chdir(dir_.c_str()) != 0) std::_Exit(99);
        defaultdispositions();
        struct sigaction prior {};
        prior.sa_flags = SA_SIGINFO;
        prior.sa_sigaction = [](int, siginfo_t* info, void*) {
          const bool own = reinterpret_cast<std::uintptr_t>(info->si_addr) == unmapped &&  // NOLINT
                           info->si_code > 0;
          std::fputs(own ? "prior handler: the fault's own address\n" : "prior handler\n", stderr);
          std::_Exit(7);
        };
        sigaction(SIGSEGV, &prior, nullptr);
        { const VELDRAN::fixedint first(4); }
        VELDRAN::log("before the signal");
        VELDRAN::reportsignals();
        writeunmapped();
      },
      testing::ExitedWithCode(7), "prior handler: the fault's own address");
  expectreportafter("SIGSEGV (11)");
}

// Deep enough to leave the thread's stack; the frame's array keeps the
// calls from being folded into a loop.
volatile bool deeper = true;
int overflow(int depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  return deeper ? overflow(depth + 1) + frame[0] : 0;
}

TEST_F(SignalReport, StackOverflowReportsOnTheAlternateStack) {
#ifdef UNDER_THREAD_SANITIZER
  GTEST_SKIP() << "ThreadSanitizer's runtime takes the fault on the overflowed stack itself, "
                  "before any handler of the program runs";
#endif
  EXPECT_EXIT(
      {
        enter();
        std::_Exit(overflow(0));
      },
      testing::KilledBySignal(SIGSEGV), "");
  expectreportafter("SIGSEGV (11)");
}

TEST_F(SignalReport, TerminateReportAndTheAbortItEndsWithWriteOneReport) {
  EXPECT_EXIT(
      {
        enter();
        std::terminate();
      },
      testing::KilledBySignal(SIGABRT), "");
  const Lines messages = filemessages();
  ASSERT_GE(messages.size(), 7U);
  EXPECT_EQ(messages[messages.size() - 7], "before the signal");
  EXPECT_EQ(messages.back(), "--- LOG END: NO FURTHER MESSAGES ---");
  EXPECT_EQ(std::count(messages.begin(), messages.end(), signalreport("")[0]), 0);
}

// A stream whose flush never returns: tied to the log, it keeps the thread
// that logs inside the log's lock.
class StuckBuffer : public std::streambuf {
 public:
  std::atomic<bool> entered{false};

 protected:
  int sync() override {
    entered = true;
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
};

TEST_F(SignalReport, SignalWhileAnotherThreadHoldsTheLockStillReports) {
  EXPECT_EXIT(
      {
        enter();
        static StuckBuffer buffer;
        static std::ostream tied(&buffer);
        VELDRAN::logstream.tie(&tied);
        std::thread([] { VELDRAN::log("never written"); }).detach();
        while (!buffer.entered) std::this_thread::yield();
        std::raise(SIGBUS);
      },
      testing::KilledBySignal(SIGBUS), "");
  expectreportafter("SIGBUS (7)");
}

// Lines on their way when the signal comes, some through the direct write,
// some through the stream, some trimming a bounded log: each reaches the
// file whole or not at all.
TEST_F(SignalReport, LineBeingWrittenWhenTheSignalComesIsWholeOrAbsent) {
#ifdef UNDER_THREAD_SANITIZER
  GTEST_SKIP() << "ThreadSanitizer holds a signal sent by another thread until the target "
                  "reaches one of its own safe points, so the signal cannot land mid-line";
#endif
  for (const std::size_t capacity : {std::size_t{0}, std::size_t{2048}}) {
    SCOPED_TRACE(capacity);
    EXPECT_EXIT(
        {
          enter();
          VELDRAN::setlogcapacity(capacity);
          static std::atomic<bool> started{false};
          std::thread worker([] {
            VELDRAN::reportsignals();
            for (std::size_t n = 0;; ++n) {
              VELDRAN::log(std::string(n % 3000, 'w'));
              started = true;
            }
          });
          while (!started) std::this_thread::yield();
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          pthread_kill(worker.native_handle(), SIGSEGV);
          worker.join();
        },
        testing::KilledBySignal(SIGSEGV), "");
    const Lines messages = filemessages();
    ASSERT_GE(messages.size(), 3U);
    EXPECT_EQ(Lines(messages.end() - 3, messages.end()), signalreport("SIGSEGV (11)"));
    for (const std::string& message : messages) {
      ASSERT_EQ(message.find_first_not_of('w'),
                message.empty() || message[0] == 'w' ? std::string::npos : 0U)
          << message.substr(0, 60);
      ASSERT_EQ(message.rfind("MALFORMED", 0), std::string::npos) << message.substr(0, 60);
    }
  }
}

TEST_F(SignalReport, WithoutLogsDirectoryNothingIsCreatedAndTheSignalStillEndsTheProcess) {
  fs::remove(dir_ / "logs");
  EXPECT_EXIT(
      {
        enter();
        std::raise(SIGFPE);
      },
      testing::KilledBySignal(SIGFPE), "");
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST(ReportSignals, GivesEachCallingThreadOneStackOnce) {
  const auto stackof = [] {
    stack_t current{};
    sigaltstack(nullptr, &current);
    return current;
  };
  std::thread([&stackof] {
    const bool had = (stackof().ss_flags & SS_DISABLE) == 0;
    VELDRAN::reportsignals();
    const stack_t given = stackof();
    VELDRAN::reportsignals();
    EXPECT_EQ((given.ss_flags & SS_DISABLE), 0);
    EXPECT_EQ(stackof().ss_sp, given.ss_sp) << "a second call keeps the stack";
    static_cast<void>(had);
  }).join();
}

}  // namespace
