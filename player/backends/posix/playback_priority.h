// The main thread's scheduling for the span of playback. On a busy machine
// a sleeping thread of the normal class wakes milliseconds late, and each of
// those milliseconds makes a message late, so playback asks for the lowest
// real-time priority (SCHED_FIFO 1, below JACK's own threads) where the
// system grants it; where it does not, nothing changes and nothing is said.
// The main thread sleeps until each due time and never spins, so it keeps
// the processor from others only for the moments of sending.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_PLAYBACK_PRIORITY_H
#define TACTUS_PLAYER_BACKENDS_POSIX_PLAYBACK_PRIORITY_H

#include <sched.h>

namespace tactus::player::posix {

class PlaybackPriority {
 public:
  // Both act on the calling thread.
  void raise();
  void restore();

 private:
  bool raised_ = false;
  int policy_ = SCHED_OTHER;
  sched_param parameters_{};
};

}  // namespace tactus::player::posix

#endif
