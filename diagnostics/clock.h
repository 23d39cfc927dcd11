// The clock the log's stamps are read from. A seam for tests, which need
// times no real clock gives; the library's users have no need of it, so
// the header is not installed.
#pragma once

#include <ctime>

namespace VELDRAN::internal {

using logclockfunction = std::time_t (*)();

// Reads the stamps from `clock` from now on; nullptr, the default, is
// std::time. Safe to call while other threads log.
void setlogclock(logclockfunction clock) noexcept;

}  // namespace VELDRAN::internal
