// Tempo, time-signature and marker events count only in the first track
// (track 0); events of other tracks never move the musical time.
#ifndef TACTUS_TIMING_FIRST_TRACK_H
#define TACTUS_TIMING_FIRST_TRACK_H

#include "model/records.h"
#include "tactus/model.h"

namespace tactus::internal {

// The first event of the first track; null for a null sequence, one without
// tracks, or an empty first track.
inline Event* first_track_event(Sequence* sequence) {
  return track_get_first_event(sequence_get_first_track(sequence));
}

// The first meta event numbered `number` in the track of `event`, from
// `event` on; null if there is none. A first track may hold every event of
// a file, so the walks pass over the others without a call per event.
inline Event* meta_event_from(Event* event, int32_t number) {
  while (event != nullptr && (event->kind != META || event->word1 != number)) event = event->next_in_track;
  return event;
}

}  // namespace tactus::internal

#endif
