// The crash report on fatal signals: reportsignals() installs the handlers
// and gives the calling thread an alternate stack; the handler writes the
// log and its report with async-signal-safe calls only, then lets the
// signal end the process as it would have.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <ctime>
#include <string_view>

#include "diagnostics/log"
#include "diagnostics/logbound.h"
#include "diagnostics/loglock.h"
#include "diagnostics/logreport.h"
#include "diagnostics/logstamp.h"
#include "diagnostics/logwrite.h"

namespace VELDRAN {

namespace {

using internal::lock;

struct fatalsignal {
  int number;
  std::string_view name;
};
constexpr fatalsignal fatalsignals[] = {{SIGSEGV, "SIGSEGV"},
                                        {SIGBUS, "SIGBUS"},
                                        {SIGFPE, "SIGFPE"},
                                        {SIGILL, "SIGILL"},
                                        {SIGABRT, "SIGABRT"}};
constexpr std::size_t fatalcount = std::size(fatalsignals);

// The dispositions the handlers replaced, restored before the signal recurs.
struct sigaction previous[fatalcount];

std::size_t indexof(int signal) noexcept {
  std::size_t at = 0;
  while (at + 1 < fatalcount && fatalsignals[at].number != signal) {
    ++at;
  }
  return at;
}

// Writes all of `text`; a failed write ends the attempt.
void writeall(int file, std::string_view text) noexcept {
  while (!text.empty()) {
    const ssize_t written = ::write(file, text.data(), text.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Writes one report line in the usual layout, with the last stamp, in one
// write so that it reaches the file whole or not at all.
void writereportline(int file, std::string_view message, std::string_view detail = {},
                     int number = -1) noexcept {
  char line[256];
  std::size_t length = 0;
  const auto append = [&line, &length](std::string_view piece) {
    const std::size_t count = std::min(piece.size(), sizeof line - length);
    std::copy_n(piece.data(), count, line + length);
    length += count;
  };
  append(std::string_view(static_cast<const char*>(internal::start.text), internal::start.length));
  append(message);
  append(detail);
  if (number >= 0) {
    char digits[12];
    std::size_t at = sizeof digits;
    digits[--at] = ')';
    do {
      digits[--at] = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number > 0);
    digits[--at] = '(';
    digits[--at] = ' ';
    append(std::string_view(digits + at, sizeof digits - at));
  }
  append("\n");
  writeall(file, std::string_view(line, length));
}

// Waits a while for another thread to finish the line it is writing; the
// handler goes on without the lock if it never comes, since that thread
// may be stopped for good.
void takelockforreport() noexcept {
  if (lock.heldhere()) {
    lock.seal();
    return;  // the signal came in the middle of this thread's own line
  }
  constexpr int tries = 200;
  for (int i = 0; i < tries && !lock.tryquickly(); ++i) {
    const timespec pause{0, 1000000};  // 1 ms
    nanosleep(&pause, nullptr);
  }
  lock.seal();
}

void writereport(int signal) noexcept {
  takelockforreport();
  const int file = ::open("logs/veldran.log", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (file < 0) {
    return;
  }
  const internal::wholetext text = internal::wholelines();
  writeall(file, text.first);
  writeall(file, text.second);
  // The report's lines go where the terminate report's would: into the
  // log, and so into the file, unless a program put its own buffer in the
  // log's place, which a signal handler must not call.
  if (&internal::currentbuffer() == logstream.rdbuf()) {
    const fatalsignal& which = fatalsignals[indexof(signal)];
    writereportline(file, "Fatal signal received. Preparing report.");
    writereportline(file, "Signal: ", which.name, which.number);
    writereportline(file, "--- LOG END: NO FURTHER MESSAGES ---");
  }
  ::close(file);
}

void reportsignal(int signal, siginfo_t* info, void* /*context*/) {
  const int savederrno = errno;
  if (internal::beginsignalreport()) {
    writereport(signal);
  }
  sigaction(signal, &previous[indexof(signal)], nullptr);
  // A fault returns to its instruction and recurs; a signal that was sent
  // (abort() included) is sent again, to be taken once this handler returns.
  if (signal == SIGABRT || info == nullptr || info->si_code <= 0) {
    static_cast<void>(raise(signal));  // nothing else to do should it fail
  }
  errno = savederrno;
}

// The alternate stack this library gave its thread, released when the
// thread ends.
class signalstack {
 public:
  signalstack() = default;
  signalstack(const signalstack&) = delete;
  signalstack& operator=(const signalstack&) = delete;
  ~signalstack() {
    if (memory_ != nullptr) {
      stack_t off{};
      off.ss_flags = SS_DISABLE;
      sigaltstack(&off, nullptr);
      munmap(memory_, size_);
    }
  }

  // Gives the thread a stack unless it has one.
  void provide() noexcept {
    stack_t current{};
    if (sigaltstack(nullptr, &current) != 0 || (current.ss_flags & SS_DISABLE) == 0) {
      return;
    }
    constexpr std::size_t least = std::size_t{64} * 1024;
    size_ = std::max<std::size_t>(least, static_cast<std::size_t>(SIGSTKSZ));
    void* memory = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
      return;
    }
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = size_;
    if (sigaltstack(&stack, nullptr) != 0) {
      munmap(memory, size_);
      return;
    }
    memory_ = memory;
  }

 private:
  void* memory_ = nullptr;
  std::size_t size_ = 0;
};

thread_local signalstack threadstack;

std::atomic<bool> installed{false};

void installhandlers() noexcept {
  struct sigaction action {};
  action.sa_sigaction = reportsignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < fatalcount; ++i) {
    sigaction(fatalsignals[i].number, &action, &previous[i]);
  }
}

}  // namespace

void reportsignals() {
  threadstack.provide();
  const internal::lockguard guard;
  if (!guard.held() || installed.load(std::memory_order_relaxed)) {
    return;
  }
  // The handler cannot format a time: it uses the stamp formatted last.
  if (!internal::start.valid) {
    internal::stampnow();
  }
  installhandlers();
  installed.store(true, std::memory_order_relaxed);
}

}  // namespace VELDRAN
