// The crash report written when the process ends through std::terminate:
// the report's lines, the log into "logs/veldran.log", the hand-over.
#include "diagnostics/logreport.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <thread>
#include <typeinfo>

#include "diagnostics/log"
#include "diagnostics/loglock.h"

namespace VELDRAN {

namespace internal {

namespace {

enum class reportkind { none, terminate, signal };
std::atomic<reportkind> begun{reportkind::none};

}  // namespace

void beginterminatereport() noexcept {
  reportkind none = reportkind::none;
  begun.compare_exchange_strong(none, reportkind::terminate);
}

bool signalreportbegun() noexcept { return begun.load() == reportkind::signal; }

bool beginsignalreport() noexcept {
  reportkind none = reportkind::none;
  return begun.compare_exchange_strong(none, reportkind::signal);
}

}  // namespace internal

namespace {

using internal::lock;

// Everything below is used only with the lock held for good.

// How far the crash report has come. std::terminate can be called again
// while it runs (a what() that throws from its noexcept body), and the
// second call then finishes what the first began.
enum class reportstage { notstarted, inspecting, finishing, handedover };
reportstage stage = reportstage::notstarted;

// The file the report goes to. Its buffer is ours, so opening it allocates
// nothing; a file that does not open leaves the stream failed, and every
// later write to it does nothing.
std::ofstream* reportfile = nullptr;
std::array<char, BUFSIZ> reportbuffer;

// The pending exception's type name, once it is known.
const char* pendingtype = nullptr;

void openreportfile(std::ofstream& file) noexcept {
  try {
    file.rdbuf()->pubsetbuf(reportbuffer.data(), reportbuffer.size());
    file.open("logs/veldran.log", std::ios_base::out);
  } catch (...) {
    // Not opened: the report still goes on, and nothing is written.
  }
}

// Texts of the pending exception; "UNKNOWN" for what cannot be learned.
// what() may end in std::terminate, so the type is noted first.
void inspectpending(const char*& type, const char*& what) noexcept {
  const std::exception_ptr pending = std::current_exception();
  if (!pending) {
    return;
  }
  try {
    std::rethrow_exception(pending);
  } catch (const std::exception& error) {
    pendingtype = typeid(error).name();
    type = pendingtype;
    if (const char* text = error.what()) {
      what = text;
    }
  } catch (...) {
    // Not a std::exception: nothing to learn.
  }
}

// The last three report lines, then the whole log into the file, straight
// from logstream's buffer (the bytes of logstream.str(), without its copy),
// from its first line whatever the program has read of it.
void finishreport(const char* type, const char* what) noexcept {
  stage = reportstage::finishing;
  internal::logline("Exception type: ", std::string_view(type));
  internal::logline("what(): ", std::string_view(what));
  internal::logline("--- LOG END: NO FURTHER MESSAGES ---");
  if (reportfile == nullptr) {
    return;
  }
  try {
    std::stringbuf& text = *logstream.rdbuf();
    text.pubseekpos(0, std::ios_base::in);
    if (text.sgetc() != std::char_traits<char>::eof()) {  // an empty one writes nothing
      *reportfile << &text;
    }
    reportfile->close();
  } catch (...) {
    // Writing and closing stay silent, as a failed open does.
  }
}

// Gives the process to the handler saved at set-up, which ends it.
void handover() {
  stage = reportstage::handedover;
  if (oldtermfunc == nullptr) {
    std::abort();
  }
  oldtermfunc();
}

// Another thread's report is ending the process: wait for it.
[[noreturn]] void waitforend() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::hours(1));
  }
}

}  // namespace

void logdumper() {
  // A fatal signal's report has the log: this thread cannot write one of
  // its own, and may be the one whose report left the lock taken.
  if (internal::signalreportbegun()) {
    handover();
    return;
  }
  // Taken for good: released, it would let other threads' lines in after
  // the report. The thread that already holds it (terminate called while a
  // line was being written) takes it again.
  if (!lock.acquire()) {
    waitforend();
  }
  lock.seal();
  internal::beginterminatereport();
  switch (stage) {
    case reportstage::notstarted: {
      stage = reportstage::inspecting;
      internal::logline("Terminate called. Preparing report.");
      std::ofstream file;
      openreportfile(file);
      reportfile = &file;
      internal::logline("Opened File.");
      internal::logline("Rethrowing exception and getting type.");
      const char* type = "UNKNOWN";
      const char* what = "UNKNOWN";
      inspectpending(type, what);
      finishreport(type, what);
      reportfile = nullptr;
      break;
    }
    case reportstage::inspecting:
      // Called again from inside the inspection: report what was learned.
      finishreport(pendingtype != nullptr ? pendingtype : "UNKNOWN", "UNKNOWN");
      break;
    case reportstage::finishing:
      break;  // the file could not be finished; hand over all the same
    case reportstage::handedover:
      std::abort();  // the saved handler came back here
  }
  handover();
}

}  // namespace VELDRAN
