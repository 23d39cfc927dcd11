// The bound: how many bytes the log may hold, where each of its lines
// begins, and how it makes room for a line by dropping its oldest whole
// lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>
#include <vector>

namespace VELDRAN::internal {

// Bytes the log may hold; 0 for no bound.
extern std::size_t capacity;

// Where the lines of a bounded log begin, so that a trim never cuts one,
// whatever their messages hold. The starts are offsets from `origin`,
// the address the text's first byte would have had if nothing had been
// dropped: a trim then changes no start it keeps.
struct lineindex {
  std::vector<std::uintptr_t> storage;
  std::uintptr_t* first = nullptr;  // the oldest start the text still holds
  std::uintptr_t* end = nullptr;    // past the newest start
  std::uintptr_t* last = nullptr;   // the storage's end
  std::uintptr_t origin = 0;
  // The text's end after the newest line the index knows of, and the end no
  // line written straight into the buffer may pass (the bound, or the put
  // area's end, whichever comes first). A put position anywhere but at
  // `textend` means someone else wrote to or emptied the text.
  char* textend = nullptr;
  std::uintptr_t limit = 0;
};
extern lineindex lines;

// Records a line about to be written at `at`, the index agreeing with
// the buffer and having room.
inline void recordline(char* at) noexcept {
  *lines.end++ = reinterpret_cast<std::uintptr_t>(at) - lines.origin;  // NOLINT: an offset
}

// Brings the index to the text of logstream's own buffer `own`: after
// a line it wrote through the stream, or once someone else changed the
// text. Lines it holds no record of are found by their openings.
void syncindex(std::stringbuf& own);

// Records the line just written through the stream at offset `at` of the
// text; syncindex() made room for it.
void recordwritten(std::stringbuf& own, std::size_t at) noexcept;

// Forgets every line: the log is unbounded, or empty.
void clearindex() noexcept;

// The text of logstream's own buffer as a fatal signal finds it, whole
// lines only, in up to two parts: a line on its way through the stream is
// left out, and a trim half done is read as it will be.
struct wholetext {
  std::string_view first;
  std::string_view second;
};
wholetext wholelines() noexcept;

// Makes room for a line of `incoming` characters in logstream's own buffer
// `own`, its index current; returns whether the line fits.
bool makeroom(std::stringbuf& own, std::size_t incoming);

}  // namespace VELDRAN::internal
