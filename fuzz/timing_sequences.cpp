#include "fuzz/timing_sequences.h"

#include <cstdint>

namespace tactus::fuzz {
namespace {

// A tempo event with any microseconds per quarter note, 0 included (the
// builder refuses those that no tempo gives).
void raw_tempo(Track* track, int32_t tick, uint32_t microseconds) {
  const unsigned char payload[3] = {static_cast<unsigned char>(microseconds >> 16),
                                    static_cast<unsigned char>(microseconds >> 8),
                                    static_cast<unsigned char>(microseconds)};
  meta_new(track, tick, 0x51, 3, payload);
}

// A time signature with the denominator as its stored power of two, any
// value (the builder accepts only 1 to 128).
void raw_time_signature(Track* track, int32_t tick, unsigned numerator, unsigned power) {
  const unsigned char payload[4] = {static_cast<unsigned char>(numerator), static_cast<unsigned char>(power),
                                    24, 8};
  meta_new(track, tick, 0x58, 4, payload);
}

void add_notes(Sequence* sequence, int32_t tick) {
  Track* track = sequence_get_track_by_number(sequence, 1, 1);
  note_pair_new(track, tick, tick + 120, 0, 60, 100, 0);
  marker_new(track, tick, "Elsewhere");  // markers of other tracks are not found
}

// 480 per quarter, meters changing between 6/8, 3/4 and 7/16, two tempos.
Sequence* ppq_with_meters() {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 480);
  Track* track = sequence_add_track(sequence);
  tempo_new(track, 0, 100.0f);
  time_signature_new(track, 0, 6, 8);
  marker_new(track, 960, "Chorus");
  tempo_new(track, 1920, 140.0f);
  time_signature_new(track, 3840, 3, 4);
  marker_new(track, 5000, "Verse 2");
  marker_new(track, 6000, "Chorus");
  time_signature_new(track, 7000, 7, 16);
  add_notes(sequence, 240);
  return sequence;
}

// 25 frames of 40 ticks a second, where the tempo turns ticks into beats.
Sequence* smpte_with_tempos() {
  Sequence* sequence = sequence_new(0, DIVISION_SMPTE25, 40);
  Track* track = sequence_add_track(sequence);
  tempo_new(track, 0, 90.0f);
  time_signature_new(track, 1000, 5, 4);
  tempo_new(track, 2000, 180.0f);
  marker_new(track, 2500, "");
  add_notes(sequence, 100);
  return sequence;
}

// Resolution 0 and a tempo of 0 microseconds: divisions by zero and
// infinities everywhere; meters of 0 beats and unknown denominators; a tempo
// and a signature with payloads too short.
Sequence* ppq_degenerate() {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 0);
  Track* track = sequence_add_track(sequence);
  raw_tempo(track, 0, 0);
  raw_time_signature(track, 480, 0, 2);
  raw_time_signature(track, 960, 3, 9);
  const unsigned char short_payload[1] = {0x07};
  meta_new(track, 1440, 0x51, 1, short_payload);
  meta_new(track, 1440, 0x58, 0, nullptr);
  raw_tempo(track, 2000, 0xFFFFFF);
  add_notes(sequence, 0);
  return sequence;
}

Sequence* smpte_degenerate() {
  Sequence* sequence = sequence_new(0, DIVISION_SMPTE30DROP, 0);
  Track* track = sequence_add_track(sequence);
  raw_tempo(track, 0, 0);
  raw_time_signature(track, 0, 255, 255);
  raw_tempo(track, 100, 1);
  raw_time_signature(track, 200, 0, 0);
  return sequence;
}

// The largest values a file can give: resolution 65535, the slowest tempo,
// 255 beats of 1/128, events at the last tick.
Sequence* ppq_extreme() {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 65535);
  Track* track = sequence_add_track(sequence);
  raw_tempo(track, 0, 0xFFFFFF);
  raw_time_signature(track, 0, 255, 7);
  raw_tempo(track, INT32_MAX - 1, 1);
  raw_time_signature(track, INT32_MAX, 1, 0);
  marker_new(track, INT32_MAX, "End");
  return sequence;
}

// A division type that no file gives: the conversions answer -1.
Sequence* unknown_division() {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 480);
  sequence_set_division_type(sequence, 9);
  Track* track = sequence_add_track(sequence);
  time_signature_new(track, 480, 3, 4);
  return sequence;
}

Sequence* without_tracks() { return sequence_new(0, DIVISION_SMPTE24, 10); }

// Freed at exit, so that the leak check at exit finds nothing left.
struct Owned {
  std::vector<Sequence*> sequences{ppq_with_meters(),  smpte_with_tempos(), ppq_degenerate(),
                                   smpte_degenerate(), ppq_extreme(),       unknown_division(),
                                   without_tracks()};
  ~Owned() {
    for (Sequence* sequence : sequences) sequence_free(sequence);
  }
};

}  // namespace

const std::vector<Sequence*>& timing_sequences() {
  static const Owned owned;
  return owned.sequences;
}

}  // namespace tactus::fuzz
