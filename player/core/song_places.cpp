#include "player/core/song_places.h"

#include <algorithm>

#include "tactus/timing.h"

namespace tactus::player {

SongPlaces::SongPlaces(Sequence* sequence) : sequence_(sequence) {}

// The markers of the first track, as everywhere else the player and
// tactus-info read musical time and markers.
const std::vector<int32_t>& SongPlaces::markers() {
  if (!markers_found_) {
    for (Event* event = track_get_first_event(sequence_get_first_track(sequence_)); event != nullptr;
         event = event_get_next_in_track(event))
      if (event_is_marker(event)) markers_.push_back(event_get_tick(event));
    markers_found_ = true;
  }
  return markers_;
}

// A key press is rare: each asks with a position record of its own.
int32_t SongPlaces::bar_of(int32_t tick) const {
  MbPosition* position = mb_position_new();
  const int32_t bar =
      sequence_get_mb_from_tick(sequence_, tick, position) == 0 ? mb_position_get_measure(position) : 1;
  mb_position_free(position);
  return bar;
}

int32_t SongPlaces::bar_start(int32_t bar) const {
  MbPosition* position = mb_position_new();
  mb_position_set_measure(position, std::max(bar, 1));
  mb_position_set_beat(position, 1.0f);
  const int32_t tick = sequence_get_tick_from_mb(sequence_, position);
  mb_position_free(position);
  return tick;
}

std::optional<int32_t> SongPlaces::marker_before(int32_t tick) {
  const std::vector<int32_t>& ticks = markers();
  auto found = std::lower_bound(ticks.begin(), ticks.end(), tick);
  if (found == ticks.begin()) return std::nullopt;
  return *std::prev(found);
}

std::optional<int32_t> SongPlaces::marker_after(int32_t tick) {
  const std::vector<int32_t>& ticks = markers();
  auto found = std::upper_bound(ticks.begin(), ticks.end(), tick);
  if (found == ticks.end()) return std::nullopt;
  return *found;
}

}  // namespace tactus::player
