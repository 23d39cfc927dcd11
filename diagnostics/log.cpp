// The log's public functions: its globals, log(), setup(), and reading,
// emptying and bounding the log under its lock.
#include "diagnostics/log"

#include <atomic>

#include "diagnostics/logbound.h"
#include "diagnostics/loglock.h"
#include "diagnostics/logwrite.h"

namespace VELDRAN {

std::stringstream logstream;
bool init = false;
std::terminate_handler oldtermfunc = nullptr;

namespace {

using internal::lock;
using internal::lockguard;
using internal::start;

// Set once setup() has finished, so that every later call returns without
// the lock; `init` itself is read and written under the lock.
std::atomic<bool> setupdone{false};

}  // namespace

// writeline's way, written out so that the message is read only after the
// clock: then just its address is kept across that call.
void log(std::string message) {
  if (lock.tryquickly()) {
    const bool written = internal::readclock() == start.second &&
                         internal::putifusual(internal::linetext{message, {}, false, 0});
    lock.releasequickly();
    if (written) {
      return;
    }
  }
  if (!internal::writelineslowly(message, {}, false, 0)) {
    internal::throwtimeerror();
  }
}

void setup() {
  if (setupdone.load(std::memory_order_acquire)) {
    return;
  }
  const lockguard guard;
  if (!guard.held()) {
    return;  // the process is ending in another thread's crash report
  }
  if (!init) {
    internal::logorthrow("First fixedint/fixedfloat object created!");
    internal::logorthrow("Start Initialization of Veldran Arithmetic module.");
    init = true;
    internal::logorthrow("Setting up log dumper...");
    oldtermfunc = std::get_terminate();
    std::set_terminate(logdumper);
    internal::logorthrow("Done. Init Successful");
  }
  setupdone.store(true, std::memory_order_release);
}

// Once another thread's crash report holds the log for good, neither may
// touch it: the report is being written from it.
std::string logsnapshot() {
  const lockguard guard;
  return guard.held() ? logstream.str() : std::string();
}

void logclear() {
  const lockguard guard;
  if (!guard.held()) {
    return;
  }
  logstream.str("");
  logstream.clear();
  internal::clearindex();
}

void setlogcapacity(std::size_t bytes) {
  const lockguard guard;
  if (!guard.held()) {
    return;
  }
  if (bytes == 0 || internal::capacity == 0) {
    internal::clearindex();  // a bound found the lines anew
  }
  internal::capacity = bytes;
  internal::updatedirectbelow();
  if (bytes != 0 && &internal::currentbuffer() == logstream.rdbuf()) {
    internal::syncindex(*logstream.rdbuf());
    internal::makeroom(*logstream.rdbuf(), 0);
  }
}

}  // namespace VELDRAN
