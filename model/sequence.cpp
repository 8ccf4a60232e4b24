// The Sequence record: creation, release, header values and its track list.
#include <cstdlib>
#include <new>

#include "model/event_store.h"
#include "model/records.h"
#include "model/time_division.h"

namespace tactus {
namespace {

// Beat resolution and frame rate that a division type implies.
void set_division_defaults(Sequence* sequence) {
  sequence->beat_resolution = sequence->division_type == DIVISION_PPQ ? sequence->resolution : 960;
  sequence->frame_rate = internal::frame_rate_of(sequence->division_type).as_float;
}

void free_scratch_records(Sequence* sequence) {
  hmsf_position_free(sequence->hmsf_scratch);
  hms_position_free(sequence->hms_scratch);
  mbt_position_free(sequence->mbt_scratch);
  mb_position_free(sequence->mb_scratch);
}

}  // namespace

Sequence* sequence_new(int32_t format, int32_t division_type, int32_t resolution) {
  Sequence* sequence = new (std::nothrow) Sequence{};
  if (sequence == nullptr) return nullptr;
  sequence->format = format;
  sequence->division_type = division_type;
  sequence->resolution = resolution;
  set_division_defaults(sequence);
  sequence->mb_scratch = mb_position_new();
  sequence->mbt_scratch = mbt_position_new();
  sequence->hms_scratch = hms_position_new();
  sequence->hmsf_scratch = hmsf_position_new();
  if (sequence->mb_scratch == nullptr || sequence->mbt_scratch == nullptr ||
      sequence->hms_scratch == nullptr || sequence->hmsf_scratch == nullptr) {
    free_scratch_records(sequence);
    delete sequence;
    return nullptr;
  }
  return sequence;
}

// Everything goes at once: the tracks are dropped without unlinking their
// events one by one, and the events go with their slabs.
int32_t sequence_free(Sequence* sequence) {
  if (sequence == nullptr) return -1;
  free_scratch_records(sequence);
  Track* track = sequence->first_track;
  while (track != nullptr) {
    Track* next = track->next;
    internal::drop_meta_array(track);
    delete track;
    track = next;
  }
  internal::free_event_store(sequence);
  std::free(sequence->tracks_by_slot);
  internal::free_time_index(sequence->time_index);
  delete sequence;
  return 0;
}

int32_t sequence_get_format(Sequence* sequence) { return sequence != nullptr ? sequence->format : -1; }

int32_t sequence_set_format(Sequence* sequence, int32_t format) {
  if (sequence == nullptr) return -1;
  sequence->format = format;
  return 0;
}

int32_t sequence_get_division_type(Sequence* sequence) {
  return sequence != nullptr ? sequence->division_type : -1;
}

int32_t sequence_set_division_type(Sequence* sequence, int32_t division_type) {
  if (sequence == nullptr) return -1;
  sequence->division_type = division_type;
  internal::invalidate_time_index(sequence);
  return 0;
}

int32_t sequence_get_resolution(Sequence* sequence) {
  return sequence != nullptr ? sequence->resolution : -1;
}

int32_t sequence_set_resolution(Sequence* sequence, int32_t resolution) {
  if (sequence == nullptr) return -1;
  sequence->resolution = resolution;
  internal::invalidate_time_index(sequence);
  return 0;
}

int32_t sequence_get_beat_resolution(Sequence* sequence) {
  return sequence != nullptr ? sequence->beat_resolution : -1;
}

int32_t sequence_set_beat_resolution(Sequence* sequence, int32_t beat_resolution) {
  if (sequence == nullptr) return -1;
  sequence->beat_resolution = beat_resolution;
  internal::invalidate_time_index(sequence);
  return 0;
}

float sequence_get_frame_rate(Sequence* sequence) {
  return sequence != nullptr ? sequence->frame_rate : -1.0f;
}

int32_t sequence_set_frame_rate(Sequence* sequence, float frame_rate) {
  if (sequence == nullptr) return -1;
  sequence->frame_rate = frame_rate;
  internal::invalidate_time_index(sequence);
  return 0;
}

int32_t sequence_get_track_count(Sequence* sequence) {
  return sequence != nullptr ? sequence->track_count : -1;
}

Track* sequence_get_first_track(Sequence* sequence) {
  return sequence != nullptr ? sequence->first_track : nullptr;
}

Track* sequence_get_last_track(Sequence* sequence) {
  return sequence != nullptr ? sequence->last_track : nullptr;
}

Event* sequence_get_first_event(Sequence* sequence) {
  return sequence != nullptr ? internal::event_at(sequence, sequence->first_event) : nullptr;
}

Event* sequence_get_last_event(Sequence* sequence) {
  return sequence != nullptr ? internal::event_at(sequence, sequence->last_event) : nullptr;
}

Track* sequence_add_track(Sequence* sequence) {
  if (sequence == nullptr) return nullptr;
  Track* track = new (std::nothrow) Track{sequence, sequence->track_count, 0, sequence->last_track, nullptr};
  if (track == nullptr) return nullptr;
  if (!internal::take_track_slot(sequence, track)) {
    delete track;
    return nullptr;
  }
  if (sequence->last_track != nullptr) {
    sequence->last_track->next = track;
  } else {
    sequence->first_track = track;
  }
  sequence->last_track = track;
  ++sequence->track_count;
  internal::invalidate_time_index(sequence);
  return track;
}

Track* sequence_get_track_by_number(Sequence* sequence, int32_t number, int create) {
  if (sequence == nullptr || number < 0) return nullptr;
  if (number >= sequence->track_count && create == 0) return nullptr;
  Track* track = sequence->first_track;
  if (track == nullptr) track = sequence_add_track(sequence);
  for (int32_t step = 0; step < number && track != nullptr; ++step) {
    track = track->next != nullptr ? track->next : sequence_add_track(sequence);
  }
  return track;
}

}  // namespace tactus
