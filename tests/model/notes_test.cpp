// Notes as start/end pairs, and the meta events built from musical values;
// expected payloads worked out by hand.
#include <cmath>

#include "tests/model/model_test.h"

namespace tactus::test {
namespace {

using Notes = TwoTracks;
using Values = std::vector<int32_t>;
using Getter = int32_t (*)(Event*);
using Setter = int32_t (*)(Event*, int32_t);

// Channel, note, velocity of each side.
const Getter start_get[] = {note_start_get_channel, note_start_get_note, note_start_get_velocity};
const Setter start_set[] = {note_start_set_channel, note_start_set_note, note_start_set_velocity};
const Getter end_get[] = {note_end_get_channel, note_end_get_note, note_end_get_velocity};
const Setter end_set[] = {note_end_set_channel, note_end_set_note, note_end_set_velocity};

Values read(Event* event, const Getter (&get)[3]) { return {get[0](event), get[1](event), get[2](event)}; }
Values write(Event* event, const Setter (&set)[3], const Values& values) {
  Values results;
  for (size_t i = 0; i < values.size(); ++i) results.push_back(set[i](event, values[i]));
  return results;
}

TEST_F(Notes, EachSideReadsAndWritesItsOwnFormsAndRefusesTheRest) {
  Event* start = note_on_new(track0, 0, 3, 60, 100);
  Event* off = note_off_new(track0, 0, 2, 62, 40);
  Event* silent_on = note_on_new(track0, 0, 5, 64, 0);
  Event* other = key_pressure_new(track0, 0, 3, 60, 10);
  for (Event* event : {start, silent_on, off, other}) {
    const bool is_start = event == start, is_end = event == silent_on || event == off;
    EXPECT_EQ(read(event, start_get) == (Values{-1, -1, -1}), !is_start);
    EXPECT_EQ(write(event, start_set, {1, 1, 1}) == (Values{-1, -1, -1}), !is_start);
    EXPECT_EQ(read(event, end_get) == (Values{-1, -1, -1}), !is_end);
    EXPECT_EQ(write(event, end_set, {1, 1}) == (Values{-1, -1}), !is_end);
  }
  EXPECT_EQ(note_start_get_note_end(off), note_end_get_note_start(other));
  EXPECT_EQ(read(start, start_get), (Values{1, 1, 1}));
  EXPECT_EQ(read(off, end_get), (Values{1, 1, 40}));
  EXPECT_EQ(read(silent_on, end_get), (Values{1, 1, 0}));
  EXPECT_EQ(note_end_set_velocity(off, 33) + note_start_set_velocity(start, 0),
            0);  // now an end, still a NOTE_ON
  EXPECT_EQ(read(start, end_get), (Values{1, 1, 0}));
  EXPECT_EQ(note_off_get_velocity(off), 33);
  // A release velocity replaces a NOTE_ON end by a NOTE_OFF behind its tick.
  Event* same_tick = program_change_new(track0, 0, 4, 5);
  EXPECT_EQ(note_end_set_velocity(start, 77), 0);
  const Events events = track_events(track0);
  EXPECT_EQ(events.at(3), same_tick);
  EXPECT_EQ(read(events.at(4), end_get), (Values{1, 1, 77}));
  EXPECT_EQ(event_get_kind(events.at(4)), NOTE_OFF);
}

TEST_F(Notes, SearchesTakeTheNearestPartnerOfTheirTrackChannelAndNote) {
  Event* first_start = note_on_new(track0, 0, 0, 60, 100);
  Event* second_start = note_on_new(track0, 10, 0, 60, 100);
  note_on_new(track0, 15, 1, 60, 100);  // another channel's start
  note_off_new(track0, 16, 0, 61, 0);   // other note
  note_off_new(track1, 17, 0, 60, 0);   // other track
  Event* first_end = note_off_new(track0, 20, 0, 60, 0);
  Event* second_end = note_on_new(track0, 30, 0, 60, 0);
  note_on_new(track0, 35, 0, 60, 100);
  EXPECT_EQ(note_start_get_note_end(first_start), first_end);
  EXPECT_EQ(note_start_get_note_end(second_start), first_end);
  EXPECT_EQ(note_end_get_note_start(first_end), second_start);
  EXPECT_EQ(note_end_get_note_start(second_end), second_start);
  EXPECT_EQ(note_end_get_note_start(track_get_first_event(track1)), nullptr);
  // A pair's end before its start is created, but not found.
  EXPECT_EQ(note_start_get_note_end(note_pair_new(track1, 100, 50, 9, 38, 110, 20)), nullptr);
  EXPECT_EQ(read(note_start_get_note_end(note_pair_new(track1, 200, 340, 9, 38, 110, 20)), end_get),
            (Values{9, 38, 20}));
  EXPECT_EQ(note_pair_new(nullptr, 0, 10, 0, 60, 100, 0), nullptr);
}

// 60000000 / beats per minute, truncated, big-endian, in 24 bits: for 1e-12
// (the float 9.99999996e-13) the quotient 60000000239748169728 ends in
// 0x8AC000. Refused: tempos of no microseconds, or none at all.
TEST_F(Notes, TempoStoresTheLowTwentyFourBitsOfTheTruncatedQuotient) {
  const std::pair<float, Bytes> rows[] = {{120.0f, {0x07, 0xA1, 0x20}},
                                          {140.0f, {0x06, 0x8A, 0x1B}},
                                          {1e-12f, {0x8A, 0xC0, 0x00}},
                                          {60000000.0f, {0x00, 0x00, 0x01}}};
  for (const auto& [beats_per_minute, bytes] : rows)
    EXPECT_EQ(payload(tempo_new(track0, 10, beats_per_minute)), bytes);
  for (float refused : {0.0f, -120.0f, std::nanf(""), INFINITY, 60000008.0f, 1e-20f})
    EXPECT_EQ(tempo_new(track1, 0, refused), nullptr) << refused;
  Event* tempo = track_get_first_event(track0);
  EXPECT_EQ(meta_get_number(tempo), 0x51);
  EXPECT_EQ(tempo_set_beats_per_minute(tempo, 90.0f), 0);
  EXPECT_EQ(tempo_set_beats_per_minute(tempo, 0.0f) + tempo_set_beats_per_minute(meta(0x58, {1}), 90.0f), -2);
  EXPECT_EQ(payload(tempo), (Bytes{0x0A, 0x2C, 0x2A}));
  EXPECT_EQ(tempo_new(nullptr, 0, 120.0f), track_get_first_event(track1));
}

// Numerator (low eight bits), power of two, MIDI clocks per click, 8; any
// meta event takes a time signature and keeps its number.
TEST_F(Notes, TimeSignatureStoresNumeratorPowerClocksAndThirtySeconds) {
  for (int32_t power = 0; power < 8; ++power) {
    Event* signature = time_signature_new(track0, 0, 300, 1 << power);
    EXPECT_EQ(meta_get_number(signature), 0x58);
    EXPECT_EQ(payload(signature),
              (Bytes{44, static_cast<unsigned char>(power), static_cast<unsigned char>(96 >> power), 8}));
  }
  for (int32_t refused : {3, 0, 256, -4, 1 << 30})
    EXPECT_EQ(time_signature_new(track1, 0, 4, refused), nullptr);
  Event* lyric = lyric_new(track1, 0, "la");
  EXPECT_EQ(time_signature_set(lyric, -1, 4) + time_signature_set(lyric, 3, 3), -1);
  EXPECT_EQ(meta_get_number(lyric), 0x05);
  EXPECT_EQ(payload(lyric), (Bytes{0xFF, 0x02, 0x18, 0x08}));
  EXPECT_EQ(time_signature_set(note_on_new(track1, 0, 0, 60, 100), 3, 4), -1);
  EXPECT_EQ(track_get_first_event(track1), lyric);
}

TEST_F(Notes, TextsAreHeldWithoutTheirTerminatorAndReplacedInTheirOwnKindOnly) {
  const struct {
    Event* (*make)(Track*, int32_t, const char*);
    int32_t (*set)(Event*, const char*);
    const char* (*get)(Event*);
  } kinds[] = {{lyric_new, lyric_set_text, lyric_get_text}, {marker_new, marker_set_text, marker_get_text}};
  for (int k = 0; k < 2; ++k) {
    Event* event = kinds[k].make(track0, 7, "Hel-");
    EXPECT_EQ(meta_get_number(event), 5 + k);
    EXPECT_EQ(payload(event), (Bytes{'H', 'e', 'l', '-'}));
    EXPECT_EQ(kinds[1 - k].get(event), nullptr);
    EXPECT_EQ(kinds[k].set(event, "two words"), 0);
    EXPECT_EQ(kinds[k].set(event, "") + kinds[k].set(event, nullptr) + kinds[1 - k].set(event, "x"), -3);
    EXPECT_STREQ(kinds[k].get(event), "two words");
    EXPECT_STREQ(kinds[k].get(kinds[k].make(track0, 0, "")), "");
    EXPECT_EQ(kinds[k].make(track1, 0, nullptr), nullptr);
  }
  EXPECT_EQ(track_get_first_event(track1), nullptr);
}

}  // namespace
}  // namespace tactus::test
