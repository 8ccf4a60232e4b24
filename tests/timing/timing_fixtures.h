// Sequences for the timing tests, built in memory with raw meta payloads so
// that the tempo and time-signature values are exactly the ones written here.
#ifndef TACTUS_TESTS_TIMING_FIXTURES_H
#define TACTUS_TESTS_TIMING_FIXTURES_H

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tactus/tactus.h"

namespace timing_test {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

struct SequenceFree {
  void operator()(tactus::Sequence* sequence) const { tactus::sequence_free(sequence); }
};
using SequencePtr = std::unique_ptr<tactus::Sequence, SequenceFree>;

inline SequencePtr make_sequence(int32_t division_type, int32_t resolution, int tracks = 1) {
  SequencePtr sequence(tactus::sequence_new(1, division_type, resolution));
  for (int i = 0; i < tracks; ++i) tactus::sequence_add_track(sequence.get());
  return sequence;
}

inline tactus::Track* track(const SequencePtr& sequence, int32_t number) {
  return tactus::sequence_get_track_by_number(sequence.get(), number, 0);
}

// A tempo event of `microseconds` per quarter note (big-endian, three bytes).
inline void add_tempo(const SequencePtr& sequence, int32_t track_number, int32_t tick,
                      uint32_t microseconds) {
  const unsigned char payload[3] = {static_cast<unsigned char>(microseconds >> 16),
                                    static_cast<unsigned char>(microseconds >> 8),
                                    static_cast<unsigned char>(microseconds)};
  tactus::meta_new(track(sequence, track_number), tick, 0x51, 3, payload);
}

// A time-signature event: numerator, then the denominator as a power of two.
inline void add_signature(const SequencePtr& sequence, int32_t track_number, int32_t tick,
                          unsigned char numerator, unsigned char power) {
  const unsigned char payload[4] = {numerator, power, 24, 8};
  tactus::meta_new(track(sequence, track_number), tick, 0x58, 4, payload);
}

// A sequence described as data, so that tables of cases can name their map.
struct Change {
  enum Kind { kTempo, kSignature } kind;
  int32_t track;
  int32_t tick;
  uint32_t value;  // microseconds per quarter note, or the numerator
  unsigned char power = 0;
};
struct Map {
  int32_t division_type;
  int32_t resolution;
  std::vector<Change> changes;
  int tracks = 1;
};

inline SequencePtr build(const Map& map) {
  auto sequence = make_sequence(map.division_type, map.resolution, map.tracks);
  for (const Change& change : map.changes) {
    if (change.kind == Change::kTempo) {
      add_tempo(sequence, change.track, change.tick, change.value);
    } else {
      add_signature(sequence, change.track, change.tick, static_cast<unsigned char>(change.value),
                    change.power);
    }
  }
  return sequence;
}

inline Change tempo(int32_t tick, uint32_t microseconds, int32_t track = 0) {
  return {Change::kTempo, track, tick, microseconds};
}
inline Change signature(int32_t tick, uint32_t numerator, unsigned char power, int32_t track = 0) {
  return {Change::kSignature, track, tick, numerator, power};
}

// The four notations of the text conversions, as indices into these tables.
enum Notation { kMb, kMbt, kHms, kHmsf };
inline const char* (*const kTextFromTick[])(tactus::Sequence*, int32_t) = {
    tactus::sequence_get_mb_string_from_tick, tactus::sequence_get_mbt_string_from_tick,
    tactus::sequence_get_hms_string_from_tick, tactus::sequence_get_hmsf_string_from_tick};
inline int32_t (*const kTickFromText[])(tactus::Sequence*, const char*) = {
    tactus::sequence_get_tick_from_mb_string, tactus::sequence_get_tick_from_mbt_string,
    tactus::sequence_get_tick_from_hms_string, tactus::sequence_get_tick_from_hmsf_string};

inline std::string text_from_tick(tactus::Sequence* sequence, Notation notation, int32_t tick) {
  const char* text = kTextFromTick[notation](sequence, tick);
  return text == nullptr ? "(null)" : text;
}

}  // namespace timing_test

#endif
