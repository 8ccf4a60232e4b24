// Ticks to and from beats and seconds: the documented values of the tempo
// map, and a longer map against a separately written calculation.
#include <gtest/gtest.h>

#include <vector>

#include "timing_fixtures.h"

using namespace tactus;
using timing_test::add_tempo;
using timing_test::make_sequence;

namespace {

TEST(TempoMapPpq, DefaultTempoIs120) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 960), 2.0);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 960), 1.0);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 2.0f), 960);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), 960);
}

TEST(TempoMapPpq, NoTracksMeansDefaultTempo) {
  auto sequence = make_sequence(DIVISION_PPQ, 480, 0);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 960), 1.0);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), 960);
}

TEST(TempoMapPpq, TempoChangeAppliesAfterItsTick) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 960, 1000000);  // 60 beats per minute
  // The event at the target tick is not applied; the value is the same.
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 960), 1.0);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 1440), 2.0);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.5f), 1200);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 2.0f), 1440);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), 960);
  // Beats of a PPQ sequence do not depend on the tempo.
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 1440), 3.0);
}

TEST(TempoMapPpq, TempoInOtherTrackIsIgnored) {
  auto sequence = make_sequence(DIVISION_PPQ, 480, 2);
  add_tempo(sequence, 1, 960, 1000000);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 1440), 1.5);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 2.0f), 1920);
}

TEST(TempoMapPpq, TickResultsTruncateTowardZero) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 0.001f), 0);  // 0.96 ticks
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 0.999f), 479);   // 479.52 ticks
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), -0.999f), -479);
}

TEST(TempoMapPpq, SecondsToTickRoundsBeatsToFloat) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 0, 600000);  // 100 beats per minute
  // 0.125 s are 0.208333... beats, 0.25 s 0.416666... beats; as floats just
  // below, so 480 times them is 99.99999 and 199.99999 ticks.
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 0.125f), 99);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 0.25f), 199);
  // 0.3f lies a little above 0.3, its beats round to exactly 0.5.
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 0.3f), 240);
}

TEST(TempoMapPpq, NegativeTicksUseTheSameFormulas) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 0, 1000000);
  // The walk stops before the event at tick 0: 120 beats per minute holds.
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), -480), -0.5);
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), -480), -1.0);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), -1.0f), -480);
}

TEST(TempoMapPpq, TempoChangesAtOneTickApplyInOrder) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 480, 250000);   // 240 beats per minute, at once replaced by
  add_tempo(sequence, 0, 480, 1000000);  // 60 beats per minute
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 960), 1.5);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.5f), 960);
}

TEST(TempoMapSmpte, Smpte25SecondsAndBeats) {
  auto sequence = make_sequence(DIVISION_SMPTE25, 40);  // 1000 ticks per second
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 1000), 1.0);
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 1000), 2.0);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), 1000);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 2.0f), 1000);
}

TEST(TempoMapSmpte, Smpte25BeatsFollowTheTempo) {
  auto sequence = make_sequence(DIVISION_SMPTE25, 40);
  add_tempo(sequence, 0, 1000, 1000000);  // 60 beats per minute from second 1
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 1000), 2.0);
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 3000), 4.0);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 3.0f), 2000);
  // Seconds do not depend on the tempo.
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 3000), 3.0);
}

TEST(TempoMapSmpte, DropFrameUsesFloatAndDouble2997) {
  auto sequence = make_sequence(DIVISION_SMPTE30DROP, 80);
  // 80 × 29.97 (double) = 2397.6, truncated.
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), 2397);
  // 2398 / (80 × 29.969999313354492), the float 29.97.
  const double float_2997 = static_cast<double>(29.97f);
  EXPECT_EQ(float_2997, 29.969999313354492);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 2398), 2398.0 / (80.0 * float_2997));
  EXPECT_NEAR(sequence_get_seconds_from_tick(sequence.get(), 2398), 1.0001668564150843, 1e-15);
  // Beats come from the float 29.97 too.
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 2398), 2398.0 / 80.0 / float_2997 / 60.0 * 120.0);
  // 3.75 s (7.5 beats) and 1.25 s are whole ticks in decimal: 8991 and 2997.
  // The double 29.97 lies just above 29.97 and keeps them; the float, just
  // below, would give one tick less.
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 7.5f), 8991);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.25f), 2997);
}

TEST(TempoMapSmpte, OtherFrameRates) {
  auto smpte24 = make_sequence(DIVISION_SMPTE24, 10);
  EXPECT_EQ(sequence_get_seconds_from_tick(smpte24.get(), 480), 2.0);
  EXPECT_EQ(sequence_get_tick_from_seconds(smpte24.get(), 2.0f), 480);
  auto smpte30 = make_sequence(DIVISION_SMPTE30, 10);
  EXPECT_EQ(sequence_get_seconds_from_tick(smpte30.get(), 600), 2.0);
  EXPECT_EQ(sequence_get_beat_from_tick(smpte30.get(), 600), 4.0);
}

TEST(TempoMapFailures, NullSequenceAndUnknownDivision) {
  EXPECT_EQ(sequence_get_beat_from_tick(nullptr, 0), -1.0);
  EXPECT_EQ(sequence_get_seconds_from_tick(nullptr, 0), -1.0);
  EXPECT_EQ(sequence_get_tick_from_beat(nullptr, 1.0f), -1);
  EXPECT_EQ(sequence_get_tick_from_seconds(nullptr, 1.0f), -1);
  for (int32_t division_type : {5, -1}) {
    auto sequence = make_sequence(division_type, 480);
    EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 960), -1.0);
    EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 960), -1.0);
    EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 2.0f), -1);
    EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), -1);
  }
}

// A tempo map with changes at uneven ticks, where the float roundings of the
// walk matter, against a calculation written from the rules directly.
struct TempoChange {
  int32_t tick;
  uint32_t microseconds;
};

double expected_seconds(const std::vector<TempoChange>& changes, int32_t tick) {
  float tempo = 120.0f;
  int32_t last = 0;
  float elapsed = 0.0f;
  for (const TempoChange& change : changes) {
    if (change.tick >= tick) break;
    const float span = static_cast<float>(change.tick - last);
    const double step = static_cast<double>(span) / 96.0 / (static_cast<double>(tempo) / 60.0);
    elapsed = static_cast<float>(step + static_cast<double>(elapsed));
    last = change.tick;
    tempo = static_cast<float>(60000000.0 / change.microseconds);
  }
  const float span = static_cast<float>(tick - last);
  return static_cast<double>(span) / 96.0 / (static_cast<double>(tempo) / 60.0) +
         static_cast<double>(elapsed);
}

TEST(TempoMapPpq, UnevenMapMatchesStepByStepCalculation) {
  const std::vector<TempoChange> changes = {{7, 483871},    {101, 652173},  {333, 333333},
                                            {334, 1234567}, {1000, 428571}, {4097, 700001}};
  auto sequence = make_sequence(DIVISION_PPQ, 96);
  for (const TempoChange& change : changes) add_tempo(sequence, 0, change.tick, change.microseconds);
  for (int32_t tick = -50; tick < 6000; tick += 13) {
    ASSERT_EQ(sequence_get_seconds_from_tick(sequence.get(), tick), expected_seconds(changes, tick))
        << "tick " << tick;
  }
  // Back from seconds (rounded to float) to ticks: the tick it came from, or
  // one less where the rounding went down.
  for (int32_t tick = 0; tick < 6000; tick += 7) {
    const float seconds = static_cast<float>(expected_seconds(changes, tick));
    const int32_t back = sequence_get_tick_from_seconds(sequence.get(), seconds);
    ASSERT_LE(back, tick) << "tick " << tick;
    ASSERT_GE(back, tick - 1) << "tick " << tick;
  }
}

}  // namespace
