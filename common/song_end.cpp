#include "common/song_end.h"

#include <algorithm>

namespace tactus::common {

int32_t song_end_tick(Sequence* sequence) {
  int32_t end = 0;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track))
    end = std::max(end, track_get_end_tick(track));
  return end;
}

}  // namespace tactus::common
