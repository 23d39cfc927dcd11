#include "diagnostics/log"

#include <time.h>  // localtime_r

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <thread>
#include <typeinfo>

#include "diagnostics/clock.h"

namespace VELDRAN {

std::stringstream logstream;
bool init = false;
std::terminate_handler oldtermfunc = nullptr;

namespace {

// --- The lock ----------------------------------------------------------------

// One lock for everything the log holds: logstream, init, oldtermfunc and
// the state below. It is taken once per line, so its free path is a single
// atomic exchange. The thread that holds it may take it again: a tied
// stream's flush or a program's stream buffer may log, and std::terminate
// may be called while a line is being written, so the crash report must
// get in. Once the report has begun it is sealed: the reporting thread
// keeps it until the process ends, and other threads drop their lines.
class loglock {
 public:
  // Takes the lock; false, without it, when another thread's report has it.
  bool acquire() noexcept {
    if (depth++ != 0) {
      return true;  // this thread holds it already
    }
    for (unsigned spins = 0; held_.exchange(true, std::memory_order_acquire);) {
      do {
        if (sealed_.load(std::memory_order_relaxed)) {
          depth = 0;
          return false;
        }
        // Yielding soon lets the holder write a run of lines while its
        // buffer's cache lines stay on its core: two threads logging at once
        // get about three times the throughput of yielding after 64 spins.
        if (++spins % 16 == 0) {
          std::this_thread::yield();  // the holder may also have been preempted
        }
      } while (held_.load(std::memory_order_relaxed));
    }
    return true;
  }

  void release() noexcept {
    if (--depth == 0) {
      held_.store(false, std::memory_order_release);
    }
  }

  // The free path alone, for a holder that neither logs nor ends the
  // process before releasequickly(); any other case takes acquire().
  bool tryquickly() noexcept { return !held_.exchange(true, std::memory_order_acquire); }
  void releasequickly() noexcept { held_.store(false, std::memory_order_release); }

  // Keeps the lock, held by this thread, for good: the report has begun.
  void seal() noexcept { sealed_.store(true, std::memory_order_relaxed); }
  bool sealed() const noexcept { return sealed_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> held_{false};
  std::atomic<bool> sealed_{false};
  // How often this thread holds the lock; the initial-exec model keeps its
  // access one instruction in a shared library too.
  [[gnu::tls_model("initial-exec")]] static thread_local unsigned depth;
};

thread_local unsigned loglock::depth = 0;

loglock lock;

class lockguard {
 public:
  lockguard() noexcept : held_(lock.acquire()) {}
  ~lockguard() {
    if (held_) {
      lock.release();
    }
  }
  lockguard(const lockguard&) = delete;
  lockguard& operator=(const lockguard&) = delete;
  bool held() const noexcept { return held_; }

 private:
  bool held_;
};

// Set once setup() has finished, so that every later call returns without
// the lock; `init` itself is read and written under the lock.
std::atomic<bool> setupdone{false};

using clockreader = std::time_t (*)(std::time_t*);

// The clock a test put in, read through readtestclock.
std::atomic<internal::logclockfunction> testclock{nullptr};

std::time_t readtestclock(std::time_t* /*unused*/) {
  return testclock.load(std::memory_order_relaxed)();
}

// The clock seam: the stamps are read through it. It holds time itself
// unless a test put another clock in, so the usual line calls the C
// library's time directly, with no function of ours in between.
std::atomic<clockreader> clockseam{&::time};

std::time_t readclock() noexcept { return clockseam.load(std::memory_order_relaxed)(nullptr); }

// Bytes the log may hold; 0 for no bound.
std::size_t capacity = 0;

// The part of the opening the usual case copies, whole: every stamp of a
// four- or five-digit year fits.
constexpr std::size_t quickopening = 48;

// --- The stamp -----------------------------------------------------------------

constexpr std::string_view lineopening = "VELDRAN [";
constexpr std::string_view stampclosing = "]: ";

// "VELDRAN [<ctime text>]: " for the last second a line was logged in. The
// text changes once a second, so it is formatted only when the clock gives
// another value (an earlier one too, should it be set back).
struct linestart {
  bool valid;
  std::time_t second;
  std::size_t length;
  char text[lineopening.size() + internal::ctimecapacity + stampclosing.size()];
};
linestart start{};

// The most characters after the opening that a line written straight into
// the put area may have (pbump takes an int).
constexpr std::size_t directlimit = 1U << 16U;

// Lines with fewer characters after the opening than this may go straight
// into the put area, as far as the log's own state says: directlimit with a
// stamp formatted, no bound and an opening short enough to be copied in one
// block; 0, for no line, otherwise. One compare tests both at each line.
std::size_t directbelow = 0;

void updatedirectbelow() noexcept {
  directbelow = start.valid && capacity == 0 && start.length <= quickopening ? directlimit : 0;
}

// Formats `start` for the second `now`; false when that time has no ctime text.
[[gnu::noinline]] bool restamp(std::time_t now) noexcept {
  char stamp[internal::ctimecapacity];
  const std::size_t stamplength = internal::formatctime(now, stamp);
  if (stamplength == 0) {
    return false;
  }
  char* end = std::copy(lineopening.begin(), lineopening.end(), start.text);
  end = std::copy(stamp, stamp + stamplength - 1, end);  // less the line feed
  end = std::copy(stampclosing.begin(), stampclosing.end(), end);
  start.length = static_cast<std::size_t>(end - start.text);
  start.second = now;
  start.valid = true;
  updatedirectbelow();
  return true;
}

inline bool stampcurrent(std::time_t now) noexcept { return start.second == now && start.valid; }

// Brings `start` to the current second; false when the time has no ctime text.
inline bool stampnow() noexcept {
  const std::time_t now = readclock();
  return stampcurrent(now) || restamp(now);
}

// --- The stream ----------------------------------------------------------------

// Sets `state` without raising it, whatever the stream's exception mask.
void markstate(std::ios_base::iostate state) noexcept {
  try {
    logstream.setstate(state);
  } catch (...) {
    // The state is set before the stream throws; nothing more to do.
  }
}

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

// The buffer logstream writes to: its own string buffer, or one a program
// put in its place (std::stringstream::rdbuf() would name its own always).
std::streambuf& currentbuffer() { return *static_cast<std::ios&>(logstream).rdbuf(); }

// The areas of logstream's own string buffer, through the protected
// interface that alone offers them. Its text runs from the start of the put
// area to the put position or to the end of the get area, whichever is further.
struct stringbufareas : std::stringbuf {
  static char* base(std::stringbuf& buffer) {
    char* (std::streambuf::*get)() const = &stringbufareas::pbase;
    return (buffer.*get)();
  }
  static char* next(std::stringbuf& buffer) {
    char* (std::streambuf::*get)() const = &stringbufareas::pptr;
    return (buffer.*get)();
  }
  static char* last(std::stringbuf& buffer) {
    char* (std::streambuf::*get)() const = &stringbufareas::epptr;
    return (buffer.*get)();
  }
  static char* readend(std::stringbuf& buffer) {
    char* (std::streambuf::*getend)() const = &stringbufareas::egptr;
    return (buffer.*getend)();
  }
  static char* textend(std::stringbuf& buffer) {
    char* (std::streambuf::*getend)() const = &stringbufareas::egptr;
    return std::max(next(buffer), (buffer.*getend)());
  }
  static void advance(std::stringbuf& buffer, int offset) {
    void (std::streambuf::*move)(int) = &stringbufareas::pbump;
    (buffer.*move)(offset);
  }
  // Moves the put position by `offset`, which may be past INT_MAX.
  static void bump(std::stringbuf& buffer, std::ptrdiff_t offset) {
    void (std::streambuf::*move)(int) = &stringbufareas::pbump;
    while (offset != 0) {
      const std::ptrdiff_t step = std::clamp<std::ptrdiff_t>(offset, INT_MIN, INT_MAX);
      (buffer.*move)(static_cast<int>(step));
      offset -= step;
    }
  }
  // Ends the text at `end`: the put position and the get area go no further.
  static void cutback(std::stringbuf& buffer, char* end) {
    char* (std::streambuf::*getbegin)() const = &stringbufareas::eback;
    char* (std::streambuf::*getnext)() const = &stringbufareas::gptr;
    char* (std::streambuf::*getend)() const = &stringbufareas::egptr;
    void (std::streambuf::*setget)(char*, char*, char*) = &stringbufareas::setg;
    bump(buffer, end - next(buffer));
    if ((buffer.*getend)() > end) {
      (buffer.*setget)((buffer.*getbegin)(), std::min((buffer.*getnext)(), end), end);
    }
  }
  // Drops the first `count` characters of the text; what the program had
  // not read yet stays unread.
  static void dropfront(std::stringbuf& buffer, std::size_t count) {
    char* (std::streambuf::*getbegin)() const = &stringbufareas::eback;
    char* (std::streambuf::*getnext)() const = &stringbufareas::gptr;
    char* (std::streambuf::*getend)() const = &stringbufareas::egptr;
    void (std::streambuf::*setget)(char*, char*, char*) = &stringbufareas::setg;
    char* const first = base(buffer);
    char* const end = textend(buffer);
    const auto dropped = static_cast<std::ptrdiff_t>(count);
    std::memmove(first, first + dropped, static_cast<std::size_t>(end - first - dropped));
    char* const getfirst = (buffer.*getbegin)();
    if (getfirst != nullptr) {
      char* const read = std::max((buffer.*getnext)() - dropped, getfirst);
      char* const readend = std::max((buffer.*getend)() - dropped, getfirst);
      (buffer.*setget)(getfirst, read, readend);
    }
    bump(buffer, std::max(next(buffer) - dropped, first) - next(buffer));
  }
};

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

// --- The bound -----------------------------------------------------------------

// Whether the line that begins at `at` of `text` opens a log line: a line
// feed inside a message does not.
bool opensline(std::string_view text, std::size_t at) {
  return at == text.size() || text.compare(at, lineopening.size(), lineopening) == 0;
}

// The first log line at or after `from`; text.size() when there is none.
std::size_t linestartfrom(std::string_view text, std::size_t from) {
  if (from == 0) {
    return 0;
  }
  // A line that begins at `from` follows a line feed at from - 1.
  for (std::size_t feed = text.find('\n', from - 1); feed != std::string_view::npos;
       feed = text.find('\n', feed + 1)) {
    if (opensline(text, feed + 1)) {
      return feed + 1;
    }
  }
  return text.size();
}

// The last log line that begins at or before `from`; 0 when there is none.
std::size_t linestartupto(std::string_view text, std::size_t from) {
  while (from > 0) {
    const std::size_t feed = text.rfind('\n', from - 1);
    if (feed == std::string_view::npos) {
      return 0;
    }
    if (opensline(text, feed + 1)) {
      return feed + 1;
    }
    from = feed;
  }
  return 0;
}

// Makes room for a line of `incoming` characters in a log bound by
// `capacity`. When the two do not fit together, the oldest whole lines go,
// down to about half the capacity at once, so the cost per line stays
// constant: the cut is the line start nearest below half that still lets
// everything fit, or failing that the one above. A line longer than the
// capacity empties the log. Returns whether the line fits.
bool makeroom(std::stringbuf& own, std::size_t incoming) {
  char* const first = stringbufareas::base(own);
  const std::string_view text(first,
                              static_cast<std::size_t>(stringbufareas::textend(own) - first));
  if (text.size() + incoming <= capacity) {
    return true;
  }
  if (incoming > capacity) {
    stringbufareas::dropfront(own, text.size());
    return false;
  }
  const std::size_t keep = std::min(capacity / 2, capacity - incoming);
  const std::size_t ideal = text.size() - std::min(text.size(), keep);
  std::size_t cut = linestartupto(text, ideal);
  if (text.size() - cut + incoming > capacity) {
    cut = linestartfrom(text, ideal);
  }
  stringbufareas::dropfront(own, cut);
  return true;
}

// --- Writing a line ------------------------------------------------------------

// What follows the stamp: the message, then a number in decimal or a
// second text, if any.
struct linetext {
  std::string_view message;
  std::string_view detail;
  bool numbered;
  unsigned long long number;
};

// The most an unsigned 64-bit number needs in decimal.
constexpr std::size_t numberroom = 20;

// Copies `count` characters and returns the end of the copy. A message is
// short, so it takes a few fixed-size moves, which may overlap, rather than
// a call of memcpy.
[[gnu::always_inline]] inline char* copytext(char* to, const char* from,
                                             std::size_t count) noexcept {
  constexpr std::size_t chunk = 16;
  // Most of the library's messages have 16 to 32 characters: tested first.
  if (count - chunk <= chunk) {
    std::memcpy(to, from, chunk);
    std::memcpy(to + count - chunk, from + count - chunk, chunk);
  } else if (count > 4 * chunk) {
    // Whole chunks, then the last one, which may overlap: no call, so that
    // the usual line keeps nothing across one.
    for (std::size_t done = 0; done < count - chunk; done += chunk) {
      std::memcpy(to + done, from + done, chunk);
    }
    std::memcpy(to + count - chunk, from + count - chunk, chunk);
  } else if (count > 2 * chunk) {
    std::memcpy(to, from, chunk);
    std::memcpy(to + chunk, from + chunk, chunk);
    std::memcpy(to + count - 2 * chunk, from + count - 2 * chunk, chunk);
    std::memcpy(to + count - chunk, from + count - chunk, chunk);
  } else if (count >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + count - 8, from + count - 8, 8);
  } else if (count >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + count - 4, from + count - 4, 4);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      to[i] = from[i];
    }
  }
  return to + count;
}

// Writes `number` in decimal at `at` and returns the end; the counts the
// library logs are mostly single digits.
[[gnu::always_inline]] inline char* writedecimal(char* at, unsigned long long number) noexcept {
  if (number < 10) {
    *at = static_cast<char>('0' + number);
    return at + 1;
  }
  return std::to_chars(at, at + numberroom, number).ptr;
}

// The most the message part of a line (all that follows the opening) may
// take in the put area.
[[gnu::always_inline]] inline std::size_t textsize(const linetext& line) noexcept {
  return line.message.size() + line.detail.size() + (line.numbered ? numberroom : 0);
}

// Copies `line` once, straight into the put area at `at`, which has room
// for it. The opening is copied in one block, its unused end included,
// which the message then overwrites.
[[gnu::always_inline]] inline void putdirectly(const linetext& line, char* at) noexcept {
  for (std::size_t done = 0; done < quickopening; done += 16) {
    std::memcpy(at + done, start.text + done, 16);
  }
  char* end = copytext(at + start.length, line.message.data(), line.message.size());
  if (line.numbered) {
    end = writedecimal(end, line.number);
  }
  if (!line.detail.empty()) {
    end = copytext(end, line.detail.data(), line.detail.size());
  }
  *end = '\n';
  // A message alone gives the length without the copies' end.
  const std::size_t length = line.numbered || !line.detail.empty()
                                 ? static_cast<std::size_t>(end + 1 - at)
                                 : start.length + line.message.size() + 1;
  stringbufareas::advance(*logstream.rdbuf(), static_cast<int>(length));
}

// Writes `line` in the usual case, the lock held and the stamp current: a
// good, untied stream writing to its own string buffer, whose sync does
// nothing (so there is no flush to make), with its put position at the end
// of the text (the opening block may be copied past the line's end), no
// bound, and room for the whole opening block, the rest of the line and
// its line feed. False, with nothing written, in any other case.
[[gnu::always_inline]] inline bool putifusual(const linetext& line) noexcept {
  // A good stream with no tied one, in one test: no state bit and no tie.
  const std::uintptr_t stateortie =
      static_cast<std::uintptr_t>(logstream.rdstate()) |
      reinterpret_cast<std::uintptr_t>(logstream.tie());  // NOLINT(*-reinterpret-cast): only tested
  std::stringbuf& own = *logstream.rdbuf();
  if (stateortie != 0 || &currentbuffer() != &own) {
    return false;
  }
  char* const next = stringbufareas::next(own);
  if (stringbufareas::readend(own) > next) {
    return false;  // the program moved the put position back into the text
  }
  const std::size_t text = textsize(line);
  // As addresses, since the end of a line that does not fit lies past the
  // put area's: only compared.
  using address = std::uintptr_t;
  const auto lineend = reinterpret_cast<address>(next) + quickopening + text + 1;  // NOLINT
  const auto areaend = reinterpret_cast<address>(stringbufareas::last(own));       // NOLINT
  if (text >= directbelow || lineend > areaend) {
    return false;
  }
  putdirectly(line, next);
  return true;
}

// Every other case, the lock held and the stamp current: a bounded log, a
// tied stream, a buffer put in place of logstream's own, a stream that is
// not good, or a put area without room.
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
    if (capacity != 0 && &buffer == logstream.rdbuf() && !lock.sealed()) {
      const std::size_t length =
          start.length + line.message.size() + number.size() + line.detail.size() + 1;
      if (!makeroom(*logstream.rdbuf(), length)) {
        return;
      }
    }
    const std::string_view opening(static_cast<const char*>(start.text), start.length);
    finishline(buffer, putline(buffer, {opening, line.message, number, line.detail, "\n"}));
  } catch (...) {
    markstate(std::ios_base::badbit);
  }
}

// writeline's way when the lock is taken or the second has changed.
// Its parts come apart, in registers, so that the usual way keeps no frame.
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

// Logs one line; false, with no part of it appended, when the time has no
// ctime text. A line that the crash report keeps out is dropped as if
// written. The usual line takes the free lock, finds the stamp current and
// goes straight into the buffer: nothing in between can log or end the
// process, so the lock's depth is left alone.
// The texts are read after the clock, so that only their addresses are kept
// across that call.
[[gnu::always_inline]] inline bool writeline(const std::string_view& message,
                                             const std::string_view& detail, bool numbered,
                                             unsigned long long number) noexcept {
  if (lock.tryquickly()) {
    // putifusual() writes nothing until a stamp has been formatted, so the
    // second alone tells whether it is current.
    const bool written =
        readclock() == start.second && putifusual(linetext{message, detail, numbered, number});
    lock.releasequickly();
    if (written) {
      return true;
    }
  }
  return writelineslowly(message, detail, numbered, number);
}

[[noreturn]] void throwtimeerror() {
  throw std::logic_error("time cannot be written in ctime layout");
}

}  // namespace

namespace internal {

std::size_t formatctime(std::time_t when, char (&text)[ctimecapacity]) noexcept {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr || local.tm_year > INT_MAX - 1900) {
    return 0;  // ctime gives no text for these either
  }
  // The asctime layout, with its C-locale names, for any year.
  static constexpr char daynames[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr char monthnames[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int length = std::snprintf(text, ctimecapacity, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n",
                                   daynames[local.tm_wday], monthnames[local.tm_mon], local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
  if (length <= 0 || static_cast<std::size_t>(length) >= ctimecapacity) {
    return 0;
  }
  return static_cast<std::size_t>(length);
}

void setlogclock(logclockfunction read) noexcept {
  if (read == nullptr) {
    clockseam.store(&::time, std::memory_order_relaxed);
    return;
  }
  testclock.store(read, std::memory_order_relaxed);
  clockseam.store(readtestclock, std::memory_order_relaxed);
}

void logline(const std::string_view& message) noexcept { writeline(message, {}, false, 0); }

void logline(const std::string_view& text, unsigned long long number) noexcept {
  writeline(text, {}, true, number);
}

void logline(const std::string_view& text, const std::string_view& detail) noexcept {
  writeline(text, detail, false, 0);
}

// The usual lines go in under one hold of the lock and one reading of the
// clock, which lines written within the same second could not tell apart:
// after the first, each is a copy of the line just put, while it fits.
void logrepeated(const std::string_view& message, unsigned count) noexcept {
  if (count != 0 && lock.tryquickly()) {
    if (readclock() == start.second && putifusual(linetext{message, {}, false, 0})) {
      std::stringbuf& own = *logstream.rdbuf();
      const std::size_t length = start.length + message.size() + 1;
      for (--count; count > 0; --count) {
        char* const next = stringbufareas::next(own);
        if (static_cast<std::size_t>(stringbufareas::last(own) - next) < length) {
          break;
        }
        std::memcpy(next, next - length, length);
        stringbufareas::advance(own, static_cast<int>(length));
      }
    }
    lock.releasequickly();
  }
  for (; count > 0; --count) {
    writelineslowly(message, {}, false, 0);
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

}  // namespace internal

// writeline's way, written out so that the message is read only after the
// clock: then just its address is kept across that call.
void log(std::string message) {
  if (lock.tryquickly()) {
    const bool written = readclock() == start.second && putifusual(linetext{message, {}, false, 0});
    lock.releasequickly();
    if (written) {
      return;
    }
  }
  if (!writelineslowly(message, {}, false, 0)) {
    throwtimeerror();
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
}

void setlogcapacity(std::size_t bytes) {
  const lockguard guard;
  if (!guard.held()) {
    return;
  }
  capacity = bytes;
  updatedirectbelow();
  if (capacity != 0 && &currentbuffer() == logstream.rdbuf()) {
    makeroom(*logstream.rdbuf(), 0);
  }
}

namespace {

// --- The crash report ------------------------------------------------------------
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
  // Taken for good: released, it would let other threads' lines in after
  // the report. The thread that already holds it (terminate called while a
  // line was being written) takes it again.
  if (!lock.acquire()) {
    waitforend();
  }
  lock.seal();
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
