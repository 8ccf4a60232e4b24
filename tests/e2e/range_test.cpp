// The playback range in each of its notations, on real ports.
#include <gtest/gtest.h>

#include <ostream>

#include "e2e_fixture.h"

namespace tactus::e2e {
namespace {

// 480 ticks a quarter, 120 beats a minute, 4/4: beat b lies at tick 480 b,
// 0.5 b seconds, bar b / 4 + 1, beat b % 4 + 1. On each beat 0 to 5 a
// controller (value b) and a note 60 + b lasting an eighth. Markers "verse"
// at beat 2, "end" at beat 4.
SongBytes beats_song() {
  SongBytes song(2, 480);
  song.add(0, 0, tempo_event(500000)).add(0, 0, meta_event(0x58, {4, 2, 24, 8}));
  song.add(0, 960, marker_event("verse")).add(0, 1920, marker_event("end"));
  for (uint8_t beat = 0; beat <= 5; ++beat) {
    const uint32_t tick = 480u * beat;
    song.add(1, tick, {0xB0, 0x01, beat});
    song.add(1, tick, {0x90, static_cast<uint8_t>(60 + beat), 0x64});
    song.add(1, tick + 240, {0x80, static_cast<uint8_t>(60 + beat), 0x00});
  }
  return song;
}

Bytes controller(uint8_t beat) { return {0xB0, 0x01, beat}; }
Bytes note_start(uint8_t beat) { return {0x90, static_cast<uint8_t>(60 + beat), 0x64}; }
Bytes note_end(uint8_t beat) { return {0x80, static_cast<uint8_t>(60 + beat), 0x00}; }

// From beat 2 to beat 4, both included: the controllers before the range go
// out at once, the notes before it not at all; the note started on beat 4
// ends after the range, so playback ends it when it is over; the controller
// after the range goes out at once.
std::vector<Bytes> beats_two_to_four() {
  return {controller(0), controller(1), controller(2), note_start(2), note_end(2),   controller(3),
          note_start(3), note_end(3),   controller(4), note_start(4), controller(5), note_end(4)};
}

struct Notation {
  const char* from;
  const char* to;
};

void PrintTo(const Notation& notation, std::ostream* out) { *out << notation.from << " to " << notation.to; }

// The notation's prefix names the test.
std::string notation_name(const ::testing::TestParamInfo<Notation>& info) {
  const std::string from = info.param.from;
  return from.substr(0, from.find(':'));
}

class RangeNotation : public EndToEnd, public ::testing::WithParamInterface<Notation> {};

TEST_P(RangeNotation, PlaysFromBeatTwoToBeatFour) {
  Played played = play(beats_song(), {"--out", kPort0, "--from", GetParam().from, "--to", GetParam().to});
  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_EQ(played.run.out + played.run.err, "");
  EXPECT_EQ(played.messages(), beats_two_to_four()) << describe(played.messages());
}

INSTANTIATE_TEST_SUITE_P(EveryNotation, RangeNotation,
                         ::testing::Values(Notation{"tick:960", "tick:1920"}, Notation{"beat:2", "beat:4"},
                                           Notation{"mb:1:3", "mb:2:1"}, Notation{"mbt:1:3:0", "mbt:2:1:0"},
                                           Notation{"time:1", "time:2"},
                                           Notation{"hms:0:00:01", "hms:0:00:02"},
                                           Notation{"hmsf:0:00:00:30", "hmsf:0:00:01:30"},
                                           Notation{"marker:verse", "marker:end"}),
                         notation_name);

TEST_F(EndToEnd, ARangeThatEndsBeforeItStartsSendsNoNoteButEveryController) {
  Played played = play(beats_song(), {"--out", kPort0, "--from", "tick:1920", "--to", "tick:960"});
  EXPECT_EQ(played.run.exit_status, 0);
  const std::vector<Bytes> expected{controller(0), controller(1), controller(2),
                                    controller(3), controller(4), controller(5)};
  EXPECT_EQ(played.messages(), expected) << describe(played.messages());
}

}  // namespace
}  // namespace tactus::e2e
