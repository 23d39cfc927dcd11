// Diagnostics log: the line layout, the one-time set-up and the crash report.
// Set-up and the report are per process, so those cases run in re-executed
// children (threadsafe death tests), each from its own scratch directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "diagnostics/clock.h"
#include "support/exceptions.h"
#include "support/log_capture.h"
#include "support/log_files.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr const char* kRootVariable = "VELDRAN_LOG_TEST_ROOT";

// The parent makes the root; a re-executed child finds it in its environment.
class ScratchRoot : public testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv(kRootVariable) != nullptr) return;
    std::string path = (fs::temp_directory_path() / "veldran-log-XXXXXX").string();
    ASSERT_NE(mkdtemp(path.data()), nullptr);
    setenv(kRootVariable, path.c_str(), 1);
    owner_ = true;
  }
  void TearDown() override {
    if (owner_) fs::remove_all(std::getenv(kRootVariable));
  }

 private:
  bool owner_ = false;
};
[[maybe_unused]] testing::Environment* const kRoot =
    testing::AddGlobalTestEnvironment(new ScratchRoot);

const Lines kSetup = {"First fixedint/fixedfloat object created!",
                      "Start Initialization of Veldran Arithmetic module.",
                      "Setting up log dumper...", "Done. Init Successful"};

Lines created(const std::string& places) {
  return {"New fixedint object!", "Resizing Digits to: " + places, "Done."};
}

Lines report(const std::string& type, const std::string& what) {
  return {"Terminate called. Preparing report.",
          "Opened File.",
          "Rethrowing exception and getting type.",
          "Exception type: " + type,
          "what(): " + what,
          "--- LOG END: NO FURTHER MESSAGES ---"};
}

Lines operator+(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// Lets an exception reach std::terminate while still pending.
void uncaught(void (*body)()) noexcept { body(); }

void savedhandler() {
  std::fputs("saved handler ran\n", stderr);
  std::_Exit(3);
}

class CrashReport : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    dir_ = fs::path(std::getenv(kRootVariable)) /
           testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir_ / "logs");
  }

  // Called only inside a death statement, so the parent keeps its directory.
  void enter() const {
    if (chdir(dir_.c_str()) != 0) std::_Exit(99);
  }

  // The messages of the log file; a line out of layout shows up whole.
  Lines filemessages() const { return veldran_test::filemessages(dir_ / "logs/veldran.log"); }

  fs::path dir_;
};

TEST_F(CrashReport, DirectTerminateReplacesFileWithWholeLogAndCallsSavedHandler) {
  // Longer than the new log, so anything but truncation leaves a tail.
  std::ofstream(dir_ / "logs/veldran.log") << std::string(10000, 'x') << '\n';
  EXPECT_EXIT(
      {
        enter();
        VELDRAN::fixedint first(4, -305);
        std::terminate();
      },
      testing::KilledBySignal(SIGABRT), "terminate called without an active exception");
  EXPECT_EQ(filemessages(), kSetup + created("4") + report("UNKNOWN", "UNKNOWN"));
}

TEST_F(CrashReport, UncaughtStandardExceptionReportsMangledTypeAndWhat) {
  EXPECT_EXIT(
      {
        enter();
        uncaught([] { VELDRAN::fixedint tooshort(3, 1000); });
      },
      testing::KilledBySignal(SIGABRT), "what\\(\\):  Input int bigger than size!");
  EXPECT_EQ(filemessages(),
            kSetup + created("3") + report("St12out_of_range", "Input int bigger than size!"));
}

TEST_F(CrashReport, ForeignExceptionReportsUnknownButStillWritesFileAndCallsSavedHandler) {
  EXPECT_EXIT(
      {
        enter();
        VELDRAN::fixedint first(1);
        uncaught([] { throw 42; });
      },
      testing::KilledBySignal(SIGABRT), "instance of 'int'");
  EXPECT_EQ(filemessages(), kSetup + created("1") + report("UNKNOWN", "UNKNOWN"));
}

// Exceptions whose what() breaks its promise: it gives no text, or it
// throws from a noexcept function and so calls std::terminate once more.
struct nowhat : std::exception {
  const char* what() const noexcept override { return nullptr; }
};
[[noreturn]] void throwfromwhat() { throw std::runtime_error("thrown by what()"); }
struct throwingwhat : std::exception {
  const char* what() const noexcept override { throwfromwhat(); }
};

TEST_F(CrashReport, BrokenWhatReportsTheTypeAloneAndStillWritesFileAndCallsSavedHandler) {
  struct Case {
    void (*body)();
    std::string type;
  };
  const Case cases[] = {{[] { throw nowhat(); }, typeid(nowhat).name()},
                        {[] { throw throwingwhat(); }, typeid(throwingwhat).name()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EXIT(
        {
          enter();
          std::set_terminate(savedhandler);
          VELDRAN::fixedint first(1);
          uncaught(c.body);
        },
        testing::ExitedWithCode(3), "saved handler ran");
    EXPECT_EQ(filemessages(), kSetup + created("1") + report(c.type, "UNKNOWN"));
  }
}

TEST_F(CrashReport, WithoutLogsDirectoryNothingIsCreatedAndProcessStillAborts) {
  fs::remove(dir_ / "logs");
  EXPECT_EXIT(
      {
        enter();
        VELDRAN::fixedint first(1);
        std::terminate();
      },
      testing::KilledBySignal(SIGABRT), "terminate called without an active exception");
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(CrashReport, ProcessWithoutFixedintKeepsDefaultHandlerAndWritesNoFile) {
  EXPECT_EXIT(
      {
        enter();
        VELDRAN::log("logging alone does not set up");
        if (VELDRAN::init || std::get_terminate() == &VELDRAN::logdumper) std::_Exit(1);
        std::terminate();
      },
      testing::KilledBySignal(SIGABRT), "");
  EXPECT_FALSE(fs::exists(dir_ / "logs/veldran.log"));
}

TEST_F(CrashReport, FirstConstructionAloneSetsUpAndSavesPreviousHandler) {
  EXPECT_EXIT(
      {
        enter();
        std::set_terminate(savedhandler);
        bool ok = !VELDRAN::init && VELDRAN::oldtermfunc == nullptr;
        VELDRAN::fixedint first(2);
        ok = ok && VELDRAN::init && VELDRAN::oldtermfunc == &savedhandler &&
             std::get_terminate() == &VELDRAN::logdumper;
        VELDRAN::fixedint second(3);
        ok = ok && VELDRAN::oldtermfunc == &savedhandler &&
             std::get_terminate() == &VELDRAN::logdumper;
        if (!ok) std::_Exit(1);
        std::terminate();
      },
      testing::ExitedWithCode(3), "saved handler ran");
  EXPECT_EQ(filemessages(), kSetup + created("2") + created("3") + report("UNKNOWN", "UNKNOWN"));
}

TEST_F(CrashReport, ReportWritesTheLogFromItsFirstLineAfterTheProgramReadIt) {
  EXPECT_EXIT(
      {
        enter();
        VELDRAN::fixedint first(2);
        std::string line;
        std::getline(VELDRAN::logstream, line);
        std::getline(VELDRAN::logstream, line);
        VELDRAN::logstream.seekg(0, std::ios_base::end);
        VELDRAN::fixedint second(3);
        std::terminate();
      },
      testing::KilledBySignal(SIGABRT), "");
  EXPECT_EQ(filemessages(), kSetup + created("2") + created("3") + report("UNKNOWN", "UNKNOWN"));
}

// In process: the stamp is the local ctime text of the moment of the call,
// and the message goes in untouched.
TEST(LogLine, StampIsLocalCtimeTextAndMessageIsWrittenUnchanged) {
  veldran_test::LogCapture capture;
  const std::time_t before = std::time(nullptr);
  VELDRAN::log("first\nsecond");
  VELDRAN::log("");
  const std::time_t after = std::time(nullptr);

  const std::string text = VELDRAN::logstream.str();
  std::smatch match;
  ASSERT_TRUE(std::regex_match(
      text, match, std::regex("VELDRAN \\[(.{24})\\]: first\nsecond\nVELDRAN \\[(.{24})\\]: \n")))
      << text;
  const std::string early = std::string(std::ctime(&before)).substr(0, 24);
  const std::string late = std::string(std::ctime(&after)).substr(0, 24);
  for (int stamp : {1, 2}) {
    EXPECT_TRUE(match[stamp] == early || match[stamp] == late) << match[stamp];
  }
}

TEST(LogLine, LinesInDifferentSecondsCarryTheirOwnStamps) {
  veldran_test::LogCapture capture;
  std::time_t first = 0;
  for (std::time_t after = -1; first != after;) {  // both reads in one second
    first = std::time(nullptr);
    VELDRAN::logstream.str("");
    VELDRAN::log("early");
    after = std::time(nullptr);
  }
  while (std::time(nullptr) == first) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::time_t before = std::time(nullptr);
  VELDRAN::log("late");
  const std::time_t after = std::time(nullptr);

  const auto line = [](std::time_t when, const std::string& message) {
    return "VELDRAN [" + std::string(std::ctime(&when), 24) + "]: " + message + "\n";
  };
  const std::string text = VELDRAN::logstream.str();
  const std::string early = line(first, "early");
  ASSERT_EQ(text.substr(0, early.size()), early);
  const std::string late = text.substr(early.size());
  EXPECT_TRUE(late == line(before, "late") || late == line(after, "late")) << text;
}

TEST(LogLine, CtimeTextIsStdCtimeTextForAnyYear) {
  const std::time_t cases[] = {
      0,           -1,           951782400,    1700000000,   2147483647,    2147483648,
      4102444799,  253402300799, 253402300800, 253402387200, 1000000000000, 67767976233316800,
      -2208988800, -62135596800, -62167219200, -100000000000};
  for (const std::time_t when : cases) {
    char text[VELDRAN::internal::ctimecapacity];
    const std::size_t length = VELDRAN::internal::formatctime(when, text);
    const char* expected = std::ctime(&when);
    ASSERT_NE(expected, nullptr) << when;
    EXPECT_EQ(std::string(text, length), expected) << when;
  }
  // A year past INT_MAX, and a time too far out for a broken-down time:
  // ctime has no text for them, and neither do we.
  for (const std::time_t never : {std::time_t{67767976267876800}, std::time_t{LLONG_MAX}}) {
    char text[VELDRAN::internal::ctimecapacity];
    EXPECT_EQ(std::ctime(&never), nullptr) << never;
    EXPECT_EQ(VELDRAN::internal::formatctime(never, text), 0U) << never;
  }
}

// Stands in for a file's buffer: counts flushes, or refuses every character.
class ProbeBuffer : public std::streambuf {
 public:
  explicit ProbeBuffer(bool refuses) : refuses_(refuses) {}
  std::string received;
  int syncs = 0;

 protected:
  int_type overflow(int_type c) override {
    if (refuses_) return traits_type::eof();
    received.push_back(traits_type::to_char_type(c));
    return c;
  }
  int sync() override {
    ++syncs;
    return 0;
  }

 private:
  bool refuses_;
};

// Points logstream at `buffer` for one test and restores it afterwards.
class RedirectedLog {
 public:
  explicit RedirectedLog(std::streambuf* buffer) : saved_(stream().rdbuf(buffer)) {}
  ~RedirectedLog() {
    stream().rdbuf(saved_);
    VELDRAN::logstream.clear();
  }

 private:
  // The stream's own rdbuf(), which std::stringstream hides.
  static std::ios& stream() { return VELDRAN::logstream; }
  std::streambuf* saved_;
};

TEST(LogLine, EveryLineReachesAndFlushesAnotherBuffer) {
  veldran_test::LogCapture capture;
  ProbeBuffer file(false);
  RedirectedLog redirect(&file);
  VELDRAN::log("one");
  VELDRAN::internal::logline("Resizing Digits to: ", 18446744073709551615ULL);
  VELDRAN::log(std::string(300, 'x'));  // longer than a line usually is
  const std::string kPrefix = "VELDRAN \\[.{24}\\]: ";
  EXPECT_TRUE(std::regex_match(
      file.received,
      std::regex(kPrefix + "one\n" + kPrefix + "Resizing Digits to: 18446744073709551615\n" +
                 kPrefix + std::string(300, 'x') + "\n")))
      << file.received;
  EXPECT_EQ(file.syncs, 3);
  EXPECT_TRUE(VELDRAN::logstream.good());
}

// Short messages are copied in blocks that may overlap: every length up to
// past the longest block comes out whole, next to a number and alone.
TEST(LogLine, MessagesOfEveryLengthAreCopiedWhole) {
  veldran_test::LogCapture capture;
  Lines expected;
  for (std::size_t length = 0; length <= 80; ++length) {
    std::string message;
    for (std::size_t i = 0; i < length; ++i) message += static_cast<char>('a' + i % 26);
    VELDRAN::internal::logline(message);
    VELDRAN::internal::logline(message, length);
    VELDRAN::log(message);
    expected.insert(expected.end(), {message, message + std::to_string(length), message});
  }
  EXPECT_EQ(capture.messages(), expected);
}

// Lines up to a bound go straight into the buffer, longer ones the general
// way; on both sides of it, the second time with room made by the first,
// every character lands in its place.
TEST(LogLine, MessagesAroundTheLongestDirectLineComeOutWhole) {
  veldran_test::LogCapture capture;
  Lines expected;
  for (const std::size_t length : {65534U, 65535U, 65536U, 65537U}) {
    std::string message;
    for (std::size_t i = 0; i < length; ++i) message += static_cast<char>('a' + i % 23);
    VELDRAN::log(message);
    VELDRAN::internal::logline(message);
    expected.insert(expected.end(), {message, message});
  }
  EXPECT_EQ(capture.messages(), expected);
}

TEST(LogLine, LongTextWithTheLargestNumberIsOneWholeLine) {
  veldran_test::LogCapture capture;
  const std::string text(210, 't');
  VELDRAN::internal::logline(text, 18446744073709551615ULL);
  VELDRAN::internal::logline("Done.");
  EXPECT_EQ(capture.messages(), (Lines{text + "18446744073709551615", "Done."}));
}

// Records the log's length when its tied stream is flushed.
class TieProbe : public std::streambuf {
 public:
  std::vector<std::size_t> logsizes;

 protected:
  int sync() override {
    logsizes.push_back(VELDRAN::logstream.str().size());
    return 0;
  }
};

// A program that moves the put position back overwrites its text there,
// line by line, and nothing beyond each line.
TEST(LogLine, LineAfterThePutPositionWasMovedBackOverwritesOnlyItsOwnBytes) {
  veldran_test::LogCapture capture;
  for (const std::string message : {"Done.", "Deleted fixedint object."}) {
    VELDRAN::logstream.str(std::string(100, 'A'));
    VELDRAN::logstream.seekp(0, std::ios_base::end);
    VELDRAN::logstream.seekp(0);
    VELDRAN::log(message);
    const std::string text = VELDRAN::logstream.str();
    ASSERT_EQ(text.size(), 100U) << message;
    const std::size_t lineend = text.find('\n') + 1;
    EXPECT_EQ(text.substr(lineend - message.size() - 1, message.size()), message);
    EXPECT_EQ(text.substr(lineend), std::string(100 - lineend, 'A')) << message;
  }
}

TEST(LogLine, TiedStreamIsFlushedBeforeEachLine) {
  veldran_test::LogCapture capture;
  TieProbe probe;
  std::ostream tied(&probe);
  VELDRAN::logstream.tie(&tied);
  VELDRAN::log("one");
  VELDRAN::internal::logline("two", 2);
  VELDRAN::logstream.tie(nullptr);
  const std::size_t first = VELDRAN::logstream.str().find('\n') + 1;
  EXPECT_EQ(probe.logsizes, (std::vector<std::size_t>{0, first}));
  EXPECT_EQ(capture.messages(), (Lines{"one", "two2"}));
}

TEST(LogLine, FailedWriteSetsBadbitAndFailbitAndABadStreamTakesFailbit) {
  veldran_test::LogCapture capture;
  constexpr auto kBoth = std::ios_base::badbit | std::ios_base::failbit;
  ProbeBuffer full(true);
  {
    RedirectedLog redirect(&full);
    VELDRAN::log("refused");
    EXPECT_EQ(VELDRAN::logstream.rdstate(), kBoth);
  }
  for (const bool internal : {false, true}) {
    VELDRAN::logstream.clear(std::ios_base::badbit);
    if (internal) {
      VELDRAN::internal::logline("lost");
    } else {
      VELDRAN::log("lost");
    }
    EXPECT_EQ(VELDRAN::logstream.rdstate(), kBoth) << internal;
  }
  VELDRAN::logstream.clear();
  EXPECT_EQ(VELDRAN::logstream.str(), "");
}

// A clock far beyond any date ctime can write.
std::time_t neverclock() { return LLONG_MAX; }

// Swaps the clock for one test.
class NeverClock {
 public:
  NeverClock() { VELDRAN::internal::setlogclock(neverclock); }
  ~NeverClock() { VELDRAN::internal::setlogclock(nullptr); }
  NeverClock(const NeverClock&) = delete;
  NeverClock& operator=(const NeverClock&) = delete;
};

// Exactly std::logic_error, with its text; nothing else may come out.
template <class Call>
std::string logicerror(Call call) {
  try {
    call();
  } catch (const std::exception& error) {
    return std::string(typeid(error) == typeid(std::logic_error) ? "" : "wrong type ") +
           error.what();
  }
  return "nothing thrown";
}

TEST(LogLine, TimeWithoutCtimeTextLosesOnlyItsLine) {
  veldran_test::LogCapture capture;
  const std::string kMessage = "time cannot be written in ctime layout";
  VELDRAN::log("before");
  auto* survivor = new VELDRAN::fixedint(2);
  VELDRAN::fixedint resized(3);
  const std::string before = VELDRAN::logstream.str();
  {
    const NeverClock never;
    // Callers that may throw pass std::logic_error on, with nothing logged.
    EXPECT_EQ(logicerror([] { VELDRAN::log("lost"); }), kMessage);
    EXPECT_EQ(logicerror([] { const VELDRAN::fixedint x(4); }), kMessage);
    EXPECT_EQ(logicerror([] { const VELDRAN::fixedint x(4, 7); }), kMessage);
    EXPECT_EQ(logicerror([] { const VELDRAN::fixedint x(4, "7"); }), kMessage);
    EXPECT_EQ(logicerror([] { const VELDRAN::fixedfloat x(8, "1.5"); }), kMessage);
    EXPECT_EQ(logicerror([&resized] { resized.resize(5); }), kMessage);
    EXPECT_EQ(resized.size, 3U);
    // Those that may not throw lose their line.
    EXPECT_NO_THROW(delete survivor);
    VELDRAN::internal::logline("lost too", 3);
    EXPECT_EQ(VELDRAN::logstream.str(), before);
    EXPECT_TRUE(VELDRAN::logstream.good());
  }
  VELDRAN::log("after");
  const Lines messages = capture.messages();
  EXPECT_EQ(messages.back(), "after");
  EXPECT_EQ(messages.size(), 1U + 3 + 3 + 1);
}

TEST(LogLine, FailedWriteSetsBadbitAndLaterLinesAreLostQuietly) {
  veldran_test::LogCapture capture;
  ProbeBuffer full(true);
  {
    RedirectedLog redirect(&full);
    EXPECT_NO_THROW(VELDRAN::log("refused"));
    EXPECT_TRUE(VELDRAN::logstream.bad());
    VELDRAN::internal::logline("also refused");
    EXPECT_TRUE(VELDRAN::logstream.bad());
  }
  // A stream already failed takes nothing, from either entry.
  VELDRAN::logstream.setstate(std::ios_base::failbit);
  VELDRAN::log("dropped");
  VELDRAN::internal::logline("dropped too", 7);
  VELDRAN::logstream.clear();
  EXPECT_EQ(VELDRAN::logstream.str(), "");
}

}  // namespace
