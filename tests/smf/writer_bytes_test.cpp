// The exact bytes the writer produces: header and division words, full
// status bytes on every message, variable-length quantities, end of track.
#include <gtest/gtest.h>

#include <vector>

#include "tactus/model.h"
#include "tests/smf/writer_scratch.h"

using namespace tactus;
using tactus::test::MidiBytes;
using tactus::test::saved_bytes;
using tactus::test::SequencePtr;

namespace {

TEST(WriterBytes, HeaderWordsAndEmptyTracks) {
  SequencePtr none(sequence_new(1, DIVISION_PPQ, 480));
  EXPECT_EQ(saved_bytes(none.get()),
            (MidiBytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0x01, 0xE0}.data()));
  const struct {
    int32_t type, resolution;
    uint32_t word;
  } divisions[] = {
      {DIVISION_PPQ, 480, 0x01E0},     {DIVISION_PPQ, 0x12345, 0x2345},  // low 16 bits
      {DIVISION_SMPTE24, 40, 0xE828},  {DIVISION_SMPTE25, 40, 0xE728},    {DIVISION_SMPTE30DROP, 80, 0xE350},
      {DIVISION_SMPTE30, 100, 0xE264}, {DIVISION_SMPTE30, 0x1FF, 0xE2FF},  // low 8 bits
  };
  for (const auto& row : divisions) {
    SequencePtr sequence(sequence_new(0, row.type, row.resolution));
    EXPECT_EQ(saved_bytes(sequence.get()), MidiBytes().header(0, 0, row.word).data()) << row.resolution;
  }
  // The format keeps its low 16 bits; an empty track is end of track at its end tick.
  SequencePtr two(sequence_new(0x10002, DIVISION_PPQ, 96));
  sequence_add_track(two.get());
  track_set_end_tick(sequence_add_track(two.get()), 200);  // 200 = 1 * 128 + 72
  EXPECT_EQ(saved_bytes(two.get()),
            (MidiBytes{'M', 'T', 'h', 'd', 0, 0, 0,    6,    0,    2,    0,    2,    0,   96,  //
                       'M', 'T', 'r', 'k', 0, 0, 0,    4,    0x00, 0xFF, 0x2F, 0x00, 'M', 'T',
                       'r', 'k', 0,   0,   0, 5, 0x81, 0x48, 0xFF, 0x2F, 0x00}
                 .data()));
}

struct TrackCase {
  const char* what;
  void (*build)(Track*);
  MidiBytes events;  // the track chunk's content, end of track included
};

TEST(WriterBytes, EachEventAsTheFileHoldsIt) {
  const TrackCase cases[] = {
      {"every channel message with its own status byte",
       [](Track* t) {
         note_on_new(t, 0, 0, 60, 100);
         note_on_new(t, 0, 0, 64, 100);
         note_off_new(t, 10, 1, 60, 64);
         key_pressure_new(t, 10, 2, 61, 30);
         control_change_new(t, 10, 3, 7, 90);
         program_change_new(t, 20, 4, 19);
         channel_pressure_new(t, 20, 5, 77);
         pitch_wheel_new(t, 30, 15, 4660);  // 0x1234: low seven bits 0x34, high 0x24
         pitch_wheel_new(t, 30, 6, 16383);
       },
       MidiBytes{0, 0x90, 60, 100,  0,  0x90, 64,   100, 10, 0x81, 60,   64,   0, 0xA2, 61,   30,  0, 0xB3,
                 7, 90,   10, 0xC4, 19, 0,    0xD5, 77,  10, 0xEF, 0x34, 0x24, 0, 0xE6, 0x7F, 0x7F}
           .end_of_track(0)},
      {"system exclusive keeps its status and counts the rest",
       [](Track* t) {
         const unsigned char universal[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
         const unsigned char escape[] = {0xF7, 0x43}, status_only[] = {0xF0};
         sysex_new(t, 0, 6, universal);
         sysex_new(t, 5, 2, escape);
         sysex_new(t, 5, 1, status_only);
       },
       MidiBytes()
           .sysex(0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
           .sysex(5, 0xF7, {0x43})
           .sysex(0, 0xF0, {})
           .end_of_track(0)},
      {"meta events without the trailing zero",
       [](Track* t) {
         tempo_new(t, 0, 120.0f);
         meta_new(t, 0, 0x7F, 0, nullptr);
         const std::vector<unsigned char> long_payload(128, 0x55);
         meta_new(t, 0, 0x01, 128, long_payload.data());
         marker_new(t, 3, "intro");
       },
       MidiBytes()
           .meta(0, 0x51, {0x07, 0xA1, 0x20})
           .meta(0, 0x7F, {})
           .bytes({0x00, 0xFF, 0x01, 0x81, 0x00})  // length 128 = 0x81 0x00
           .fill(128, 0x55)
           .meta(3, 0x06, MidiBytes().ascii("intro"))
           .end_of_track(0)},
      {"channel and data values masked to their bits",
       [](Track* t) {
         note_on_new(t, 0, 17, 200, 255);  // channel 17 & 0x0F = 1, 200 & 0x7F = 72
         control_change_new(t, 0, -1, 128, -1);
         pitch_wheel_new(t, 0, 0, 20000);  // 0x4E20: low 0x20, high 0x9C & 0x7F = 0x1C
         meta_new(t, 0, 0x85, 0, nullptr);
       },
       MidiBytes{0, 0x91, 72, 127, 0, 0xBF, 0, 127, 0, 0xE0, 0x20, 0x1C}.meta(0, 0x05, {}).end_of_track(0)},
      // Deltas: 0, 127, 128, 16383, 1, 2097151, 1, 2^28 - 1, then 1 to the end.
      {"delta times in one to four bytes",
       [](Track* t) {
         const int32_t largest = (1 << 28) - 1;
         for (int32_t tick : {0, 127, 255, 16638, 16639, 2113790, 2113791, 2113791 + largest}) {
           program_change_new(t, tick, 0, 1);
         }
         track_set_end_tick(t, 2113791 + largest + 1);
       },
       MidiBytes{0x00, 0xC0, 1,    0x7F, 0xC0, 1,    0x81, 0x00, 0xC0, 1,    0xFF, 0x7F,
                 0xC0, 1,    0x01, 0xC0, 1,    0xFF, 0xFF, 0x7F, 0xC0, 1,    0x01, 0xC0,
                 1,    0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 1,    0x01, 0xFF, 0x2F, 0x00}},
  };
  for (const TrackCase& c : cases) {
    SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
    c.build(sequence_add_track(sequence.get()));
    EXPECT_EQ(saved_bytes(sequence.get()), MidiBytes().header(1, 1, 480).track(c.events).data()) << c.what;
  }
}

TEST(WriterBytes, TracksFollowEachOtherInNumberOrder) {
  SequencePtr sequence(sequence_new(1, DIVISION_SMPTE25, 40));
  Track* second = sequence_add_track(sequence.get());
  Track* first = track_new_before(second);
  note_on_new(second, 7, 9, 36, 100);
  program_change_new(first, 0, 0, 0);
  EXPECT_EQ(saved_bytes(sequence.get()), MidiBytes()
                                             .header(1, 2, 0xE728)
                                             .track(MidiBytes{0, 0xC0, 0}.end_of_track(0))
                                             .track(MidiBytes{7, 0x99, 36, 100}.end_of_track(0))
                                             .data());
}

}  // namespace
