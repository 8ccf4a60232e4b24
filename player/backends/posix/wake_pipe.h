// The player's wake-up object: a pipe that a notification or a signal
// handler writes one byte into, and that the main thread waits on with
// poll(). A byte written while nobody waits stays in the pipe, so the next
// wait returns at once and no wake-up is lost.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_WAKE_PIPE_H
#define TACTUS_PLAYER_BACKENDS_POSIX_WAKE_PIPE_H

#include <cstdint>
#include <span>

namespace tactus::player::posix {

// A descriptor that a wait also watches, and the routine that reads it once
// it is readable. What the routine reads does not end the wait; news for the
// player wakes it like any notification.
struct WatchedInput {
  int fd = -1;
  void (*read)(void* context) = nullptr;
  void* context = nullptr;
};

class WakePipe {
 public:
  WakePipe();
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  // Async-signal-safe: one write(), errno preserved.
  void wake();

  // Returns when woken or when monotonic_ms32() has advanced by timeout_ms;
  // kWaitForever waits without limit. With an input descriptor, also when
  // it has something to read (or has hung up), which is left to be read.
  // Watched inputs are read as they come and do not end the wait; those
  // beyond kMostInputs, and those without a descriptor, are not watched.
  static constexpr size_t kMostInputs = 3;
  void wait(uint32_t timeout_ms, int input_fd = -1, std::span<const WatchedInput> inputs = {});

  // The end that a wake-up makes readable, for a wait of another's that
  // leaves the wake-up to this one.
  int descriptor() const { return read_fd_; }

 private:
  void drain();

  int read_fd_ = -1;
  int write_fd_ = -1;
};

}  // namespace tactus::player::posix

#endif
