// The areas of logstream's own string buffer, through the protected
// interface that alone offers them. Its text runs from the start of the put
// area to the put position or to the end of the get area, whichever is further.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <sstream>
#include <streambuf>

namespace VELDRAN::internal {

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

}  // namespace VELDRAN::internal
