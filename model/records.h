// The library's record layouts and the internal steps shared by the model,
// the file reader and the timing code. Not installed.
#ifndef TACTUS_MODEL_RECORDS_H
#define TACTUS_MODEL_RECORDS_H

#include <cstddef>
#include <cstdint>

#include "tactus/model.h"

namespace tactus {
namespace internal {
struct TimeIndex;
}

// An event lives in two doubly linked lists at once: its track's and the
// sequence's. The three data words mean what the kind says (channel, note,
// velocity; for SYSEX word1 is the byte count; for META word1 is the meta
// number and word2 the payload length); `bytes` is the owned SYSEX buffer or
// META payload (length + 1 bytes, the last one 0), null for channel kinds.
struct Event {
  Track* track;
  Event* previous_in_track;
  Event* next_in_track;
  Event* previous_in_sequence;
  Event* next_in_sequence;
  int32_t tick;
  int32_t kind;
  int32_t word1;
  int32_t word2;
  int32_t word3;
  int32_t visit;
  unsigned char* bytes;
};

// Besides its event list, a track keeps its META events in track order in
// `metas` (malloc'ed, `meta_count` of `meta_capacity` used), so that the
// time index reads the tempo, meter and marker events of a first track of a
// million events without passing over the others. An event's kind never
// changes, so it is listed from linking to unlinking. When the array could
// not grow, `metas_incomplete` is set, the array is dropped and no longer
// kept, and readers pass over the whole track instead.
struct Track {
  Sequence* sequence;
  int32_t number;
  int32_t end_tick;
  Track* previous;
  Track* next;
  Event* first_event;
  Event* last_event;
  Event** metas = nullptr;
  size_t meta_count = 0;
  size_t meta_capacity = 0;
  bool metas_incomplete = false;
};

// Events are carved out of slabs owned by their sequence, so that loading a
// large file costs a few allocations and freeing it a few more. Freed events
// go on a free list for reuse. The events that were given a buffer (SYSEX,
// META) are listed in `owners`, so that freeing the sequence finds the
// buffers without reading every event; when that list could not grow,
// `owners_incomplete` is set and every event is read instead.
struct EventSlab;
struct EventPool {
  EventSlab* slabs;
  Event* free_list;
  size_t next_slab_capacity;
  Event** owners;
  size_t owner_count;
  size_t owner_capacity;
  bool owners_incomplete;
};

struct MbPosition {
  int32_t measure;
  float beat;
  char text[32];
};

struct MbtPosition {
  int32_t measure;
  int32_t beat;
  float tick;
  char text[32];
};

struct HmsPosition {
  int32_t hours;
  int32_t minutes;
  float seconds;
  char text[32];
};

struct HmsfPosition {
  int32_t hours;
  int32_t minutes;
  int32_t seconds;
  float frames;
  char text[32];
};

struct Sequence {
  int32_t format;
  int32_t division_type;
  int32_t resolution;
  int32_t beat_resolution;
  float frame_rate;
  int32_t track_count;
  Track* first_track;
  Track* last_track;
  Event* first_event;
  Event* last_event;
  MbPosition* mb_scratch;
  MbtPosition* mbt_scratch;
  HmsPosition* hms_scratch;
  HmsfPosition* hmsf_scratch;
  EventPool pool;
  // Counts the changes that the time index depends on (see invalidate_time_index).
  // The index was built for one count and is rebuilt when the count has
  // moved on. Owned; null until first used.
  uint64_t generation;
  internal::TimeIndex* time_index;
};

namespace internal {

// Every change to a sequence's division values or track list, and to the
// META events of its first track, ends here, so that the time index derived
// from them is known to be out of date. The index reads nothing else: the
// format, notes added to a format-0 file and events of other tracks leave it
// standing.
inline void invalidate_time_index(Sequence* sequence) { ++sequence->generation; }
inline void invalidate_time_index(Event* event) {
  if (event->kind == META && event->track == event->track->sequence->first_track)
    invalidate_time_index(event->track->sequence);
}

// Releases a sequence's time index (timing/time_index.cpp); null is allowed.
void free_time_index(TimeIndex* index);

// A zeroed event from the sequence's pool, linked nowhere; null when memory
// is exhausted.
Event* allocate_event(Sequence* sequence);
// Returns an unlinked event (and its owned bytes, malloc'ed) to the pool.
void release_event(Sequence* sequence, Event* event);

// Links an event whose track, tick and kind are set into both lists (and a
// META event into its track's array): after every event of tick <= its tick,
// scanning back from the tails. Raises the track's end tick.
void insert_event(Event* event);
// Unlinks an event from both lists and its track's array; its own links are
// left as they are.
void detach_event(Event* event);

// Releases a track's META array and stops keeping it (metas_incomplete):
// when it cannot grow, and for a track whose events all go, so that they
// need not be found in it one by one.
void drop_meta_array(Track* track);

// Loading fast path. append_event_to_track links the event at the end of its
// track only, and in its track's array (its tick must not be below the
// track's last tick; its bytes, if any, already set) and raises the end
// tick; link_sequence_order then builds the sequence order of a sequence whose sequence list is empty by a
// stable merge of the track lists: by tick, equal ticks by track number, then track order. The result equals
// inserting every event track after track with insert_event.
void append_event_to_track(Event* event);
void link_sequence_order(Sequence* sequence);

}  // namespace internal
}  // namespace tactus

#endif
