// The areas of logstream's own string buffer, through the protected
// interface that alone offers them. Its text runs from the start of the put
// area to the put position or to the end of the get area, whichever is further.
#pragma once

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstddef>
#include <cstring>
#include <sstream>
#include <streambuf>

namespace VELDRAN::internal {

// What is in flight in the text while a line or a trim is half done, for
// a fatal signal's report, which must write only whole lines.
struct frontdrop {
  std::atomic<char*> text{nullptr};  // the text's start while its front is dropped
  std::size_t cut = 0;
  std::size_t size = 0;
  std::atomic<std::size_t> moved{0};  // how much of what is kept is at the front
};
inline frontdrop droppingfront;

// Where the line being put through the stream began, from the text's start;
// none when no line is on its way.
inline constexpr std::size_t noline = static_cast<std::size_t>(-1);
inline std::atomic<std::size_t> pendingline{noline};

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
    movefront(first, count, static_cast<std::size_t>(end - first));
    char* const getfirst = (buffer.*getbegin)();
    if (getfirst != nullptr) {
      char* const read = std::max((buffer.*getnext)() - dropped, getfirst);
      char* const readend = std::max((buffer.*getend)() - dropped, getfirst);
      (buffer.*setget)(getfirst, read, readend);
    }
    bump(buffer, std::max(next(buffer) - dropped, first) - next(buffer));
  }

  // Moves the text after the first `count` of its `size` characters to its
  // front, in steps no longer than `count`, so that no step overlaps itself:
  // a fatal signal's report can then tell the whole text at any moment.
  static void movefront(char* first, std::size_t count, std::size_t size) noexcept {
    if (count == 0 || count >= size) {
      return;
    }
    constexpr std::size_t most = 4096;
    const std::size_t step = std::min(count, most);
    droppingfront.cut = count;
    droppingfront.size = size;
    droppingfront.moved.store(0, std::memory_order_relaxed);
    droppingfront.text.store(first, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    for (std::size_t done = 0; done < size - count; done += step) {
      std::memmove(first + done, first + count + done, std::min(step, size - count - done));
      std::atomic_signal_fence(std::memory_order_seq_cst);
      droppingfront.moved.store(std::min(done + step, size - count), std::memory_order_relaxed);
    }
    std::atomic_signal_fence(std::memory_order_seq_cst);
    droppingfront.text.store(nullptr, std::memory_order_relaxed);
  }
};

}  // namespace VELDRAN::internal
