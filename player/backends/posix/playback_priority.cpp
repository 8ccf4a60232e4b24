#include "player/backends/posix/playback_priority.h"

#include <pthread.h>

namespace tactus::player::posix {

void PlaybackPriority::raise() {
  if (raised_ || pthread_getschedparam(pthread_self(), &policy_, &parameters_) != 0) return;
  sched_param lowest_real_time{};
  lowest_real_time.sched_priority = sched_get_priority_min(SCHED_FIFO);
  raised_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &lowest_real_time) == 0;
}

void PlaybackPriority::restore() {
  if (raised_) pthread_setschedparam(pthread_self(), policy_, &parameters_);
  raised_ = false;
}

}  // namespace tactus::player::posix
