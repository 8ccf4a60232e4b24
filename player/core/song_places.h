// The places of a song that the keys jump to: the first beat of a bar, and
// the markers.
#ifndef TACTUS_PLAYER_CORE_SONG_PLACES_H
#define TACTUS_PLAYER_CORE_SONG_PLACES_H

#include <cstdint>
#include <optional>
#include <vector>

#include "tactus/model.h"

namespace tactus::player {

class SongPlaces {
 public:
  explicit SongPlaces(Sequence* sequence);

  // Bars count from 1, as in mb positions.
  int32_t bar_of(int32_t tick) const;
  // The first beat of a bar; of bar 1 for bars before it.
  int32_t bar_start(int32_t bar) const;
  // The last marker of the first track before `tick`, or the first after
  // it. The markers are looked for at the first call.
  std::optional<int32_t> marker_before(int32_t tick);
  std::optional<int32_t> marker_after(int32_t tick);

 private:
  const std::vector<int32_t>& markers();

  Sequence* sequence_;
  bool markers_found_ = false;
  std::vector<int32_t> markers_;  // ticks, ascending
};

}  // namespace tactus::player

#endif
