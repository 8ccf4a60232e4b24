// Random maps and edits for the timing tests and fuzz target, with every
// value a file can hold (0 microseconds, numerator 0, short payloads...).
#ifndef TACTUS_TESTS_TIMING_TIMING_MAPS_H
#define TACTUS_TESTS_TIMING_TIMING_MAPS_H

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <random>

#include "tactus/tactus.h"

namespace timing_test {

using namespace tactus;

using SequencePtr = std::unique_ptr<Sequence, int32_t (*)(Sequence*)>;
inline SequencePtr owned(Sequence* sequence) { return {sequence, sequence_free}; }

// A meta event of these payload bytes: 0x51 tempo (microseconds, big-endian),
// 0x58 time signature (numerator, power of two of the denominator, ...).
inline Event* add_meta(Track* track, int32_t tick, int32_t number, std::initializer_list<uint32_t> bytes) {
  unsigned char payload[4] = {};
  std::copy(bytes.begin(), bytes.end(), payload);
  return meta_new(track, tick, number, static_cast<int32_t>(bytes.size()), payload);
}

// The text conversions of mb, mbt, hms and hmsf, then the marker lookup.
inline const char* (*const kTickToText[])(Sequence*, int32_t) = {
    sequence_get_mb_string_from_tick, sequence_get_mbt_string_from_tick, sequence_get_hms_string_from_tick,
    sequence_get_hmsf_string_from_tick};
inline int32_t (*const kTextToTick[])(Sequence*, const char*) = {
    sequence_get_tick_from_mb_string, sequence_get_tick_from_mbt_string, sequence_get_tick_from_hms_string,
    sequence_get_tick_from_hmsf_string, sequence_get_tick_from_marker};
inline const char* const kMarkerNames[] = {"A", "Chorus", "chorus", ""};

// Fully specified, so that failures reproduce everywhere from the seed.
struct Random : std::minstd_rand {
  using std::minstd_rand::minstd_rand;
  uint32_t below(uint32_t bound) { return static_cast<uint32_t>((*this)() % bound); }
  bool one_in(uint32_t n) { return below(n) == 0; }
};

// Mostly a few hundred ticks around 0, so that events share ticks.
inline int32_t random_tick(Random& random) {
  if (random.one_in(20))
    return random.one_in(2) ? INT32_MIN + static_cast<int32_t>(random.below(3)) : INT32_MAX;
  if (random.one_in(8)) return static_cast<int32_t>(random.below(4000000)) - 1000000;
  return static_cast<int32_t>(random.below(400)) * 10 - 200;
}

// Any change a caller can make, mostly to the first track: events (notes and meta events) added, removed,
// moved in time or rewritten; header values; another track made the first.
inline void random_edit(Sequence* s, Random& random) {
  Track* track = sequence_get_track_by_number(s, random.one_in(5) ? 1 : 0, 1);
  Event* event = track_get_first_event(track);
  for (uint32_t skip = random.below(12); skip > 0; --skip) event = event_get_next_in_track(event);
  const int32_t tick = random_tick(random);
  const uint32_t odd_tempos[] = {0, 1, 0xFFFFFF, 500000};
  const uint32_t us = random.one_in(6) ? odd_tempos[random.below(4)] : 200000 + random.below(1300000);
  const int32_t resolutions[] = {480, 96, 1, 0, -480, 65535};
  const int32_t resolution = resolutions[random.below(6)];
  const uint32_t numerator = random.one_in(8) ? 0 : 1 + random.below(12), power = random.below(9);
  const uint32_t kind = random.below(19);
  if (kind < 3) add_meta(track, tick, 0x51, {us >> 16 & 255, us >> 8 & 255, us & 255});
  if (kind == 3) add_meta(track, tick, 0x51, {us & 255});
  if (kind == 4 || kind == 5) add_meta(track, tick, 0x58, {numerator, power, 24, 8});
  if (kind == 6) marker_new(track, tick, kMarkerNames[random.below(4)]);
  if (kind == 7) sequence_set_division_type(s, static_cast<int32_t>(power) - 1);
  if (kind == 8) event_free(event);
  if (kind == 9) event_set_tick(event, tick);
  if (kind == 10) tempo_set_beats_per_minute(event, static_cast<float>(us) / 5000.0f);
  if (kind == 11) meta_set_number(event, random.one_in(2) ? 0x51 : 0x58);
  if (kind == 12) sequence_set_division_type(s, static_cast<int32_t>(power) % 5);
  if (kind == 13) sequence_set_resolution(s, resolution);
  if (kind == 14) sequence_set_beat_resolution(s, resolution);
  if (kind == 15 && power % 2 == 0) track_new_before(sequence_get_first_track(s));
  if (kind == 15 && power % 2 == 1 && sequence_get_track_count(s) > 1)
    track_free(sequence_get_first_track(s));
  if (kind == 16 || kind == 17)
    random.one_in(3) ? lyric_new(track, tick, "la") : note_on_new(track, tick, 0, 60, 1);
  // A marker's text changed in place: marker lookups see it, with or without the index.
  if (kind == 18 && event_is_marker(event) && meta_get_data_length(event) > 0)
    meta_get_data(event)[0] ^= 0x20;
}

// A sequence of random division after `edits` random edits.
inline SequencePtr random_sequence(Random& random, int edits) {
  auto sequence = owned(sequence_new(1, static_cast<int32_t>(random.below(5)), random.one_in(2) ? 480 : 40));
  for (int i = 0; i < edits; ++i) random_edit(sequence.get(), random);
  return sequence;
}

}  // namespace timing_test

#endif
