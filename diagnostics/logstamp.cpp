// The stamp: the clock seam, the ctime text for any year and the opening
// of the current second.
#include "diagnostics/logstamp.h"

#include <time.h>  // localtime_r

#include <algorithm>
#include <climits>
#include <cstdio>

#include "diagnostics/clock.h"
#include "diagnostics/logwrite.h"

namespace VELDRAN::internal {

namespace {

// The clock a test put in, read through readtestclock.
std::atomic<logclockfunction> testclock{nullptr};

std::time_t readtestclock(std::time_t* /*unused*/) {
  return testclock.load(std::memory_order_relaxed)();
}

}  // namespace

std::atomic<clockreader> clockseam{&::time};

linestart start{};

[[gnu::noinline]] bool restamp(std::time_t now) noexcept {
  char stamp[ctimecapacity];
  const std::size_t stamplength = formatctime(now, stamp);
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

}  // namespace VELDRAN::internal
