// Tempo, time-signature and marker events count only in the first track
// (track 0); events of other tracks never move the musical time.
#ifndef TACTUS_TIMING_FIRST_TRACK_H
#define TACTUS_TIMING_FIRST_TRACK_H

#include "model/records.h"
#include "tactus/model.h"

namespace tactus::internal {

// Where the meta events of the first track are read from.
enum class MetaSource {
  // Every event of the track in turn. The walks that answer without the index
  // read the track itself, so that they stay the reference that the index,
  // built from the META array, is checked against.
  kTrack,
  // The track's array of META events: time proportional to them, however many
  // notes a format-0 track holds. The track itself when the array is
  // incomplete.
  kMetaArray,
};

// The meta events numbered `number` of the first track, in track order.
class FirstTrackMetas {
 public:
  FirstTrackMetas(Sequence* sequence, int32_t number, MetaSource source) : number_(number) {
    Track* track = sequence_get_first_track(sequence);
    if (track == nullptr) return;
    from_array_ = source == MetaSource::kMetaArray && !track->metas_incomplete;
    if (from_array_) {
      listed_ = track->metas;
      listed_end_ = track->metas + track->meta_count;
    } else {
      event_ = event_at(sequence, track->first_event);
    }
  }

  // The next one; null after the last.
  Event* next() {
    if (from_array_) {
      while (listed_ != listed_end_ && (*listed_)->word1() != number_) ++listed_;
      return listed_ != listed_end_ ? *listed_++ : nullptr;
    }
    // A first track may hold every event of a file: no call per event.
    while (event_ != nullptr && (event_->kind() != META || event_->word1() != number_))
      event_ = next_in_track(event_);
    Event* found = event_;
    if (event_ != nullptr) event_ = next_in_track(event_);
    return found;
  }

 private:
  int32_t number_;
  bool from_array_ = false;
  Event* const* listed_ = nullptr;
  Event* const* listed_end_ = nullptr;
  Event* event_ = nullptr;
};

}  // namespace tactus::internal

#endif
