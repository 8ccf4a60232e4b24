// The exact bytes the writer produces, and Sequences saved and loaded again.
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

// Every event with its full status; channels, data values and meta numbers
// cut to their bits; delta times in one to four bytes.
TEST(WriterBytes, EachEventAsTheFileHoldsIt) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* second = sequence_add_track(sequence.get());
  Track* t = track_new_before(second);
  note_on_new(second, 7, 9, 36, 100);
  const unsigned char universal[] = {0xF0, 0x7E, 0x7F, 0xF7}, escape[] = {0xF7, 0x43};
  const std::vector<unsigned char> long_payload(128, 0x55);
  note_on_new(t, 0, 0, 60, 100), note_on_new(t, 0, 0, 64, 100), note_off_new(t, 10, 1, 60, 64);
  key_pressure_new(t, 10, 2, 61, 30), control_change_new(t, 10, 3, 7, 90), program_change_new(t, 20, 4, 19);
  channel_pressure_new(t, 20, 5, 77), pitch_wheel_new(t, 30, 15, 4660), pitch_wheel_new(t, 30, 6, 16383);
  sysex_new(t, 30, 4, universal), sysex_new(t, 35, 2, escape), sysex_new(t, 35, 1, universal);
  meta_new(t, 35, 0x51, 3, universal), meta_new(t, 35, 0x7F, 0, nullptr);
  meta_new(t, 35, 0x01, 128, long_payload.data()), note_on_new(t, 35, 17, 200, 255);
  control_change_new(t, 35, -1, 128, -1), pitch_wheel_new(t, 35, 0, 20000), meta_new(t, 35, 0x85, 0, nullptr);
  for (int32_t tick : {162, 16545, 2113696, 2113696 + (1 << 28) - 1}) program_change_new(t, tick, 0, 1);
  track_set_end_tick(t, 2113696 + (1 << 28) - 1 + 128);
  // 4660 = 0x24 << 7 | 0x34; 20000 = 0x9C << 7 | 0x20.
  MidiBytes events{0, 0x90, 60, 100,  0,  0x90, 64,   100, 10, 0x81, 60,   64,   0, 0xA2, 61,   30,  0, 0xB3,
                   7, 90,   10, 0xC4, 19, 0,    0xD5, 77,  10, 0xEF, 0x34, 0x24, 0, 0xE6, 0x7F, 0x7F};
  events.sysex(0, 0xF0, {0x7E, 0x7F, 0xF7})
      .sysex(5, 0xF7, {0x43})
      .sysex(0, 0xF0, {})
      .meta(0, 0x51, {0xF0, 0x7E, 0x7F});
  events.meta(0, 0x7F, {}).bytes({0, 0xFF, 0x01, 0x81, 0x00}).fill(128, 0x55);  // length 128 in two bytes
  events.bytes({0, 0x91, 72, 127, 0, 0xBF, 0, 127, 0, 0xE0, 0x20, 0x1C}).meta(0, 0x05, {});
  events.bytes(
      {0x7F, 0xC0, 1, 0xFF, 0x7F, 0xC0, 1, 0xFF, 0xFF, 0x7F, 0xC0, 1, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 1});
  events.bytes({0x81, 0x00, 0xFF, 0x2F, 0x00});
  EXPECT_EQ(
      saved_bytes(sequence.get()),
      MidiBytes().header(1, 2, 480).track(events).track(MidiBytes{7, 0x99, 36, 100}.end_of_track(0)).data());
}

// Every kind of event over three tracks, built track after track so that
// events of one tick stand in track order, as the reader makes them.
TEST(WriterRoundTrip, EveryKindOfEventComesBackForEveryDivision) {
  for (int32_t type = DIVISION_PPQ; type <= DIVISION_SMPTE30; ++type) {
    SequencePtr sequence(sequence_new(1, type, type == DIVISION_PPQ ? 0x7FFF : 250 + type));
    Track* conductor = sequence_add_track(sequence.get());
    tempo_new(conductor, 0, 120.0f), time_signature_new(conductor, 0, 6, 8),
        marker_new(conductor, 0, "intro");
    meta_new(conductor, 0, 0x03, 0, nullptr), track_set_end_tick(conductor, 3840);
    Track* melody = sequence_add_track(sequence.get());
    program_change_new(melody, 0, 0, 73), control_change_new(melody, 0, 0, 7, 100);
    note_pair_new(melody, 0, 240, 0, 72, 90, 0), note_on_new(melody, 240, 0, 74, 80);
    lyric_new(melody, 240, "la"), key_pressure_new(melody, 250, 0, 74, 33),
        channel_pressure_new(melody, 260, 0, 64);
    pitch_wheel_new(melody, 270, 0, 0), pitch_wheel_new(melody, 271, 0, 16383),
        note_on_new(melody, 480, 0, 74, 0);
    Track* extras = sequence_add_track(sequence.get());
    const unsigned char reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, continuation[] = {0xF7, 0x01, 0x02};
    sysex_new(extras, 0, 6, reset), sysex_new(extras, 0, 3, continuation);
    const std::vector<unsigned char> long_text(300, 'x');
    meta_new(extras, 100, 0x01, 300, long_text.data()), note_off_new(extras, 1 << 27, 15, 127, 127);
    EXPECT_EQ(describe_sequence(saved_and_loaded(sequence.get()).get()), describe_sequence(sequence.get()));
  }
}

// Over 64 KB in one track: the length's third byte counts.
TEST(WriterRoundTrip, ATrackLongerThan64KBComesBack) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 96));
  Track* track = sequence_add_track(sequence.get());
  for (int32_t tick = 0; tick < 30000; ++tick) control_change_new(track, tick, 0, 7, tick & 0x7F);
  note_on_new(sequence_add_track(sequence.get()), 5, 0, 60, 100);
  const Bytes bytes = saved_bytes(sequence.get());
  ASSERT_EQ(bytes.size(), 14u + 8 + 30000 * 4 + 4 + 8 + 8);
  EXPECT_EQ(Bytes(bytes.begin() + 18, bytes.begin() + 22), (Bytes{0x00, 0x01, 0xD4, 0xC4}));  // 120004 bytes
  EXPECT_EQ(describe_sequence(saved_and_loaded(sequence.get()).get()), describe_sequence(sequence.get()));
}

}  // namespace
}  // namespace tactus::test
