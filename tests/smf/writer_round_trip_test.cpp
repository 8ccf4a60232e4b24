// Sequences built through the model, saved and loaded again: the same
// events in both lists and the same end ticks, and exactly the documented
// losses where the file format cannot say what the model holds.
#include <gtest/gtest.h>

#include <vector>

#include "tactus/model.h"
#include "tests/smf/reader_compare.h"
#include "tests/smf/writer_scratch.h"

using namespace tactus;
using tactus::test::expect_same_sequence;
using tactus::test::saved_and_loaded;
using tactus::test::SequencePtr;

namespace {

// Every kind of event over three tracks, built track after track so that
// events of one tick stand in track order, as the reader makes them.
void fill_with_every_kind(Sequence* sequence) {
  Track* conductor = sequence_add_track(sequence);
  tempo_new(conductor, 0, 120.0f);
  time_signature_new(conductor, 0, 6, 8);
  marker_new(conductor, 0, "intro");
  meta_new(conductor, 0, 0x03, 0, nullptr);  // empty track name
  tempo_new(conductor, 1920, 96.5f);
  marker_new(conductor, 1920, "verse");
  track_set_end_tick(conductor, 3840);

  Track* melody = sequence_add_track(sequence);
  program_change_new(melody, 0, 0, 73);
  control_change_new(melody, 0, 0, 7, 100);
  note_pair_new(melody, 0, 240, 0, 72, 90, 0);
  note_on_new(melody, 240, 0, 74, 80);
  note_on_new(melody, 480, 0, 74, 0);  // a note end in NOTE_ON form
  lyric_new(melody, 240, "la");
  key_pressure_new(melody, 250, 0, 74, 33);
  channel_pressure_new(melody, 260, 0, 64);
  pitch_wheel_new(melody, 270, 0, 0);
  pitch_wheel_new(melody, 271, 0, 16383);
  pitch_wheel_new(melody, 272, 0, 8192);

  Track* extras = sequence_add_track(sequence);
  const unsigned char reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  const unsigned char continuation[] = {0xF7, 0x01, 0x02};
  sysex_new(extras, 0, 6, reset);
  sysex_new(extras, 0, 3, continuation);
  std::vector<unsigned char> long_text(300, 'x');
  meta_new(extras, 100, 0x01, 300, long_text.data());
  const unsigned char sequencer_specific[] = {0x00, 0x00, 0x41, 0xFF};
  meta_new(extras, 100, 0x7F, 4, sequencer_specific);
  note_off_new(extras, 1 << 27, 15, 127, 127);
}

// Saving twice gives the same again, and leaves the sequence as it was.
TEST(WriterRoundTrip, EveryKindOfEventComesBackInBothListsForEveryDivision) {
  const std::pair<int32_t, int32_t> divisions[] = {
      {DIVISION_PPQ, 480},     {DIVISION_PPQ, 1},          {DIVISION_PPQ, 0x7FFF}, {DIVISION_SMPTE24, 40},
      {DIVISION_SMPTE25, 255}, {DIVISION_SMPTE30DROP, 80}, {DIVISION_SMPTE30, 100}};
  for (const auto& [type, resolution] : divisions) {
    SCOPED_TRACE(resolution);
    SequencePtr sequence(sequence_new(1, type, resolution));
    fill_with_every_kind(sequence.get());
    SequencePtr loaded = saved_and_loaded(sequence.get());
    expect_same_sequence(loaded.get(), sequence.get());
    expect_same_sequence(saved_and_loaded(sequence.get()).get(), loaded.get());
  }
  SequencePtr none(sequence_new(0, DIVISION_PPQ, 96));
  expect_same_sequence(saved_and_loaded(none.get()).get(), none.get());
  SequencePtr empty_tracks(sequence_new(1, DIVISION_PPQ, 96));
  sequence_add_track(empty_tracks.get());
  track_set_end_tick(sequence_add_track(empty_tracks.get()), 5000);
  expect_same_sequence(saved_and_loaded(empty_tracks.get()).get(), empty_tracks.get());
}

TEST(WriterRoundTrip, TheLargestDeltaTimeComesBack) {
  SequencePtr sequence(sequence_new(0, DIVISION_PPQ, 96));
  Track* track = sequence_add_track(sequence.get());
  note_pair_new(track, (1 << 28) - 1, 2 * ((1 << 28) - 1), 0, 60, 100, 0);
  track_set_end_tick(track, 3 * ((1 << 28) - 1));
  expect_same_sequence(saved_and_loaded(sequence.get()).get(), sequence.get());
}

TEST(WriterRoundTrip, OutOfRangeValuesComeBackMasked) {
  SequencePtr sequence(sequence_new(0x10001, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  note_on_new(track, 0, 17, 200, 255);
  key_pressure_new(track, 0, 31, -1, 128);
  control_change_new(track, 0, -1, 128, 300);
  program_change_new(track, 0, 16, 129);
  channel_pressure_new(track, 0, 100, -2);
  pitch_wheel_new(track, 0, 0, 20000);
  pitch_wheel_new(track, 0, 0, -1);
  meta_new(track, 0, 0x85, 0, nullptr);
  meta_new(track, 0, 0xFF, 0, nullptr);

  // The same values as the file holds them, worked out by hand: channels
  // & 0x0F, data & 0x7F, pitch wheel & 0x3FFF, meta numbers & 0x7F.
  SequencePtr expected(sequence_new(1, DIVISION_PPQ, 480));
  Track* masked = sequence_add_track(expected.get());
  note_on_new(masked, 0, 1, 72, 127);
  key_pressure_new(masked, 0, 15, 127, 0);
  control_change_new(masked, 0, 15, 0, 44);
  program_change_new(masked, 0, 0, 1);
  channel_pressure_new(masked, 0, 4, 126);
  pitch_wheel_new(masked, 0, 0, 3616);
  pitch_wheel_new(masked, 0, 0, 16383);
  meta_new(masked, 0, 0x05, 0, nullptr);
  meta_new(masked, 0, 0x7F, 0, nullptr);

  expect_same_sequence(saved_and_loaded(sequence.get()).get(), expected.get());
}

TEST(WriterRoundTrip, EndOfTrackAmongTheEventsEndsTheTrackThere) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* first = sequence_add_track(sequence.get());
  Track* second = sequence_add_track(sequence.get());
  note_on_new(first, 10, 0, 60, 100);
  meta_new(first, 20, 0x2F, 0, nullptr);
  note_off_new(first, 30, 0, 60, 0);
  track_set_end_tick(first, 100);
  note_on_new(second, 40, 1, 62, 100);

  SequencePtr expected(sequence_new(1, DIVISION_PPQ, 480));
  Track* cut = sequence_add_track(expected.get());
  Track* untouched = sequence_add_track(expected.get());
  note_on_new(cut, 10, 0, 60, 100);
  track_set_end_tick(cut, 20);
  note_on_new(untouched, 40, 1, 62, 100);

  expect_same_sequence(saved_and_loaded(sequence.get()).get(), expected.get());
}

// A PPQ resolution whose high byte is an SMPTE code reads back as SMPTE;
// an SMPTE resolution keeps only its low eight bits.
TEST(WriterRoundTrip, DivisionsComeBackAsTheirWordsRead) {
  const struct {
    int32_t type;
    int32_t resolution;
    int32_t read_type;
    int32_t read_resolution;
  } rows[] = {
      {DIVISION_PPQ, 0xE728, DIVISION_SMPTE25, 0x28},    {DIVISION_PPQ, 0xE800, DIVISION_SMPTE24, 0},
      {DIVISION_PPQ, 0xE3FF, DIVISION_SMPTE30DROP, 255}, {DIVISION_PPQ, 0xE201, DIVISION_SMPTE30, 1},
      {DIVISION_PPQ, 0xE600, DIVISION_PPQ, 58880},       {DIVISION_PPQ, 0x1E728, DIVISION_SMPTE25, 0x28},
      {DIVISION_SMPTE30, 300, DIVISION_SMPTE30, 44},     {DIVISION_SMPTE24, -1, DIVISION_SMPTE24, 255}};
  for (const auto& row : rows) {
    SequencePtr sequence(sequence_new(1, row.type, row.resolution));
    SequencePtr loaded = saved_and_loaded(sequence.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(sequence_get_division_type(loaded.get()), row.read_type) << row.resolution;
    EXPECT_EQ(sequence_get_resolution(loaded.get()), row.read_resolution) << row.resolution;
  }
}

}  // namespace
