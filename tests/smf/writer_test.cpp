// The exact bytes the writer produces.
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

// From 8 MiB on, a chunk's length needs its top byte: a sysex of 2^23 bytes
// (a delta, the status, 4 bytes of length, the rest) and an end of track.
TEST(WriterBytes, AChunkOf8MiBHasALengthOfFourBytes) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  std::vector<unsigned char> sysex(1 << 23, 0);
  sysex[0] = 0xF0;
  sysex_new(sequence_add_track(sequence.get()), 0, 1 << 23, sysex.data());
  const Bytes bytes = saved_bytes(sequence.get());
  EXPECT_EQ(Bytes(bytes.begin() + 18, bytes.begin() + 22), (Bytes{0x00, 0x80, 0x00, 0x09}));
}

}  // namespace
}  // namespace tactus::test
