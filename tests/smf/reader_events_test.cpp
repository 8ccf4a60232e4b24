// The messages of a track chunk: statuses, data bytes, delta times, ends.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "tests/smf/reader_compare.h"

namespace tactus::test {
namespace {

EventFields channel(int32_t tick, int32_t kind, int32_t channel, int32_t word2, int32_t word3 = 0) {
  return {0, tick, kind, channel, word2, word3, {}};
}
EventFields sysex(int32_t tick, std::vector<unsigned char> bytes) {
  return {0, tick, SYSEX, static_cast<int32_t>(bytes.size()), 0, 0, bytes};
}
EventFields meta(int32_t tick, int32_t number, std::vector<unsigned char> payload) {
  const auto length = static_cast<int32_t>(payload.size());
  payload.push_back(0);
  return {0, tick, META, number, length, 0, payload};
}

struct TrackCase {
  const char* what;
  MidiBytes events;  // one track chunk's content
  Events expected;
  int32_t end_tick;
};

TEST(ReaderTrackChunk, DecodesEachMessageAsTheFileHoldsIt) {
  const TrackCase cases[] = {
      {"every channel kind with its channel",
       {0x00, 0x83, 0x3C, 0x40, 0x00, 0x91, 0x3D, 0x41, 0x00, 0xA2, 0x3E, 0x42, 0x00, 0xB3, 0x07, 0x64, 0x00,
        0xC4, 0x05, 0x00, 0xD5, 0x33, 0x00, 0xE6, 0x00, 0x40, 0x00, 0xEF, 0x7F, 0x7F, 0x00, 0xE0, 0x01, 0x02},
       {channel(0, NOTE_OFF, 3, 60, 64), channel(0, NOTE_ON, 1, 61, 65), channel(0, KEY_PRESSURE, 2, 62, 66),
        channel(0, CONTROL_CHANGE, 3, 7, 100), channel(0, PROGRAM_CHANGE, 4, 5),
        channel(0, CHANNEL_PRESSURE, 5, 0x33), channel(0, PITCH_WHEEL, 6, 8192),
        channel(0, PITCH_WHEEL, 15, 16383), channel(0, PITCH_WHEEL, 0, 1 + (2 << 7))},
       0},
      {"data bytes taken whole, without masking",
       {0x00, 0x90, 0x80, 0xFF, 0x00, 0xE0, 0xFF, 0xFF},
       {channel(0, NOTE_ON, 0, 128, 255), channel(0, PITCH_WHEEL, 0, 255 | 255 << 7)},
       0},
      {"running status keeps zero-velocity note ons",
       {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00},
       {channel(0, NOTE_ON, 0, 60, 64), channel(16, NOTE_ON, 0, 60, 0)},
       16},
      {"running status of one and two data bytes",
       {0x00, 0xC1, 0x05, 0x01, 0x06, 0x00, 0xB1, 0x07, 0x64, 0x02, 0x0A, 0x40},
       {channel(0, PROGRAM_CHANGE, 1, 5), channel(1, PROGRAM_CHANGE, 1, 6),
        channel(1, CONTROL_CHANGE, 1, 7, 100), channel(3, CONTROL_CHANGE, 1, 10, 64)},
       3},
      {"after a meta event a data byte is the next meta number",
       MidiBytes().meta(0, 0x01, MidiBytes().ascii("a")).bytes({0x00, 0x06, 0x01}).ascii("m"),
       {meta(0, 0x01, {'a'}), meta(0, 0x06, {'m'})},
       0},
      {"meta events between notes keep the channel status for running status",
       {0x00, 0x92, 0x3D, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x39, 0x64, 0x00, 0xFF, 0x06, 0x01,
        'x',  0x10, 0x39, 0x00, 0x00, 0xB2, 0x07, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x0A, 0x40},
       {channel(0, NOTE_ON, 2, 0x3D, 0x64), meta(0, 0x01, {}), channel(0, NOTE_ON, 2, 0x39, 0x64),
        meta(0, 0x06, {'x'}), channel(16, NOTE_ON, 2, 0x39, 0), channel(16, CONTROL_CHANGE, 2, 7, 100),
        meta(16, 0x01, {}), channel(16, CONTROL_CHANGE, 2, 10, 64)},
       16},
      {"sysex ends the channel status, and a meta event after it is repeated",
       {0x00, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x01, 0x43, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x06, 0x01, 'm'},
       {channel(0, NOTE_ON, 0, 60, 64), sysex(0, {0xF0, 0x43}), meta(0, 0x01, {}), meta(0, 0x06, {'m'})},
       0},
      {"after sysex a data byte is the next count",
       {0x00, 0xF0, 0x01, 0x43, 0x00, 0x02, 0x44, 0xF7},
       {sysex(0, {0xF0, 0x43}), sysex(0, {0xF0, 0x44, 0xF7})},
       0},
      // Delta 0, then 0x3C without status: given back and read as delta 60.
      {"data bytes before any status are read again as delta time",
       {0x00, 0x3C, 0x90, 0x3C, 0x40},
       {channel(60, NOTE_ON, 0, 60, 64)},
       60},
      {"sysex stored with its status byte",
       {0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7, 0x05, 0xF7, 0x03, 0x43, 0x12, 0xF7, 0x00, 0xF0, 0x00},
       {sysex(0, {0xF0, 0x43, 0x12, 0xF7}), sysex(5, {0xF7, 0x43, 0x12, 0xF7}), sysex(5, {0xF0})},
       5},
      {"other system statuses make nothing but their deltas count",
       {0x00, 0xF8, 0x05, 0x90, 0x3C, 0x40},
       {channel(5, NOTE_ON, 0, 60, 64)},
       5},
      // 0xF1 becomes the remembered status: its data byte 0x05 is read again as a delta.
      {"a system status is remembered",
       {0x03, 0xF1, 0x02, 0x05, 0xFE, 0x04, 0x80, 0x3C, 0x00},
       {channel(14, NOTE_OFF, 0, 60, 0)},
       14},
      {"meta payloads copied with a trailing zero",
       MidiBytes()
           .meta(0, 0x03, MidiBytes().ascii("Piano"))
           .meta(7, 0x51, {0x07, 0xA1, 0x20})
           .meta(0, 0x7F, {})
           .meta(0, 0xF0, {0x00}),
       {meta(0, 0x03, {'P', 'i', 'a', 'n', 'o'}), meta(7, 0x51, {0x07, 0xA1, 0x20}), meta(7, 0x7F, {}),
        meta(7, 0xF0, {0x00})},
       7},
      {"two-byte delta", {0x83, 0x00, 0xC0, 0x01}, {channel(384, PROGRAM_CHANGE, 0, 1)}, 384},
      {"four-byte delta",
       {0x81, 0x80, 0x80, 0x00, 0xC0, 0x01},
       {channel(1 << 21, PROGRAM_CHANGE, 0, 1)},
       1 << 21},
      // The group 0x10 lands on bit 32 and is lost, leaving 5.
      {"five-byte delta", {0x90, 0x80, 0x80, 0x80, 0x05, 0xC0, 0x01}, {channel(5, PROGRAM_CHANGE, 0, 1)}, 5},
      {"redundant leading zero groups",
       {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x07, 0xC0, 0x01},
       {channel(7, PROGRAM_CHANGE, 0, 1)},
       7},
      {"the running tick stops at the largest tick",
       MidiBytes()
           .vlq(0x7FFFFFF0)
           .bytes({0xC0, 0x01})
           .vlq(0x7FFFFFFF)
           .bytes({0xC0, 0x02, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x03})
           .end_of_track(1),
       {channel(0x7FFFFFF0, PROGRAM_CHANGE, 0, 1), channel(INT32_MAX, PROGRAM_CHANGE, 0, 2),
        channel(INT32_MAX, PROGRAM_CHANGE, 0, 3)},
       INT32_MAX},
      {"end of track sets the end tick and stops the chunk",
       MidiBytes().vlq(0).bytes({0x90, 0x3C, 0x40}).end_of_track(960).vlq(10).bytes({0x80, 0x3C, 0x00}),
       {channel(0, NOTE_ON, 0, 60, 64)},
       960},
      {"an end-of-track payload is read and dropped",
       {0x05, 0xFF, 0x2F, 0x02, 0x90, 0x3C, 0x00, 0xC0, 0x01},
       {},
       5},
      {"without end of track the track ends at its last event",
       {0x00, 0x90, 0x3C, 0x40, 0x82, 0x2C, 0x3C, 0x00},
       {channel(0, NOTE_ON, 0, 60, 64), channel(300, NOTE_ON, 0, 60, 0)},
       300},
      {"trailing delta times without a message do not count",
       {0x10, 0xC0, 0x01, 0x7F, 0xF8},
       {channel(16, PROGRAM_CHANGE, 0, 1)},
       16},
  };
  for (const TrackCase& c : cases) {
    SequencePtr sequence = load(MidiBytes().header(0, 1, 96).track(c.events));
    ASSERT_NE(sequence, nullptr) << c.what;
    ASSERT_NE(sequence->first_track, nullptr) << c.what;
    EXPECT_EQ(track_events(sequence->first_track), c.expected) << c.what;
    EXPECT_EQ(sequence->first_track->end_tick, c.end_tick) << c.what;
  }
}

TEST(ReaderTrackChunk, AMessageRunningPastTheChunkEndIsReadWhole) {
  // The first chunk claims 3 bytes; its note on takes its velocity from the
  // next chunk's identifier ('M'). Reading resumes at the claimed end.
  MidiBytes file = MidiBytes().header(1, 2, 96).chunk_head("MTrk", 3).bytes({0x00, 0x90, 0x3C});
  SequencePtr sequence = load(file.track(MidiBytes().vlq(4).bytes({0xC2, 0x09})));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->track_count, 2);
  EXPECT_EQ(events_track_by_track(sequence.get()),
            (Events{channel(0, NOTE_ON, 0, 60, 'M'), EventFields{1, 4, PROGRAM_CHANGE, 2, 9, 0, {}}}));
}

TEST(ReaderTrackChunk, EachTrackStartsAtTickZeroWithoutStatus) {
  // No status in the second track: 0x3C is read again as delta 60, then 0x40 as delta.
  SequencePtr sequence =
      load(MidiBytes().header(1, 2, 96).track({0x10, 0x90, 0x3C, 0x40}).track({0x10, 0x3C, 0x40}));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->track_count, 2);
  EXPECT_EQ(track_events(sequence->first_track), (Events{channel(16, NOTE_ON, 0, 60, 64)}));
  EXPECT_EQ(track_events(sequence->last_track), Events{});
  EXPECT_EQ(sequence->last_track->end_tick, 0);
}

}  // namespace
}  // namespace tactus::test
