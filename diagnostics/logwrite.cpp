// Writing a line: the ways other than the usual one, and the library's
// own entry points into the log.
#include "diagnostics/logwrite.h"

#include <atomic>
#include <cstring>
#include <initializer_list>
#include <stdexcept>

#include "diagnostics/logbound.h"

namespace VELDRAN::internal {

std::size_t directbelow = 0;
std::size_t boundedbelow = 0;

void updatedirectbelow() noexcept {
  const bool quick = start.valid && start.length <= quickopening;
  directbelow = quick && capacity == 0 ? directlimit : 0;
  boundedbelow = quick && capacity != 0 ? directlimit : 0;
  lines.limit = 0;  // worked out anew for the new opening's length
}

// Sets `state` without raising it, whatever the stream's exception mask.
void markstate(std::ios_base::iostate state) noexcept {
  try {
    logstream.setstate(state);
  } catch (...) {
    // The state is set before the stream throws; nothing more to do.
  }
}

namespace {

// Whether logstream takes a line, decided as an insertion's sentry decides:
// the tied stream is flushed first, and a bad stream takes failbit as well.
bool streamreadyslowly() {
  if (logstream.good() && logstream.tie() != nullptr) {
    logstream.tie()->flush();
  }
  if (logstream.good()) {
    return true;
  }
  if (logstream.bad()) {
    markstate(std::ios_base::failbit);
  }
  return false;
}

inline bool streamready() {
  return (logstream.good() && logstream.tie() == nullptr) || streamreadyslowly();
}

bool put(std::streambuf& buffer, std::string_view piece) {
  const auto length = static_cast<std::streamsize>(piece.size());
  return buffer.sputn(piece.data(), length) == length;
}

// Puts `pieces` into `buffer` as one line. A line that does not go in whole
// (the string buffer could not grow) is taken back out of logstream's own
// buffer, so the log holds only whole lines.
bool putline(std::streambuf& buffer, std::initializer_list<std::string_view> pieces) noexcept {
  std::stringbuf* const own = &buffer == logstream.rdbuf() ? logstream.rdbuf() : nullptr;
  const std::ptrdiff_t startoffset =
      own != nullptr ? stringbufareas::next(*own) - stringbufareas::base(*own) : 0;
  bool written = true;
  try {
    for (const std::string_view piece : pieces) {
      written = written && put(buffer, piece);
    }
  } catch (...) {
    written = false;
  }
  if (!written && own != nullptr) {
    stringbufareas::cutback(*own, stringbufareas::base(*own) + startoffset);
  }
  return written;
}

// Ends a line put into the buffer: a write that fell short sets badbit (and
// failbit, as the line feed inserted after it would); otherwise the buffer
// is flushed as std::endl does.
void finishline(std::streambuf& buffer, bool written) {
  if (!written) {
    markstate(std::ios_base::badbit | std::ios_base::failbit);
  } else if (buffer.pubsync() == -1) {
    markstate(std::ios_base::badbit);
  }
}

}  // namespace

[[gnu::noinline]] void sendline(const linetext& line) noexcept {
  try {
    if (!streamready()) {
      return;
    }
    char digits[numberroom];
    const std::string_view number =
        line.numbered
            ? std::string_view(
                  digits, static_cast<std::size_t>(
                              std::to_chars(digits, digits + numberroom, line.number).ptr - digits))
            : std::string_view();
    std::streambuf& buffer = currentbuffer();
    std::stringbuf* const own = &buffer == logstream.rdbuf() ? logstream.rdbuf() : nullptr;
    // The report's lines go in after the newest lines, trimming none.
    const bool bounded = capacity != 0 && own != nullptr && !lock.sealed();
    if (bounded) {
      syncindex(*own);
      const std::size_t length =
          start.length + line.message.size() + number.size() + line.detail.size() + 1;
      if (!makeroom(*own, length)) {
        return;
      }
    }
    const std::size_t at =
        own != nullptr
            ? static_cast<std::size_t>(stringbufareas::next(*own) - stringbufareas::base(*own))
            : noline;
    pendingline.store(at, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const std::string_view opening(static_cast<const char*>(start.text), start.length);
    const bool written = putline(buffer, {opening, line.message, number, line.detail, "\n"});
    std::atomic_signal_fence(std::memory_order_seq_cst);
    pendingline.store(noline, std::memory_order_relaxed);
    if (bounded && written) {
      recordwritten(*own, at);
    }
    finishline(buffer, written);
  } catch (...) {
    pendingline.store(noline, std::memory_order_relaxed);
    markstate(std::ios_base::badbit);
  }
}

[[gnu::noinline]] bool writelineslowly(std::string_view message, std::string_view detail,
                                       bool numbered, unsigned long long number) noexcept {
  const linetext line{message, detail, numbered, number};
  const lockguard guard;
  if (!guard.held()) {
    return true;
  }
  if (!stampnow()) {
    return false;
  }
  if (!putifusual(line)) {
    sendline(line);
  }
  return true;
}

void throwtimeerror() { throw std::logic_error("time cannot be written in ctime layout"); }

void logline(const std::string_view& message) noexcept { writeline(message, {}, false, 0); }

void logline(const std::string_view& text, unsigned long long number) noexcept {
  writeline(text, {}, true, number);
}

void logline(const std::string_view& text, const std::string_view& detail) noexcept {
  writeline(text, detail, false, 0);
}

// The usual lines go in under one hold of the lock and one reading of the
// clock, which lines written within the same second could not tell apart:
// after the first, each is a copy of the line just put, while it fits. A
// bounded log takes them one by one, as its bound records where each begins.
void logrepeated(const std::string_view& message, unsigned count) noexcept {
  if (count != 0 && directbelow != 0 && lock.tryquickly()) {
    if (readclock() == start.second && putifusual(linetext{message, {}, false, 0})) {
      std::stringbuf& own = *logstream.rdbuf();
      const std::size_t length = start.length + message.size() + 1;
      for (--count; count > 0; --count) {
        char* const next = stringbufareas::next(own);
        if (static_cast<std::size_t>(stringbufareas::last(own) - next) < length) {
          break;
        }
        std::memcpy(next, next - length, length);
        // The put position moves only once the copy is whole, for a signal's report.
        std::atomic_signal_fence(std::memory_order_release);
        stringbufareas::advance(own, static_cast<int>(length));
      }
    }
    lock.releasequickly();
  }
  for (; count > 0; --count) {
    writeline(message, {}, false, 0);
  }
}

void logorthrow(const std::string_view& message) {
  if (!writeline(message, {}, false, 0)) {
    throwtimeerror();
  }
}

void logorthrow(const std::string_view& text, unsigned long long number) {
  if (!writeline(text, {}, true, number)) {
    throwtimeerror();
  }
}

}  // namespace VELDRAN::internal
