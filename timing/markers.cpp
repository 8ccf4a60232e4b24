// Finding a position by the name of a marker in the first track.
#include <cstring>

#include "tactus/timing.h"
#include "timing/first_track.h"

namespace tactus {

int32_t sequence_get_tick_from_marker(Sequence* sequence, const char* name) {
  if (sequence == nullptr || name == nullptr) return -1;
  for (Event* event = internal::first_track_event(sequence); event != nullptr;
       event = event_get_next_in_track(event)) {
    const char* text = event_is_marker(event) ? marker_get_text(event) : nullptr;
    if (text != nullptr && std::strcmp(text, name) == 0) {
      return event_get_tick(event);
    }
  }
  return -1;
}

}  // namespace tactus
