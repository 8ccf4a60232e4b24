// Degenerate time divisions and meta values: a resolution of 0, a tempo of 0
// microseconds per quarter note (an infinite tempo), a denominator power
// beyond 7 (denominator -1), a numerator of 0, and values beyond the 32-bit
// range. None may crash or convert NaN or an out-of-range double to an
// integer: tick results that are NaN give -1, ticks beyond the range
// saturate. The sanitizer build runs these tests too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "timing/tempo_cursor.h"
#include "timing_fixtures.h"

using namespace tactus;
using timing_test::add_signature;
using timing_test::add_tempo;
using timing_test::make_sequence;
using timing_test::SequencePtr;

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNan = std::nanf("");

// Every text conversion of `tick` stays inside its buffer.
void expect_texts_fit(const SequencePtr& sequence, int32_t tick) {
  EXPECT_LE(std::strlen(sequence_get_mb_string_from_tick(sequence.get(), tick)), 31u);
  EXPECT_LE(std::strlen(sequence_get_mbt_string_from_tick(sequence.get(), tick)), 31u);
  EXPECT_LE(std::strlen(sequence_get_hms_string_from_tick(sequence.get(), tick)), 31u);
  EXPECT_LE(std::strlen(sequence_get_hmsf_string_from_tick(sequence.get(), tick)), 31u);
}

TEST(DegenerateResolution, ZeroPpq) {
  auto sequence = make_sequence(DIVISION_PPQ, 0);
  add_tempo(sequence, 0, 960, 1000000);
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 960), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(sequence_get_beat_from_tick(sequence.get(), 0)));
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 960), std::numeric_limits<double>::infinity());
  // Zero ticks per beat or per second, whatever the value.
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 2.0f), 0);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), 0);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 5.0f), 0);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "3:2"), 0);
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "1:0:0"), 0);

  // Infinite bars saturate the bar number; NaN bars (tick 0) give -1.
  MbPosition* mb = mb_position_new();
  sequence_get_mb_from_tick(sequence.get(), 960, mb);
  EXPECT_EQ(mb_position_get_measure(mb), kMax);
  EXPECT_EQ(mb_position_get_beat(mb), kInf);
  sequence_get_mb_from_tick(sequence.get(), 0, mb);
  EXPECT_EQ(mb_position_get_measure(mb), -1);
  EXPECT_TRUE(std::isnan(mb_position_get_beat(mb)));
  mb_position_free(mb);

  HmsPosition* hms = hms_position_new();
  sequence_get_hms_from_tick(sequence.get(), 960, hms);
  EXPECT_EQ(hms_position_get_hours(hms), kMax);
  EXPECT_EQ(hms_position_get_minutes(hms), kMax);
  hms_position_free(hms);

  for (int32_t tick : {0, 960, -960, kMin, kMax}) expect_texts_fit(sequence, tick);
}

TEST(DegenerateResolution, ZeroSmpte) {
  auto sequence = make_sequence(DIVISION_SMPTE25, 0);
  add_tempo(sequence, 0, 1000, 1000000);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 1000), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(sequence_get_seconds_from_tick(sequence.get(), 0)));
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 1000), std::numeric_limits<double>::infinity());
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), 0);
  // The tempo event starts at infinitely many beats, so it is never reached.
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 2.0f), 0);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:0:1:5"), 0);
  for (int32_t tick : {0, 1000, kMin, kMax}) expect_texts_fit(sequence, tick);
}

TEST(DegenerateTempo, ZeroMicrosecondsIsInfiniteTempo) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 480, 0);
  ASSERT_EQ(tempo_get_beats_per_minute(sequence_get_first_event(sequence.get())), kInf);
  // After the change no time passes.
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 480), 0.5);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), 96000), 0.5);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 0.25f), 240);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 0.5f), 480);
  // Any later second lies infinitely many ticks on: the tick saturates.
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1.0f), kMax);
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "0:0:1"), kMax);
  for (int32_t tick : {0, 480, 481, kMax}) expect_texts_fit(sequence, tick);
}

TEST(DegenerateTempo, InfiniteTempoInSmpteBeats) {
  auto sequence = make_sequence(DIVISION_SMPTE25, 40);
  add_tempo(sequence, 0, 0, 0);
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 0), 0.0);
  EXPECT_EQ(sequence_get_beat_from_tick(sequence.get(), 1000), std::numeric_limits<double>::infinity());
  // Every beat is reached at once.
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 1.0f), 0);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 1000.0f), 0);
  // A second tempo event at the same tick meets 0 ticks × infinity: NaN,
  // which the walk carries on, and a NaN tick gives -1.
  add_tempo(sequence, 0, 0, 500000);
  EXPECT_TRUE(std::isnan(sequence_get_beat_from_tick(sequence.get(), 1000)));
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), 1.0f), -1);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2:1"), -1);
  for (int32_t tick : {0, 1000, kMax}) expect_texts_fit(sequence, tick);
}

TEST(DegenerateSignature, DenominatorMinusOneCountsBackwards) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_signature(sequence, 0, 0, 4, 8);
  // Two quarter notes are -2 × 4 / 4 / 4 = -0.125 bars.
  EXPECT_STREQ(sequence_get_mb_string_from_tick(sequence.get(), 960), "1:0.500");
  EXPECT_STREQ(sequence_get_mbt_string_from_tick(sequence.get(), 960), "1:1:960.000");
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2:1"), -7680);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "2:1:0"), -7680);
  for (int32_t tick : {960, kMin, kMax}) expect_texts_fit(sequence, tick);
}

TEST(DegenerateSignature, ZeroNumerator) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_signature(sequence, 0, 0, 0, 2);
  // The signature at the target is not applied: 4/4 at tick 0.
  EXPECT_STREQ(sequence_get_mb_string_from_tick(sequence.get(), 0), "1:1.000");
  // After it, bars divide by 0: infinite bars, and a NaN beat.
  MbPosition* mb = mb_position_new();
  sequence_get_mb_from_tick(sequence.get(), 960, mb);
  EXPECT_EQ(mb_position_get_measure(mb), kMax);
  EXPECT_TRUE(std::isnan(mb_position_get_beat(mb)));
  mb_position_free(mb);
  MbtPosition* mbt = mbt_position_new();
  sequence_get_mbt_from_tick(sequence.get(), 960, mbt);
  EXPECT_EQ(mbt_position_get_measure(mbt), kMax);
  EXPECT_EQ(mbt_position_get_beat(mbt), -1);
  mbt_position_free(mbt);
  // Zero beats per bar: bars add nothing, beats still count.
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "7:1"), 0);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "7:3"), 960);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "7:3:10"), 970);
  for (int32_t tick : {960, kMin, kMax}) expect_texts_fit(sequence, tick);
}

TEST(DegenerateSignature, ZeroNumeratorThenSignatureAtSameTick) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_signature(sequence, 0, 960, 0, 2);
  add_signature(sequence, 0, 960, 3, 2);
  // The second signature lies 0 quarter notes after the first: 0 / 0 bars,
  // NaN, so its bar number is -1. The walks go on without undefined steps.
  MbPosition* mb = mb_position_new();
  sequence_get_mb_from_tick(sequence.get(), 1920, mb);
  EXPECT_EQ(mb_position_get_measure(mb), -1);
  mb_position_free(mb);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "3:1"), 959);
  for (int32_t tick : {960, 1920, kMax}) expect_texts_fit(sequence, tick);
}

TEST(DegenerateRange, NonFiniteValuesToTicks) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), kNan), -1);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), kNan), -1);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), kInf), kMax);
  EXPECT_EQ(sequence_get_tick_from_beat(sequence.get(), -kInf), kMin);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1e30f), kMax);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), -1e30f), kMin);
  auto smpte = make_sequence(DIVISION_SMPTE30DROP, 80);
  EXPECT_EQ(sequence_get_tick_from_seconds(smpte.get(), kNan), -1);
  EXPECT_EQ(sequence_get_tick_from_seconds(smpte.get(), 1e30f), kMax);
  EXPECT_EQ(sequence_get_tick_from_beat(smpte.get(), kNan), -1);
  EXPECT_EQ(sequence_get_tick_from_beat(smpte.get(), -1e30f), kMin);
}

TEST(DegenerateRange, TempoEventsAtTheEndsOfTheTickRange) {
  // Tick differences up to 2^32 - 1 must not overflow.
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, kMin, 1000000);
  add_tempo(sequence, 0, kMax, 500000);
  const float before = static_cast<float>(static_cast<double>(static_cast<float>(kMin)) / 480.0 / 2.0);
  const double expected =
      static_cast<double>(static_cast<float>(4294967295.0)) / 480.0 / 1.0 + static_cast<double>(before);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), kMax), expected);
  internal::SecondsCursor cursor(sequence.get());
  EXPECT_EQ(cursor.seconds_at(kMin), sequence_get_seconds_from_tick(sequence.get(), kMin));
  EXPECT_EQ(cursor.seconds_at(kMax), expected);
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1e12f), kMax);
}

TEST(DegenerateRange, AnchorPlusOffsetSaturates) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 2147483000, 1000000);
  // 763,000 seconds past the change at 60 beats per minute: far beyond the
  // last tick, from an anchor just below it.
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 3e6f), kMax);
  add_signature(sequence, 0, 2147483000, 4, 2);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "2000000000:1:0"), kMax);
}

TEST(DegenerateRange, ExtremePositionFields) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2147483647:1"), kMax);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "-2147483648:1"), kMin);
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "1:nan"), -1);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "2147483647:-2147483648:1e30"), kMax);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "1:1:nan"), -1);
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "2147483647:2147483647:1e38"), kMax);
  EXPECT_EQ(sequence_get_tick_from_hms_string(sequence.get(), "-2147483648:0:0"), kMin);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:0:0:1e30"), kMax);
  // A frame rate of 0: frames / 0 is NaN for 0 frames, infinite otherwise.
  sequence_set_frame_rate(sequence.get(), 0.0f);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:0:1:0"), -1);
  EXPECT_EQ(sequence_get_tick_from_hmsf_string(sequence.get(), "0:0:1:2"), kMax);
  // Bars beyond the int32 range: one 1/128 bar per tick-per-quarter.
  auto fine = make_sequence(DIVISION_PPQ, 1);
  add_signature(fine, 0, 0, 1, 7);
  MbPosition* mb = mb_position_new();
  sequence_get_mb_from_tick(fine.get(), kMax, mb);
  EXPECT_EQ(mb_position_get_measure(mb), kMax);
  mb_position_free(mb);
  expect_texts_fit(fine, kMax);
  expect_texts_fit(fine, kMin);
}

}  // namespace
