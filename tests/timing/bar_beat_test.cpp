// Ticks to and from bar/beat (mb) and bar/beat/tick (mbt) positions and
// their texts, under the time signatures of the first track.
#include <gtest/gtest.h>

#include <string>

#include "timing_fixtures.h"

using namespace tactus;
using timing_test::add_signature;
using timing_test::add_tempo;
using timing_test::make_sequence;

namespace {

std::string mb_text(Sequence* sequence, int32_t tick) {
  return sequence_get_mb_string_from_tick(sequence, tick);
}
std::string mbt_text(Sequence* sequence, int32_t tick) {
  return sequence_get_mbt_string_from_tick(sequence, tick);
}

TEST(BarBeatPpq, FourFourWithoutSignature) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(mb_text(sequence.get(), 0), "1:1.000");
  EXPECT_EQ(mbt_text(sequence.get(), 0), "1:1:0.000");
  EXPECT_EQ(mb_text(sequence.get(), 720), "1:2.500");
  EXPECT_EQ(mbt_text(sequence.get(), 720), "1:2:240.000");
  EXPECT_EQ(mb_text(sequence.get(), 1920), "2:1.000");
  EXPECT_EQ(mbt_text(sequence.get(), 1920), "2:1:0.000");
}

TEST(BarBeatPpq, TextsToTicks) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "1:2.5"), 720);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "1:2:240"), 720);
  // The beat keeps its start value 1.0.
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "3"), 3840);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), ""), 0);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "bar 2"), 0);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), ""), 0);
  // Beats beyond the bar run on into the next one.
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "1:9"), 3840);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "1:1:1920"), 1920);
}

TEST(BarBeatPpq, SixEight) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_signature(sequence, 0, 0, 6, 3);
  EXPECT_EQ(mb_text(sequence.get(), 240), "1:2.000");
  EXPECT_EQ(mb_text(sequence.get(), 1440), "2:1.000");
  EXPECT_EQ(mbt_text(sequence.get(), 240), "1:2:0.000");
  // Half an eighth past beat 2 is a quarter of a quarter note.
  EXPECT_EQ(mbt_text(sequence.get(), 360), "1:2:120.000");
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "1:2:0"), 240);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "1:2:120"), 360);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2:1"), 1440);
}

TEST(BarBeatPpq, ThreeEightTickPart) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_signature(sequence, 0, 0, 3, 3);
  // A bar is 720 ticks; the tick part adds 60.
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "2:1:60"), 780);
}

TEST(BarBeatPpq, SignatureChangeAtBarThree) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_signature(sequence, 0, 3840, 3, 2);
  EXPECT_EQ(mb_text(sequence.get(), 5280), "4:1.000");
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "4:1"), 5280);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "3:3"), 4800);
  // The change at the target itself: not applied going to a position, applied
  // coming from one; both give bar 3.
  EXPECT_EQ(mb_text(sequence.get(), 3840), "3:1.000");
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "3:1"), 3840);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "3:1:0"), 3840);
  // Beat 4 of a 3/4 bar is the next bar's first beat.
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "3:4"), 5280);
  // Before the change, 4/4 holds.
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2:3"), 2880);
}

TEST(BarBeatPpq, TwoChanges) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_signature(sequence, 0, 3840, 3, 2);  // 3/4 from bar 3
  add_signature(sequence, 0, 5280, 6, 3);  // 6/8 from bar 4
  EXPECT_EQ(mb_text(sequence.get(), 6720), "5:1.000");
  // Bar 4 and a third: the bar count rounded to float lies just below it, so
  // the whole beat is 2 and the tick part 239.99988 (not beat 3, tick 0).
  EXPECT_EQ(mb_text(sequence.get(), 5760), "4:3.000");
  EXPECT_EQ(mbt_text(sequence.get(), 5760), "4:2:240.000");
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "5:1"), 6720);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "4:3:0"), 5760);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "3:2:0"), 4320);
}

TEST(BarBeatPpq, SignatureInOtherTrackIsIgnored) {
  auto sequence = make_sequence(DIVISION_PPQ, 480, 2);
  add_signature(sequence, 1, 0, 6, 3);
  EXPECT_EQ(mb_text(sequence.get(), 240), "1:1.500");
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2:1"), 1920);
}

TEST(BarBeatSmpte, BeatsFollowTheTempo) {
  auto sequence = make_sequence(DIVISION_SMPTE25, 40);  // 1000 ticks per second
  EXPECT_EQ(mb_text(sequence.get(), 1000), "1:3.000");
  EXPECT_EQ(mbt_text(sequence.get(), 1250), "1:3:480.000");  // beat resolution 960
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "1:3"), 1000);
  add_tempo(sequence, 0, 1000, 1000000);  // 60 beats per minute from beat 3
  EXPECT_EQ(mb_text(sequence.get(), 2000), "1:4.000");
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2:1"), 3000);
}

TEST(BarBeatSmpte, MbtTickPartIsNotTempoConverted) {
  auto sequence = make_sequence(DIVISION_SMPTE25, 40);
  // Two beats and 480 tick-part ticks, all counted at the beat resolution of
  // 960 rather than through the tempo.
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "1:3:480"), 2400);
}

TEST(BarBeatFailures, NullArguments) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  MbPosition* mb = mb_position_new();
  MbtPosition* mbt = mbt_position_new();
  EXPECT_EQ(sequence_get_mb_from_tick(nullptr, 0, mb), -1);
  EXPECT_EQ(sequence_get_mb_from_tick(sequence.get(), 0, nullptr), -1);
  EXPECT_EQ(sequence_get_tick_from_mb(nullptr, mb), -1);
  EXPECT_EQ(sequence_get_tick_from_mb(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_get_mbt_from_tick(nullptr, 0, mbt), -1);
  EXPECT_EQ(sequence_get_mbt_from_tick(sequence.get(), 0, nullptr), -1);
  EXPECT_EQ(sequence_get_tick_from_mbt(nullptr, mbt), -1);
  EXPECT_EQ(sequence_get_tick_from_mbt(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_get_mb_string_from_tick(nullptr, 0), nullptr);
  EXPECT_EQ(sequence_get_mbt_string_from_tick(nullptr, 0), nullptr);
  EXPECT_EQ(sequence_get_tick_from_mb_string(nullptr, "1:1"), -1);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(nullptr, "1:1:0"), -1);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), nullptr), -1);
  mb_position_free(mb);
  mbt_position_free(mbt);
}

TEST(BarBeatFailures, UnknownDivisionComputesOn) {
  auto sequence = make_sequence(5, 480);
  MbPosition* mb = mb_position_new();
  // The beat conversion gives -1.0, a quarter of a 4/4 bar before the start.
  EXPECT_EQ(sequence_get_mb_from_tick(sequence.get(), 960, mb), 0);
  EXPECT_EQ(mb_position_get_measure(mb), 1);
  EXPECT_EQ(mb_position_get_beat(mb), 0.0f);
  mb_position_free(mb);
  // The mbt reverse conversion needs no tempo: bar 2 at beat resolution 960.
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "2:1:0"), 3840);
}

TEST(BarBeatTexts, ScratchTextIsReusedPerNotation) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  const char* first = sequence_get_mb_string_from_tick(sequence.get(), 0);
  const char* second = sequence_get_mb_string_from_tick(sequence.get(), 1920);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "2:1.000");
  // A text-to-tick conversion starts from the start values, not from what
  // the scratch record held.
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2"), 1920);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "2:2"), 2400);
}

}  // namespace
