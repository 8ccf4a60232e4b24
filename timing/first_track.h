// Tempo, time-signature and marker events count only in the first track
// (track 0); events of other tracks never move the musical time.
#ifndef TACTUS_TIMING_FIRST_TRACK_H
#define TACTUS_TIMING_FIRST_TRACK_H

#include "tactus/model.h"

namespace tactus::internal {

// The first event of the first track; null for a null sequence, one without
// tracks, or an empty first track.
inline Event* first_track_event(Sequence* sequence) {
  return track_get_first_event(sequence_get_first_track(sequence));
}

}  // namespace tactus::internal

#endif
