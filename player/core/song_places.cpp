#include "player/core/song_places.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tactus/timing.h"

namespace tactus::player {

SongPlaces::SongPlaces(Sequence* sequence, const EventIndex& events) : sequence_(sequence), events_(events) {}

const std::vector<int32_t>& SongPlaces::markers() {
  if (!markers_found_) {
    for (size_t i = 0; i < events_.size(); ++i)
      if (event_is_marker(events_.event(i))) markers_.push_back(events_.tick(i));
    markers_found_ = true;
  }
  return markers_;
}

// The mb text begins with the bar number.
int32_t SongPlaces::bar_of(int32_t tick) const {
  const char* text = sequence_get_mb_string_from_tick(sequence_, tick);
  return text == nullptr ? 1 : static_cast<int32_t>(std::strtol(text, nullptr, 10));
}

int32_t SongPlaces::bar_start(int32_t bar) const {
  char text[32];
  std::snprintf(text, sizeof text, "%d:1", std::max(bar, 1));
  return sequence_get_tick_from_mb_string(sequence_, text);
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
