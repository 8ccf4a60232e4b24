// Ticks to and from clock positions (hms, hmsf) and their texts.
#include <gtest/gtest.h>

#include <string>

#include "timing_fixtures.h"

using namespace tactus;
using timing_test::add_tempo;
using timing_test::make_sequence;

namespace {

std::string hms_text(Sequence* sequence, int32_t tick) {
  return sequence_get_hms_string_from_tick(sequence, tick);
}
std::string hmsf_text(Sequence* sequence, int32_t tick) {
  return sequence_get_hmsf_string_from_tick(sequence, tick);
}

TEST(ClockPpq, TicksToTexts) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(hms_text(sequence.get(), 0), "0:00:00.000");
  EXPECT_EQ(hmsf_text(sequence.get(), 0), "0:00:00:0.000");
  EXPECT_EQ(hms_text(sequence.get(), 1920), "0:00:02.000");
  EXPECT_EQ(hmsf_text(sequence.get(), 1920), "0:00:02:0.000");
  EXPECT_EQ(hmsf_text(sequence.get(), 1200), "0:00:01:7.500");  // a quarter second at 30 frames
  EXPECT_EQ(hms_text(sequence.get(), 96000), "0:01:40.000");
  // 3725.5 seconds: an hour, two minutes, five and a half seconds.
  EXPECT_EQ(hms_text(sequence.get(), 3576480), "1:02:05.500");
  EXPECT_EQ(hmsf_text(sequence.get(), 3576480), "1:02:05:15.000");
}

TEST(ClockPpq, NegativeTicksCountBackwards) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  // -90 seconds: minutes and seconds both negative, each truncated.
  EXPECT_EQ(hms_text(sequence.get(), -86400), "0:-1:-30.000");
}

TEST(ClockPpq, TextsToTicks) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "0:01:40"), 96000);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:00:01:7.5"), 1200);
  // A single number is hours: 90 × 3600 s × 960 ticks per second.
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "90"), 311040000);
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), ""), 0);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "later"), 0);
  // Fields are not normalised: 90 minutes are 90 minutes.
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "0:90:0"), 5184000);
}

TEST(ClockPpq, FollowsTheTempo) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 960, 1000000);  // 60 beats per minute after one second
  EXPECT_EQ(hms_text(sequence.get(), 1440), "0:00:02.000");
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "0:0:3"), 1920);
}

TEST(ClockSmpte, DropFrameRate) {
  auto sequence = make_sequence(DIVISION_SMPTE30DROP, 80);
  // Tick 2398 is 1.0001668564150843 s; the 0.000166893 s past the second
  // (rounded to float) are 0.005 frames at 29.97 frames per second.
  EXPECT_EQ(hms_text(sequence.get(), 2398), "0:00:01.000");
  EXPECT_EQ(hmsf_text(sequence.get(), 2398), "0:00:01:0.005");
  HmsfPosition* position = hmsf_position_new();
  sequence_get_hmsf_from_tick(sequence.get(), 2398, position);
  const float past_second =
      static_cast<float>(static_cast<double>(static_cast<float>(2398.0 / (80.0 * 29.97f))) - 1.0);
  EXPECT_EQ(hmsf_position_get_frames(position),
            static_cast<float>(29.97f * static_cast<double>(past_second)));
  hmsf_position_free(position);
  // 15 frames at 29.97 frames per second, plus one second.
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:0:1:15"), 3597);
}

TEST(ClockSmpte, FramesUseTheSequenceFrameRate) {
  auto sequence = make_sequence(DIVISION_SMPTE25, 40);
  EXPECT_EQ(hmsf_text(sequence.get(), 1500), "0:00:01:12.500");
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:0:1:12.5"), 1500);
  sequence_set_frame_rate(sequence.get(), 10.0f);
  EXPECT_EQ(hmsf_text(sequence.get(), 1500), "0:00:01:5.000");
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:0:1:5"), 1500);
}

TEST(ClockFailures, NullArguments) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  HmsPosition* hms = hms_position_new();
  HmsfPosition* hmsf = hmsf_position_new();
  EXPECT_EQ(sequence_get_hms_from_tick(nullptr, 0, hms), -1);
  EXPECT_EQ(sequence_get_hms_from_tick(sequence.get(), 0, nullptr), -1);
  EXPECT_EQ(sequence_get_tick_from_hms(nullptr, hms), -1);
  EXPECT_EQ(sequence_get_tick_from_hms(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_get_hmsf_from_tick(nullptr, 0, hmsf), -1);
  EXPECT_EQ(sequence_get_hmsf_from_tick(sequence.get(), 0, nullptr), -1);
  EXPECT_EQ(sequence_get_tick_from_hmsf(nullptr, hmsf), -1);
  EXPECT_EQ(sequence_get_tick_from_hmsf(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_get_hms_string_from_tick(nullptr, 0), nullptr);
  EXPECT_EQ(sequence_get_hmsf_string_from_tick(nullptr, 0), nullptr);
  EXPECT_EQ(sequence_get_tick_from_hms_string(nullptr, "0:0:1"), -1);
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(nullptr, "0:0:1:0"), -1);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), nullptr), -1);
  hms_position_free(hms);
  hmsf_position_free(hmsf);
}

TEST(ClockFailures, UnknownDivisionComputesOn) {
  auto sequence = make_sequence(9, 480);
  // Seconds come back as -1.0: minus one second.
  EXPECT_EQ(hms_text(sequence.get(), 960), "0:00:-1.000");
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "0:0:1"), -1);
}

}  // namespace
