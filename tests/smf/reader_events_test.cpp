// The messages of a track chunk: statuses, data bytes, delta times, ends.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "smf/reader.h"
#include "support/midi_bytes.h"
#include "tests/smf/reader_compare.h"

namespace tactus::test {
namespace {

// Loads a format-0 file of one track holding `events` and hands back that
// track's events, and its end tick if asked.
std::vector<EventFields> read_events(const MidiBytes& events, int32_t* end_tick = nullptr) {
  MidiBytes file = MidiBytes().header(0, 1, 96).track(events);
  SequencePtr sequence(internal::load_sequence_from_memory(file.begin(), file.size()));
  EXPECT_NE(sequence, nullptr);
  if (sequence == nullptr || sequence->first_track == nullptr) return {};
  if (end_tick != nullptr) *end_tick = sequence->first_track->end_tick;
  return track_events(sequence->first_track);
}

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

using Events = std::vector<EventFields>;

TEST(ReaderChannelMessages, DecodesEveryKindWithItsChannel) {
  MidiBytes events{0x00, 0x83, 0x3C, 0x40, 0x00, 0x91, 0x3D, 0x41, 0x00, 0xA2, 0x3E, 0x42,
                   0x00, 0xB3, 0x07, 0x64, 0x00, 0xC4, 0x05, 0x00, 0xD5, 0x33, 0x00, 0xE6,
                   0x00, 0x40, 0x00, 0xEF, 0x7F, 0x7F, 0x00, 0xE0, 0x01, 0x02};
  EXPECT_EQ(read_events(events),
            (Events{channel(0, NOTE_OFF, 3, 60, 64), channel(0, NOTE_ON, 1, 61, 65),
                    channel(0, KEY_PRESSURE, 2, 62, 66), channel(0, CONTROL_CHANGE, 3, 7, 100),
                    channel(0, PROGRAM_CHANGE, 4, 5), channel(0, CHANNEL_PRESSURE, 5, 0x33),
                    channel(0, PITCH_WHEEL, 6, 8192), channel(0, PITCH_WHEEL, 15, 16383),
                    channel(0, PITCH_WHEEL, 0, 1 + (2 << 7))}));
}

TEST(ReaderChannelMessages, TakesDataBytesWholeWithoutMasking) {
  EXPECT_EQ(read_events({0x00, 0x90, 0x80, 0xFF, 0x00, 0xE0, 0xFF, 0xFF}),
            (Events{channel(0, NOTE_ON, 0, 128, 255), channel(0, PITCH_WHEEL, 0, 255 | 255 << 7)}));
}

TEST(ReaderRunningStatus, ReusesTheLastStatusAndKeepsZeroVelocityNoteOns) {
  EXPECT_EQ(read_events({0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00}),
            (Events{channel(0, NOTE_ON, 0, 60, 64), channel(16, NOTE_ON, 0, 60, 0)}));
  EXPECT_EQ(read_events({0x00, 0xC1, 0x05, 0x01, 0x06, 0x00, 0xB1, 0x07, 0x64, 0x02, 0x0A, 0x40}),
            (Events{channel(0, PROGRAM_CHANGE, 1, 5), channel(1, PROGRAM_CHANGE, 1, 6),
                    channel(1, CONTROL_CHANGE, 1, 7, 100), channel(3, CONTROL_CHANGE, 1, 10, 64)}));
}

TEST(ReaderRunningStatus, AfterAMetaEventADataByteIsTheNextMetaNumber) {
  MidiBytes events;
  events.meta(0, 0x01, MidiBytes().ascii("a")).bytes({0x00, 0x06, 0x01}).ascii("m");
  EXPECT_EQ(read_events(events), (Events{meta(0, 0x01, {'a'}), meta(0, 0x06, {'m'})}));
}

TEST(ReaderRunningStatus, AfterSysexADataByteIsTheNextCount) {
  EXPECT_EQ(read_events({0x00, 0xF0, 0x01, 0x43, 0x00, 0x02, 0x44, 0xF7}),
            (Events{sysex(0, {0xF0, 0x43}), sysex(0, {0xF0, 0x44, 0xF7})}));
}

TEST(ReaderRunningStatus, DataBytesBeforeAnyStatusAreReadAgainAsDeltaTime) {
  // Delta 0, data byte 0x3C without status: given back and read as delta 60.
  EXPECT_EQ(read_events({0x00, 0x3C, 0x90, 0x3C, 0x40}), (Events{channel(60, NOTE_ON, 0, 60, 64)}));
}

TEST(ReaderSystemMessages, StoresSysexWithItsStatusByte) {
  EXPECT_EQ(
      read_events({0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7, 0x05, 0xF7, 0x03, 0x43, 0x12, 0xF7, 0x00, 0xF0, 0x00}),
      (Events{sysex(0, {0xF0, 0x43, 0x12, 0xF7}), sysex(5, {0xF7, 0x43, 0x12, 0xF7}), sysex(5, {0xF0})}));
}

TEST(ReaderSystemMessages, SkipsOtherSystemStatusesButCountsTheirDeltas) {
  EXPECT_EQ(read_events({0x00, 0xF8, 0x05, 0x90, 0x3C, 0x40}), (Events{channel(5, NOTE_ON, 0, 60, 64)}));
  // 0xF1 becomes the remembered status: the data byte 0x05 after it is
  // given back and read again as a delta time.
  EXPECT_EQ(read_events({0x03, 0xF1, 0x02, 0x05, 0xFE, 0x04, 0x80, 0x3C, 0x00}),
            (Events{channel(14, NOTE_OFF, 0, 60, 0)}));
}

TEST(ReaderMetaEvents, CopiesThePayloadWithATrailingZero) {
  MidiBytes events;
  events.meta(0, 0x03, MidiBytes().ascii("Piano")).meta(7, 0x51, {0x07, 0xA1, 0x20}).meta(0, 0x7F, {});
  events.meta(0, 0xF0, {0x00});
  EXPECT_EQ(read_events(events),
            (Events{meta(0, 0x03, {'P', 'i', 'a', 'n', 'o'}), meta(7, 0x51, {0x07, 0xA1, 0x20}),
                    meta(7, 0x7F, {}), meta(7, 0xF0, {0x00})}));
}

TEST(ReaderDeltaTimes, DecodesVariableLengthQuantities) {
  EXPECT_EQ(read_events({0x83, 0x00, 0xC0, 0x01}), (Events{channel(384, PROGRAM_CHANGE, 0, 1)}));
  EXPECT_EQ(read_events({0x81, 0x80, 0x80, 0x00, 0xC0, 0x01}),
            (Events{channel(1 << 21, PROGRAM_CHANGE, 0, 1)}));
  // Five bytes: the group 0x10 lands on bit 32 and is lost, leaving 5.
  EXPECT_EQ(read_events({0x90, 0x80, 0x80, 0x80, 0x05, 0xC0, 0x01}),
            (Events{channel(5, PROGRAM_CHANGE, 0, 1)}));
  // Redundant leading groups of zero change nothing.
  EXPECT_EQ(read_events({0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x07, 0xC0, 0x01}),
            (Events{channel(7, PROGRAM_CHANGE, 0, 1)}));
}

TEST(ReaderDeltaTimes, RunningTickStopsAtTheLargestTick) {
  MidiBytes events;
  events.vlq(0x7FFFFFF0).bytes({0xC0, 0x01}).vlq(0x7FFFFFFF).bytes({0xC0, 0x02});
  events.bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x03}).end_of_track(1);
  int32_t end_tick = 0;
  EXPECT_EQ(read_events(events, &end_tick),
            (Events{channel(0x7FFFFFF0, PROGRAM_CHANGE, 0, 1), channel(INT32_MAX, PROGRAM_CHANGE, 0, 2),
                    channel(INT32_MAX, PROGRAM_CHANGE, 0, 3)}));
  EXPECT_EQ(end_tick, INT32_MAX);
}

TEST(ReaderEndOfTrack, SetsTheEndTickAndStopsTheChunk) {
  MidiBytes events;
  events.vlq(0).bytes({0x90, 0x3C, 0x40}).end_of_track(960).vlq(10).bytes({0x80, 0x3C, 0x00});
  int32_t end_tick = 0;
  EXPECT_EQ(read_events(events, &end_tick), (Events{channel(0, NOTE_ON, 0, 60, 64)}));
  EXPECT_EQ(end_tick, 960);
  // Its payload, if any, is read and dropped.
  events = MidiBytes().vlq(5).bytes({0xFF, 0x2F, 0x02, 0x90, 0x3C}).vlq(0).bytes({0xC0, 0x01});
  EXPECT_EQ(read_events(events, &end_tick), Events{});
  EXPECT_EQ(end_tick, 5);
}

TEST(ReaderEndOfTrack, WithoutItTheTrackEndsAtItsLastEvent) {
  int32_t end_tick = 0;
  EXPECT_EQ(read_events({0x00, 0x90, 0x3C, 0x40, 0x82, 0x2C, 0x3C, 0x00}, &end_tick),
            (Events{channel(0, NOTE_ON, 0, 60, 64), channel(300, NOTE_ON, 0, 60, 0)}));
  EXPECT_EQ(end_tick, 300);
  // Trailing delta times without a message do not count.
  EXPECT_EQ(read_events({0x10, 0xC0, 0x01, 0x7F, 0xF8}, &end_tick),
            (Events{channel(16, PROGRAM_CHANGE, 0, 1)}));
  EXPECT_EQ(end_tick, 16);
}

TEST(ReaderChunkEnd, AMessageRunningPastTheChunkEndIsReadWhole) {
  // The first chunk claims 3 bytes; its note on takes its velocity from
  // the next chunk's identifier ('M' = 0x4D). Reading resumes at the
  // claimed end, where that chunk is found whole.
  MidiBytes file = MidiBytes().header(1, 2, 96).chunk_head("MTrk", 3).bytes({0x00, 0x90, 0x3C});
  file.track(MidiBytes().vlq(4).bytes({0xC2, 0x09}));
  SequencePtr sequence(internal::load_sequence_from_memory(file.begin(), file.size()));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->track_count, 2);
  EXPECT_EQ(events_track_by_track(sequence.get()),
            (Events{channel(0, NOTE_ON, 0, 60, 'M'), EventFields{1, 4, PROGRAM_CHANGE, 2, 9, 0, {}}}));
}

TEST(ReaderChunkEnd, EachTrackStartsAtTickZeroWithoutStatus) {
  MidiBytes file = MidiBytes().header(1, 2, 96).track({0x10, 0x90, 0x3C, 0x40});
  file.track({0x10, 0x3C, 0x40});  // no status: 0x3C is read again as delta 60, then 0x40 as delta
  SequencePtr sequence(internal::load_sequence_from_memory(file.begin(), file.size()));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->track_count, 2);
  EXPECT_EQ(track_events(sequence->first_track), (Events{channel(16, NOTE_ON, 0, 60, 64)}));
  EXPECT_EQ(track_events(sequence->last_track), Events{});
  EXPECT_EQ(sequence->last_track->end_tick, 0);
}

}  // namespace
}  // namespace tactus::test
