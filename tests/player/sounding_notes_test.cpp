// No note is left sounding when playback ends: every note started and not
// ended gets a note end after the extra time or after an interrupt.
#include "player/core/sounding_notes.h"

#include <gtest/gtest.h>

#include "playback_fixture.h"

namespace tactus::player::testing {
namespace {

using HangingNotes = PlaybackTest;

TEST_F(HangingNotes, ANoteEndingAfterTheRangeIsEndedAfterTheExtraTime) {
  note_on_new(track0, 0, 3, 60, 100);
  control_change_new(track0, 480, 3, 7, 100);
  note_off_new(track0, 960, 3, 60, 64);
  play(-1, 480, 1.0f);
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0x93, 60, 100)),
                               short_at(500, word(0xB3, 7, 100)),
                               short_at(1500, word(0x83, 60, 0)),
                           }));
}

TEST_F(HangingNotes, EndedNotesAndNotesNeverStartedGetNoEnd) {
  note_on_new(track0, 0, 0, 60, 100);
  note_on_new(track0, 0, 0, 61, 100);
  note_on_new(track0, 0, 0, 62, 100);
  note_off_new(track0, 96, 0, 60, 0);
  note_on_new(track0, 96, 0, 61, 0);     // a note start with velocity 0 ends too
  note_on_new(track0, 960, 0, 63, 100);  // beyond the range: never started
  play(-1, 480);
  EXPECT_EQ(platform.sent.back(), short_at(100, word(0x80, 62, 0)));
  EXPECT_EQ(platform.sent.size(), 6u);
}

TEST_F(HangingNotes, AfterAnInterruptNotesWithoutAnEndInTheFileAreEnded) {
  note_on_new(track0, 0, 9, 36, 100);
  note_on_new(track0, 0, 0, 60, 100);
  note_off_new(track0, 960, 0, 60, 0);
  control_change_new(track0, 960, 0, 1, 1);
  platform.interrupt_at(200);
  play(-1, -1, 3.0f);
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0x99, 36, 100)),
                               short_at(0, word(0x90, 60, 100)),
                               short_at(200, word(0x80, 60, 0)),
                               short_at(200, word(0xB0, 1, 1)),
                               short_at(200, word(0x89, 36, 0)),
                           }));
}

TEST_F(HangingNotes, EachPortGetsTheEndsOfItsOwnNotes) {
  Track* track1 = sequence_add_track(sequence);
  Track* track2 = sequence_add_track(sequence);
  note_on_new(track0, 0, 0, 60, 100);
  note_on_new(track1, 0, 0, 60, 100);
  note_on_new(track2, 0, 15, 127, 1);
  note_on_new(track2, 0, 0, 0, 1);
  MidiPort* first = platform.open_output(0, output_done_callback);
  MidiPort* second = platform.open_output(1, output_done_callback);
  track_ports = {second, first, second};
  play();
  // Ports in the order the tracks name them, then channels and notes
  // ascending.
  const std::vector<SentMessage> ends(platform.sent.begin() + 4, platform.sent.end());
  EXPECT_EQ(ends, (std::vector<SentMessage>{
                      short_at(0, word(0x80, 0, 0), 1),
                      short_at(0, word(0x80, 60, 0), 1),
                      short_at(0, word(0x8F, 127, 0), 1),
                      short_at(0, word(0x80, 60, 0), 0),
                  }));
}

TEST(SoundingNotes, JudgesNotesByTheBytesSent) {
  TestPlatform platform;
  platform.device_names = {"only"};
  MidiPort* port = platform.open_output(0, output_done_callback);
  std::vector<MidiPort*> ports = {port};
  SoundingNotes notes(ports);
  notes.message_sent(0, word(0x90, 60, 100));
  notes.message_sent(0, word(0x90, 61, 100));
  notes.message_sent(0, word(0x80, 61, 10));   // ended
  notes.message_sent(0, word(0xA0, 62, 100));  // key pressure: no note
  notes.message_sent(0, word(0x92, 63, 1));
  notes.message_sent(5, word(0x90, 64, 100));  // a track without a port
  notes.message_sent(-1, word(0x90, 65, 100));
  notes.end_all(platform);
  EXPECT_EQ(platform.sent,
            (std::vector<SentMessage>{{0, 0, word(0x80, 60, 0), {}}, {0, 0, word(0x82, 63, 0), {}}}));
  platform.sent.clear();
  notes.end_all(platform);
  EXPECT_TRUE(platform.sent.empty());
}

}  // namespace
}  // namespace tactus::player::testing
