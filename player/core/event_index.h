// The events of a sequence in an array, in sequence order, so that playback
// can go on from any tick at once.
#ifndef TACTUS_PLAYER_CORE_EVENT_INDEX_H
#define TACTUS_PLAYER_CORE_EVENT_INDEX_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tactus/model.h"

namespace tactus::player {

class EventIndex {
 public:
  explicit EventIndex(Sequence* sequence) {
    for (Event* event = sequence_get_first_event(sequence); event != nullptr;
         event = event_get_next_in_sequence(event)) {
      events_.push_back(event);
      ticks_.push_back(event_get_tick(event));
    }
  }

  size_t size() const { return events_.size(); }
  Event* event(size_t index) const { return events_[index]; }
  int32_t tick(size_t index) const { return ticks_[index]; }

  // The index of the first event at or after `tick`; size() if none.
  size_t first_at(int32_t tick) const {
    return static_cast<size_t>(std::lower_bound(ticks_.begin(), ticks_.end(), tick) - ticks_.begin());
  }

 private:
  std::vector<Event*> events_;
  std::vector<int32_t> ticks_;
};

}  // namespace tactus::player

#endif
