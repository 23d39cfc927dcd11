// The stamp: the clock the lines are stamped from and the opening
// "VELDRAN [<ctime text>]: " formatted for the current second.
#pragma once

#include <atomic>
#include <cstddef>
#include <ctime>
#include <string_view>

#include "diagnostics/log"

namespace VELDRAN::internal {

using clockreader = std::time_t (*)(std::time_t*);

// The clock seam: the stamps are read through it. It holds time itself
// unless a test put another clock in, so the usual line calls the C
// library's time directly, with no function of ours in between.
extern std::atomic<clockreader> clockseam;

inline std::time_t readclock() noexcept {
  return clockseam.load(std::memory_order_relaxed)(nullptr);
}

inline constexpr std::string_view lineopening = "VELDRAN [";
inline constexpr std::string_view stampclosing = "]: ";

// "VELDRAN [<ctime text>]: " for the last second a line was logged in. The
// text changes once a second, so it is formatted only when the clock gives
// another value (an earlier one too, should it be set back).
struct linestart {
  bool valid;
  std::time_t second;
  std::size_t length;
  char text[lineopening.size() + ctimecapacity + stampclosing.size()];
};
extern linestart start;

// Formats `start` for the second `now`; false when that time has no ctime text.
bool restamp(std::time_t now) noexcept;

inline bool stampcurrent(std::time_t now) noexcept { return start.second == now && start.valid; }

// Brings `start` to the current second; false when the time has no ctime text.
inline bool stampnow() noexcept {
  const std::time_t now = readclock();
  return stampcurrent(now) || restamp(now);
}

}  // namespace VELDRAN::internal
