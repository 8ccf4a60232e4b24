// Ticks to and from beats and seconds: the documented values, degenerate maps
// (NaN ticks give -1, ticks beyond the range saturate), and a longer map
// against a separately written calculation.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "timing_fixtures.h"

using namespace tactus;
using namespace timing_test;

namespace {

enum class Op { kBeatFromTick, kSecondsFromTick, kTickFromBeat, kTickFromSeconds };

double convert(Sequence* sequence, Op op, double input) {
  switch (op) {
    case Op::kBeatFromTick:
      return sequence_get_beat_from_tick(sequence, static_cast<int32_t>(input));
    case Op::kSecondsFromTick:
      return sequence_get_seconds_from_tick(sequence, static_cast<int32_t>(input));
    case Op::kTickFromBeat:
      return sequence_get_tick_from_beat(sequence, static_cast<float>(input));
    case Op::kTickFromSeconds:
      return sequence_get_tick_from_seconds(sequence, static_cast<float>(input));
  }
  return -2.0;
}

struct Conversion {
  Op op;
  double input;
  double expected;  // NaN: the result must be NaN
};
struct Case {
  Map map;
  std::vector<Conversion> conversions;
};

constexpr Op kBeat = Op::kBeatFromTick, kSeconds = Op::kSecondsFromTick, kFromBeat = Op::kTickFromBeat,
             kFromSeconds = Op::kTickFromSeconds;
const double kInf = HUGE_VAL, kNan = NAN;
const double kFloat2997 = static_cast<double>(29.97f);

TEST(TempoMap, ConversionsMatchHandValues) {
  // clang-format off
  const Case cases[] = {
      {{DIVISION_PPQ, 480, {}},
       {{kBeat, 960, 2}, {kSeconds, 960, 1}, {kFromBeat, 2, 960}, {kFromSeconds, 1, 960}}},
      {{DIVISION_PPQ, 480, {}, 0}, {{kSeconds, 960, 1}, {kFromSeconds, 1, 960}}},  // no tracks
      // 60 bpm from tick 960: the event at the target tick is not applied,
      // with the same result. Beats of PPQ do not depend on the tempo.
      {{DIVISION_PPQ, 480, {tempo(960, 1000000)}},
       {{kSeconds, 960, 1}, {kSeconds, 1440, 2}, {kFromSeconds, 1.5, 1200}, {kFromSeconds, 2, 1440},
        {kFromSeconds, 1, 960}, {kBeat, 1440, 3}}},
      {{DIVISION_PPQ, 480, {tempo(960, 1000000, 1)}, 2}, {{kSeconds, 1440, 1.5}, {kFromSeconds, 2, 1920}}},
      // 0.96 ticks and 479.52 ticks truncate toward zero.
      {{DIVISION_PPQ, 480, {}},
       {{kFromSeconds, 0.001, 0}, {kFromBeat, 0.999, 479}, {kFromBeat, -0.999, -479}}},
      // At 100 bpm 0.125 s and 0.25 s are 0.208333 and 0.416666 beats; as
      // floats just below, so 99.99999 and 199.99999 ticks. 0.3f lies a
      // little above 0.3 and its beats round to exactly 0.5.
      {{DIVISION_PPQ, 480, {tempo(0, 600000)}},
       {{kFromSeconds, 0.125, 99}, {kFromSeconds, 0.25, 199}, {kFromSeconds, 0.3f, 240}}},
      // Negative ticks: the walk stops before the event at tick 0.
      {{DIVISION_PPQ, 480, {tempo(0, 1000000)}},
       {{kSeconds, -480, -0.5}, {kBeat, -480, -1}, {kFromBeat, -1, -480}}},
      // Two changes at one tick apply in order.
      {{DIVISION_PPQ, 480, {tempo(480, 250000), tempo(480, 1000000)}},
       {{kSeconds, 960, 1.5}, {kFromSeconds, 1.5, 960}}},
      {{DIVISION_SMPTE25, 40, {}},
       {{kSeconds, 1000, 1}, {kBeat, 1000, 2}, {kFromSeconds, 1, 1000}, {kFromBeat, 2, 1000}}},
      // Beats of SMPTE follow the tempo; seconds do not.
      {{DIVISION_SMPTE25, 40, {tempo(1000, 1000000)}},
       {{kBeat, 1000, 2}, {kBeat, 3000, 4}, {kFromBeat, 3, 2000}, {kSeconds, 3000, 3}}},
      // 80 x 29.97 (double) = 2397.6, truncated; seconds and beats of tick 2398
      // come from the float 29.97. 3.75 s (7.5 beats) and 1.25 s are whole
      // ticks in decimal: the double 29.97 lies just above 29.97 and keeps
      // them, the float, just below, would give one tick less.
      {{DIVISION_SMPTE30DROP, 80, {}},
       {{kFromSeconds, 1, 2397}, {kSeconds, 2398, 2398.0 / (80.0 * kFloat2997)},
        {kBeat, 2398, 2398.0 / 80.0 / kFloat2997 / 60.0 * 120.0}, {kFromBeat, 7.5, 8991},
        {kFromSeconds, 1.25, 2997}}},
      {{DIVISION_SMPTE24, 10, {}}, {{kSeconds, 480, 2}, {kFromSeconds, 2, 480}}},
      {{DIVISION_SMPTE30, 10, {}}, {{kSeconds, 600, 2}, {kBeat, 600, 4}}},
      {{5, 480, {}}, {{kBeat, 960, -1}, {kSeconds, 960, -1}, {kFromBeat, 2, -1}, {kFromSeconds, 1, -1}}},
      {{-1, 480, {}}, {{kBeat, 960, -1}, {kSeconds, 960, -1}, {kFromBeat, 2, -1}, {kFromSeconds, 1, -1}}},
      // Resolution 0: zero ticks per beat or per second, whatever the value.
      {{DIVISION_PPQ, 0, {tempo(960, 1000000)}},
       {{kBeat, 960, kInf}, {kBeat, 0, kNan}, {kSeconds, 960, kInf}, {kFromBeat, 2, 0}, {kFromSeconds, 1, 0},
        {kFromSeconds, 5, 0}}},
      // The tempo event starts at infinitely many beats: never reached.
      {{DIVISION_SMPTE25, 0, {tempo(1000, 1000000)}},
       {{kSeconds, 1000, kInf}, {kSeconds, 0, kNan}, {kBeat, 1000, kInf}, {kFromSeconds, 1, 0},
        {kFromBeat, 2, 0}}},
      // 0 microseconds is an infinite tempo: after it no time passes, and any
      // later second lies infinitely many ticks on.
      {{DIVISION_PPQ, 480, {tempo(480, 0)}},
       {{kSeconds, 480, 0.5}, {kSeconds, 96000, 0.5}, {kFromSeconds, 0.25, 240}, {kFromSeconds, 0.5, 480},
        {kFromSeconds, 1, kMax}}},
      // Every beat is reached at once.
      {{DIVISION_SMPTE25, 40, {tempo(0, 0)}},
       {{kBeat, 0, 0}, {kBeat, 1000, kInf}, {kFromBeat, 1, 0}, {kFromBeat, 1000, 0}}},
      // A second event meets 0 ticks x infinity: NaN, carried on; a NaN tick gives -1.
      {{DIVISION_SMPTE25, 40, {tempo(0, 0), tempo(0, 500000)}}, {{kBeat, 1000, kNan}, {kFromBeat, 1, -1}}},
      {{DIVISION_PPQ, 480, {}},
       {{kFromBeat, kNan, -1}, {kFromSeconds, kNan, -1}, {kFromBeat, kInf, kMax}, {kFromBeat, -kInf, kMin},
        {kFromSeconds, 1e30, kMax}, {kFromSeconds, -1e30, kMin}}},
      {{DIVISION_SMPTE30DROP, 80, {}},
       {{kFromSeconds, kNan, -1}, {kFromSeconds, 1e30, kMax}, {kFromBeat, kNan, -1},
        {kFromBeat, -1e30, kMin}}},
      // 763,000 s past a change just below the last tick: anchor plus offset saturates.
      {{DIVISION_PPQ, 480, {tempo(2147483000, 1000000)}}, {{kFromSeconds, 3e6, kMax}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    auto sequence = build(c.map);
    for (const Conversion& conversion : c.conversions) {
      const double result = convert(sequence.get(), conversion.op, conversion.input);
      SCOPED_TRACE(testing::Message() << "division " << c.map.division_type << ", op "
                                      << static_cast<int>(conversion.op) << ", input " << conversion.input);
      if (std::isnan(conversion.expected)) {
        EXPECT_TRUE(std::isnan(result)) << result;
      } else {
        EXPECT_EQ(result, conversion.expected);
      }
    }
  }
  EXPECT_EQ(kFloat2997, 29.969999313354492);
  EXPECT_NEAR(2398.0 / (80.0 * kFloat2997), 1.0001668564150843, 1e-15);
}

TEST(TempoMap, NullSequence) {
  for (Op op : {kBeat, kSeconds, kFromBeat, kFromSeconds}) EXPECT_EQ(convert(nullptr, op, 1), -1.0);
}

// Tick differences up to 2^32 - 1 must not overflow.
TEST(TempoMap, TempoEventsAtTheEndsOfTheTickRange) {
  auto sequence = build({DIVISION_PPQ, 480, {tempo(kMin, 1000000), tempo(kMax, 500000)}});
  const float before = static_cast<float>(static_cast<double>(static_cast<float>(kMin)) / 480.0 / 2.0);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence.get(), kMax),
            static_cast<double>(static_cast<float>(4294967295.0)) / 480.0 + static_cast<double>(before));
  EXPECT_EQ(sequence_get_tick_from_seconds(sequence.get(), 1e12f), kMax);
}

// A tempo map with changes at uneven ticks, where the float roundings of the
// walk matter, against a calculation written from the rules directly.
TEST(TempoMap, UnevenMapMatchesStepByStepCalculation) {
  const std::vector<std::pair<int32_t, uint32_t>> changes = {{7, 483871},    {101, 652173},  {333, 333333},
                                                             {334, 1234567}, {1000, 428571}, {4097, 700001}};
  auto sequence = make_sequence(DIVISION_PPQ, 96);
  for (auto [tick, microseconds] : changes) add_tempo(sequence, 0, tick, microseconds);
  auto expected_seconds = [&](int32_t tick) {
    float bpm = 120.0f, elapsed = 0.0f;
    int32_t last = 0;
    auto span_seconds = [&](int32_t to) {
      return static_cast<double>(static_cast<float>(to - last)) / 96.0 / (static_cast<double>(bpm) / 60.0);
    };
    for (auto [at, microseconds] : changes) {
      if (at >= tick) break;
      elapsed = static_cast<float>(span_seconds(at) + static_cast<double>(elapsed));
      last = at;
      bpm = static_cast<float>(60000000.0 / microseconds);
    }
    return span_seconds(tick) + static_cast<double>(elapsed);
  };
  for (int32_t tick = -50; tick < 6000; tick += 13) {
    ASSERT_EQ(sequence_get_seconds_from_tick(sequence.get(), tick), expected_seconds(tick))
        << "tick " << tick;
  }
  // Back from seconds (rounded to float): the tick it came from, or one less
  // where the rounding went down.
  for (int32_t tick = 0; tick < 6000; tick += 7) {
    const int32_t back =
        sequence_get_tick_from_seconds(sequence.get(), static_cast<float>(expected_seconds(tick)));
    ASSERT_TRUE(back == tick || back == tick - 1) << "tick " << tick << " came back as " << back;
  }
}

}  // namespace
