// Sequences for the timing tests, built in memory with raw meta payloads so
// that the tempo and time-signature values are exactly the ones written here.
#ifndef TACTUS_TESTS_TIMING_FIXTURES_H
#define TACTUS_TESTS_TIMING_FIXTURES_H

#include <cstdint>
#include <memory>
#include <string>

#include "tactus/tactus.h"

namespace timing_test {

struct SequenceFree {
  void operator()(tactus::Sequence* sequence) const { tactus::sequence_free(sequence); }
};
using SequencePtr = std::unique_ptr<tactus::Sequence, SequenceFree>;

// A sequence with `tracks` empty tracks.
inline SequencePtr make_sequence(int32_t division_type, int32_t resolution, int tracks = 1) {
  SequencePtr sequence(tactus::sequence_new(1, division_type, resolution));
  for (int i = 0; i < tracks; ++i) tactus::sequence_add_track(sequence.get());
  return sequence;
}

inline tactus::Track* track(const SequencePtr& sequence, int32_t number) {
  return tactus::sequence_get_track_by_number(sequence.get(), number, 0);
}

// A tempo event of `microseconds` per quarter note (big-endian, three bytes).
inline tactus::Event* add_tempo(const SequencePtr& sequence, int32_t track_number, int32_t tick,
                                uint32_t microseconds) {
  const unsigned char payload[3] = {static_cast<unsigned char>(microseconds >> 16),
                                    static_cast<unsigned char>(microseconds >> 8),
                                    static_cast<unsigned char>(microseconds)};
  return tactus::meta_new(track(sequence, track_number), tick, 0x51, 3, payload);
}

// A time-signature event: numerator, then the denominator as a power of two.
inline tactus::Event* add_signature(const SequencePtr& sequence, int32_t track_number, int32_t tick,
                                    unsigned char numerator, unsigned char power) {
  const unsigned char payload[4] = {numerator, power, 24, 8};
  return tactus::meta_new(track(sequence, track_number), tick, 0x58, 4, payload);
}

// A text meta event (0x06 marker, 0x05 lyric) with `text` as its payload.
inline tactus::Event* add_text(const SequencePtr& sequence, int32_t track_number, int32_t tick,
                               int32_t meta_number, const std::string& text) {
  return tactus::meta_new(track(sequence, track_number), tick, meta_number, static_cast<int32_t>(text.size()),
                          reinterpret_cast<const unsigned char*>(text.data()));
}

}  // namespace timing_test

#endif
