// The bound: how many bytes the log may hold, and how it makes room for a
// line by dropping its oldest whole lines.
#pragma once

#include <cstddef>
#include <sstream>

namespace VELDRAN::internal {

// Bytes the log may hold; 0 for no bound.
extern std::size_t capacity;

// Makes room for a line of `incoming` characters in logstream's own buffer
// `own`; returns whether the line fits.
bool makeroom(std::stringbuf& own, std::size_t incoming);

}  // namespace VELDRAN::internal
