// Writing a line: the usual line straight into the free room of logstream's
// own buffer, and every other case through the stream buffer's interface,
// the bound making room first.
#pragma once

#include <atomic>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ios>
#include <streambuf>
#include <string_view>

#include "diagnostics/log"
#include "diagnostics/logareas.h"
#include "diagnostics/logbound.h"
#include "diagnostics/loglock.h"
#include "diagnostics/logstamp.h"

namespace VELDRAN::internal {

// The part of the opening the usual case copies, whole: every stamp of a
// four- or five-digit year fits.
inline constexpr std::size_t quickopening = 48;

// The most characters after the opening that a line written straight into
// the put area may have (pbump takes an int).
inline constexpr std::size_t directlimit = 1U << 16U;

// Lines with fewer characters after the opening than this may go straight
// into the put area, as far as the log's own state says: directlimit with a
// stamp formatted, no bound and an opening short enough to be copied in one
// block; 0, for no line, otherwise. One compare tests both at each line.
extern std::size_t directbelow;
// The same for a bounded log, whose lines go straight in too when they fit
// within the bound.
extern std::size_t boundedbelow;

void updatedirectbelow() noexcept;

// Sets `state` without raising it, whatever the stream's exception mask.
void markstate(std::ios_base::iostate state) noexcept;

// The buffer logstream writes to: its own string buffer, or one a program
// put in its place (std::stringstream::rdbuf() would name its own always).
inline std::streambuf& currentbuffer() { return *static_cast<std::ios&>(logstream).rdbuf(); }

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
// for it, and returns the text's new end. The opening is copied in one
// block, its unused end included, which the message then overwrites. The
// put position moves only once the line is whole, so that a fatal signal's
// report never finds part of one.
[[gnu::always_inline]] inline char* putdirectly(const linetext& line, char* at) noexcept {
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
  std::atomic_signal_fence(std::memory_order_release);
  stringbufareas::advance(*logstream.rdbuf(), static_cast<int>(length));
  return at + length;
}

// A bounded log's line in the usual case: its index agrees with the text
// (nobody else wrote to it or emptied it), and the line fits within the
// limit, which keeps it within the bound and the index's room. False, with
// nothing written, otherwise.
[[gnu::always_inline]] inline bool putwithinbound(const linetext& line, char* next,
                                                  std::uintptr_t lineend) noexcept {
  if (next != lines.textend || lineend > lines.limit) {
    return false;
  }
  recordline(next);
  lines.textend = putdirectly(line, next);
  return true;
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
  if (lineend > areaend) {
    return false;
  }
  if (text < directbelow) {
    putdirectly(line, next);
    return true;
  }
  return text < boundedbelow && putwithinbound(line, next, lineend);
}

// Every other case, the lock held and the stamp current: a bounded log, a
// tied stream, a buffer put in place of logstream's own, a stream that is
// not good, or a put area without room.
void sendline(const linetext& line) noexcept;

// writeline's way when the lock is taken or the second has changed.
// Its parts come apart, in registers, so that the usual way keeps no frame.
bool writelineslowly(std::string_view message, std::string_view detail, bool numbered,
                     unsigned long long number) noexcept;

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

[[noreturn]] void throwtimeerror();

}  // namespace VELDRAN::internal
