// What the benchmarks share: keeping the in-memory log from growing
// without bound while a loop is timed.
#pragma once

#include <cstdint>

#include "diagnostics/log"

namespace veldran_bench {

// Empties the log directly, without its lock: the loops that call this run
// on one thread.
inline void emptylog() {
  VELDRAN::logstream.str("");
  VELDRAN::logstream.clear();
}

// Empties the log once every 1024 ticks, one tick an operation.
class LogTrimmer {
 public:
  void tick() {
    if (++count_ % 1024 == 0) {
      emptylog();
    }
  }

 private:
  std::uint64_t count_ = 0;
};

}  // namespace veldran_bench
