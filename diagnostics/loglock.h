// The log's lock: one lock for everything the log holds (logstream, init,
// oldtermfunc and the state of the stamp, the bound and the report).
#pragma once

#include <atomic>

namespace VELDRAN::internal {

// It is taken once per line, so its free path is a single atomic exchange.
// The thread that holds it may take it again: a tied stream's flush or a
// program's stream buffer may log, and std::terminate may be called while
// a line is being written, so the crash report must get in. Once the report
// has begun it is sealed: the reporting thread keeps it until the process
// ends, and other threads drop their lines.
class loglock {
 public:
  // Takes the lock; false, without it, when another thread's report has it.
  bool acquire() noexcept;
  void release() noexcept {
    if (--depth == 0) {
      held_.store(false, std::memory_order_release);
    }
  }

  // The free path alone, for a holder that neither logs nor ends the
  // process before releasequickly(); any other case takes acquire().
  bool tryquickly() noexcept { return !held_.exchange(true, std::memory_order_acquire); }
  void releasequickly() noexcept { held_.store(false, std::memory_order_release); }

  // Keeps the lock, held by this thread, for good: the report has begun.
  void seal() noexcept { sealed_.store(true, std::memory_order_relaxed); }
  bool sealed() const noexcept { return sealed_.load(std::memory_order_relaxed); }
  // Whether this thread holds the lock through acquire().
  static bool heldhere() noexcept { return depth != 0; }

 private:
  std::atomic<bool> held_{false};
  std::atomic<bool> sealed_{false};
  // How often this thread holds the lock; the initial-exec model keeps its
  // access one instruction in a shared library too.
  [[gnu::tls_model("initial-exec")]] static thread_local unsigned depth;
};

extern loglock lock;

class lockguard {
 public:
  lockguard() noexcept : held_(lock.acquire()) {}
  ~lockguard() {
    if (held_) {
      lock.release();
    }
  }
  lockguard(const lockguard&) = delete;
  lockguard& operator=(const lockguard&) = delete;
  bool held() const noexcept { return held_; }

 private:
  bool held_;
};

}  // namespace VELDRAN::internal
