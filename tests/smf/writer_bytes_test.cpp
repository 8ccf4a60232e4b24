// The exact bytes the writer produces: header and division words, full
// status bytes on every message, variable-length quantities, end of track.
#include <gtest/gtest.h>

#include "tactus/model.h"
#include "tests/smf/writer_scratch.h"
#include "tests/support/midi_bytes.h"

using namespace tactus;
using tactus::test::MidiBytes;
using tactus::test::saved_bytes;
using tactus::test::SequencePtr;

namespace {

// The track's events as bytes, followed by end of track with the given delta.
MidiBytes file_of_one_track(uint32_t division, const MidiBytes& events) {
  return MidiBytes().header(1, 1, division).track(events);
}

TEST(WriterBytes, NoTracksGivesTheFourteenByteHeaderAlone) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  EXPECT_EQ(saved_bytes(sequence.get()),
            (MidiBytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0x01, 0xE0}.data()));
}

TEST(WriterBytes, HeaderDivisionWordForEachDivisionType) {
  const struct {
    int32_t type;
    int32_t resolution;
    uint32_t word;
  } rows[] = {
      {DIVISION_PPQ, 480, 0x01E0},     {DIVISION_PPQ, 0x12345, 0x2345},  // low 16 bits
      {DIVISION_SMPTE24, 40, 0xE828},  {DIVISION_SMPTE25, 40, 0xE728},    {DIVISION_SMPTE30DROP, 80, 0xE350},
      {DIVISION_SMPTE30, 100, 0xE264}, {DIVISION_SMPTE30, 0x1FF, 0xE2FF},  // low 8 bits
  };
  for (const auto& row : rows) {
    SequencePtr sequence(sequence_new(0, row.type, row.resolution));
    EXPECT_EQ(saved_bytes(sequence.get()), MidiBytes().header(0, 0, row.word).data())
        << row.type << " " << row.resolution;
  }
}

TEST(WriterBytes, HeaderFormatKeepsItsLowSixteenBitsAndCountsTracks) {
  SequencePtr sequence(sequence_new(0x10002, DIVISION_PPQ, 96));
  sequence_add_track(sequence.get());
  sequence_add_track(sequence.get());
  const MidiBytes empty_track{0x00, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(saved_bytes(sequence.get()),
            MidiBytes().header(2, 2, 96).track(empty_track).track(empty_track).data());
}

TEST(WriterBytes, EmptyTrackIsEndOfTrackAtItsEndTick) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  EXPECT_EQ(saved_bytes(sequence.get()),
            (MidiBytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0,    1,    0,    1,   0x01, 0xE0,  //
                       'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00}
                 .data()));
  track_set_end_tick(track, 200);  // 200 = 1 * 128 + 72
  EXPECT_EQ(saved_bytes(sequence.get()), file_of_one_track(480, {0x81, 0x48, 0xFF, 0x2F, 0x00}).data());
}

TEST(WriterBytes, EveryChannelMessageCarriesItsOwnStatusByte) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  note_on_new(track, 0, 0, 60, 100);
  note_on_new(track, 0, 0, 64, 100);
  note_off_new(track, 10, 1, 60, 64);
  key_pressure_new(track, 10, 2, 61, 30);
  control_change_new(track, 10, 3, 7, 90);
  program_change_new(track, 20, 4, 19);
  channel_pressure_new(track, 20, 5, 77);
  pitch_wheel_new(track, 30, 15, 4660);  // 0x1234: low seven bits 0x34, high 0x24
  pitch_wheel_new(track, 30, 6, 16383);
  MidiBytes events;
  events.vlq(0).bytes({0x90, 60, 100}).vlq(0).bytes({0x90, 64, 100});
  events.vlq(10).bytes({0x81, 60, 64}).vlq(0).bytes({0xA2, 61, 30}).vlq(0).bytes({0xB3, 7, 90});
  events.vlq(10).bytes({0xC4, 19}).vlq(0).bytes({0xD5, 77});
  events.vlq(10).bytes({0xEF, 0x34, 0x24}).vlq(0).bytes({0xE6, 0x7F, 0x7F});
  events.end_of_track(0);
  EXPECT_EQ(saved_bytes(sequence.get()), file_of_one_track(480, events).data());
}

TEST(WriterBytes, SystemExclusiveKeepsItsStatusAndCountsTheRest) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  const unsigned char universal[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  const unsigned char escape[] = {0xF7, 0x43};
  const unsigned char status_only[] = {0xF0};
  sysex_new(track, 0, 6, universal);
  sysex_new(track, 5, 2, escape);
  sysex_new(track, 5, 1, status_only);
  MidiBytes events;
  events.sysex(0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}).sysex(5, 0xF7, {0x43}).sysex(0, 0xF0, {});
  events.end_of_track(0);
  EXPECT_EQ(saved_bytes(sequence.get()), file_of_one_track(480, events).data());
}

TEST(WriterBytes, MetaEventsWriteTheirPayloadWithoutTheTrailingZero) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  tempo_new(track, 0, 120.0f);
  meta_new(track, 0, 0x7F, 0, nullptr);
  const std::vector<unsigned char> long_payload(128, 0x55);
  meta_new(track, 0, 0x01, 128, long_payload.data());
  marker_new(track, 3, "intro");
  MidiBytes events;
  events.meta(0, 0x51, {0x07, 0xA1, 0x20}).meta(0, 0x7F, {});
  events.vlq(0).bytes({0xFF, 0x01, 0x81, 0x00}).fill(128, 0x55);  // length 128 = 0x81 0x00
  events.meta(3, 0x06, MidiBytes().ascii("intro"));
  events.end_of_track(0);
  EXPECT_EQ(saved_bytes(sequence.get()), file_of_one_track(480, events).data());
}

TEST(WriterBytes, DeltaTimesInOneToFourBytes) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  const int32_t largest = (1 << 28) - 1;
  const int32_t ticks[] = {0, 127, 255, 16638, 16639, 2113790, 2113791, 2113791 + largest};
  for (int32_t tick : ticks) program_change_new(track, tick, 0, 1);
  track_set_end_tick(track, 2113791 + largest + 1);
  // Deltas: 0, 127, 128, 16383, 1, 2097151, 1, 2^28 - 1, then 1 to the end.
  const std::initializer_list<int> deltas[] = {{0x00},       {0x7F},
                                               {0x81, 0x00}, {0xFF, 0x7F},
                                               {0x01},       {0xFF, 0xFF, 0x7F},
                                               {0x01},       {0xFF, 0xFF, 0xFF, 0x7F}};
  MidiBytes events;
  for (const auto& delta : deltas) events.bytes(delta).bytes({0xC0, 0x01});
  events.bytes({0x01, 0xFF, 0x2F, 0x00});
  EXPECT_EQ(saved_bytes(sequence.get()), file_of_one_track(480, events).data());
}

TEST(WriterBytes, ChannelAndDataValuesAreMaskedToTheirBits) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  note_on_new(track, 0, 17, 200, 255);  // channel 17 & 0x0F = 1, 200 & 0x7F = 72
  control_change_new(track, 0, -1, 128, -1);
  pitch_wheel_new(track, 0, 0, 20000);  // 20000 = 0x4E20: low 0x20, high 0x9C & 0x7F = 0x1C
  meta_new(track, 0, 0x85, 0, nullptr);
  MidiBytes events;
  events.vlq(0).bytes({0x91, 72, 127}).vlq(0).bytes({0xBF, 0, 127}).vlq(0).bytes({0xE0, 0x20, 0x1C});
  events.meta(0, 0x05, {}).end_of_track(0);
  EXPECT_EQ(saved_bytes(sequence.get()), file_of_one_track(480, events).data());
}

TEST(WriterBytes, TracksFollowEachOtherInNumberOrder) {
  SequencePtr sequence(sequence_new(1, DIVISION_SMPTE25, 40));
  Track* second = sequence_add_track(sequence.get());
  Track* first = track_new_before(second);
  note_on_new(second, 7, 9, 36, 100);
  program_change_new(first, 0, 0, 0);
  MidiBytes first_events;
  first_events.vlq(0).bytes({0xC0, 0}).end_of_track(0);
  MidiBytes second_events;
  second_events.vlq(7).bytes({0x99, 36, 100}).end_of_track(0);
  EXPECT_EQ(saved_bytes(sequence.get()),
            MidiBytes().header(1, 2, 0xE728).track(first_events).track(second_events).data());
}

}  // namespace
