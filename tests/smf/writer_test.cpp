// The exact bytes the writer produces, where a reader would take others as
// well: every event with its full status, delta times and lengths in their
// shortest form. What it keeps of each value the random round trips show.
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

TEST(WriterBytes, EachEventAsTheFileHoldsIt) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* second = sequence_add_track(sequence.get());
  Track* first = track_new_before(second);
  note_on_new(second, 7, 9, 36, 100);
  const unsigned char universal[] = {0xF0, 0x7E, 0xF7};
  const unsigned char escape[] = {0xF7, 0x43};
  const std::vector<unsigned char> payload(128, 0x55);
  note_on_new(first, 0, 0, 60, 100);
  note_on_new(first, 0, 0, 64, 100);
  pitch_wheel_new(first, 0x7F, 15, 4660);  // 0x24 << 7 | 0x34
  sysex_new(first, 0xFF, 3, universal);
  sysex_new(first, 0xFF + 0x4000, 2, escape);
  meta_new(first, 0x2040FF, 0x01, 128, payload.data());
  program_change_new(first, 0x2040FF + 0x0FFFFFFF, 0, 1);
  track_set_end_tick(first, 0x2040FF + 0x0FFFFFFF + 0x80);
  const MidiBytes events = MidiBytes({0, 0x90, 60, 100, 0, 0x90, 64, 100, 0x7F, 0xEF, 0x34, 0x24})
                               .bytes({0x81, 0x00, 0xF0, 2, 0x7E, 0xF7, 0x81, 0x80, 0x00, 0xF7, 1, 0x43})
                               .bytes({0x81, 0x80, 0x80, 0x00, 0xFF, 0x01, 0x81, 0x00})
                               .fill(128, 0x55)
                               .bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 1, 0x81, 0x00, 0xFF, 0x2F, 0});
  EXPECT_EQ(saved_bytes(sequence.get()), MidiBytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0})
                                             .track(events)
                                             .track({7, 0x99, 36, 100, 0, 0xFF, 0x2F, 0})
                                             .data());
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
