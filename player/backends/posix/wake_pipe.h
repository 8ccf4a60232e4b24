// The player's wake-up object: a pipe that a notification or a signal
// handler writes one byte into, and that the main thread waits on with
// poll(). A byte written while nobody waits stays in the pipe, so the next
// wait returns at once and no wake-up is lost.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_WAKE_PIPE_H
#define TACTUS_PLAYER_BACKENDS_POSIX_WAKE_PIPE_H

#include <cstdint>

namespace tactus::player::posix {

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
  void wait(uint32_t timeout_ms, int input_fd = -1);

 private:
  void drain();

  int read_fd_ = -1;
  int write_fd_ = -1;
};

}  // namespace tactus::player::posix

#endif
