// Ticks to and from bar/beat (mb, mbt) and clock (hms, hmsf) positions and
// their texts, under the time signatures and tempi of the first track;
// degenerate maps must neither crash nor convert NaN or out-of-range values
// to integers, and every text stays within 31 characters.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "timing_fixtures.h"

using namespace tactus;
using namespace timing_test;

namespace {

struct ToText {
  Notation notation;
  int32_t tick;
  const char* text;
};
struct ToTick {
  Notation notation;
  const char* text;
  int32_t tick;
};
struct Case {
  Map map;
  std::vector<ToText> texts;
  std::vector<ToTick> ticks;
};

const Map kPpq{DIVISION_PPQ, 480, {}};
const Map kDrop{DIVISION_SMPTE30DROP, 80, {}};
const Map kPpqZero{DIVISION_PPQ, 0, {tempo(960, 1000000)}};
const Map kZeroNumerator{DIVISION_PPQ, 480, {signature(0, 0, 2)}};
const Map kZeroNumeratorThenThreeFour{DIVISION_PPQ, 480, {signature(960, 0, 2), signature(960, 3, 2)}};

// clang-format off
const Case kCases[] = {
    // 120 bpm, 4/4, 30 frames a second. Texts that match nothing keep the
    // start values; a single hms number is hours; fields are not normalised;
    // beats beyond the bar run on; -90 s truncates each clock field.
    {kPpq,
     {{kMb, 0, "1:1.000"}, {kMbt, 0, "1:1:0.000"}, {kHms, 0, "0:00:00.000"}, {kHmsf, 0, "0:00:00:0.000"},
      {kMb, 720, "1:2.500"}, {kMbt, 720, "1:2:240.000"}, {kMb, 1920, "2:1.000"}, {kMbt, 1920, "2:1:0.000"},
      {kHms, 1920, "0:00:02.000"}, {kHmsf, 1920, "0:00:02:0.000"}, {kHmsf, 1200, "0:00:01:7.500"},
      {kHms, 96000, "0:01:40.000"}, {kHms, 3576480, "1:02:05.500"}, {kHmsf, 3576480, "1:02:05:15.000"},
      {kHms, -86400, "0:-1:-30.000"}},
     {{kMb, "1:2.5", 720}, {kMbt, "1:2:240", 720}, {kHms, "0:01:40", 96000}, {kHmsf, "0:00:01:7.5", 1200},
      {kMb, "3", 3840}, {kMb, "", 0}, {kMb, "bar 2", 0}, {kMbt, "", 0}, {kHms, "", 0}, {kHmsf, "later", 0},
      {kHms, "90", 311040000}, {kHms, "0:90:0", 5184000}, {kMb, "1:9", 3840}, {kMbt, "1:1:1920", 1920},
      {kMb, "2147483647:1", kMax}, {kMb, "-2147483648:1", kMin}, {kMb, "1:nan", -1},
      {kMbt, "2147483647:-2147483648:1e30", kMax}, {kMbt, "1:1:nan", -1},
      {kHms, "2147483647:2147483647:1e38", kMax}, {kHms, "-2147483648:0:0", kMin},
      {kHmsf, "0:0:0:1e30", kMax}}},
    // 6/8: half an eighth past beat 2 is a quarter of a quarter note.
    {{DIVISION_PPQ, 480, {signature(0, 6, 3)}},
     {{kMb, 240, "1:2.000"}, {kMb, 1440, "2:1.000"}, {kMbt, 240, "1:2:0.000"}, {kMbt, 360, "1:2:120.000"}},
     {{kMbt, "1:2:0", 240}, {kMbt, "1:2:120", 360}, {kMb, "2:1", 1440}}},
    {{DIVISION_PPQ, 480, {signature(0, 3, 3)}}, {}, {{kMbt, "2:1:60", 780}}},
    // 3/4 from bar 3. The change at the target is not applied going to a
    // position, and applied coming from one: both give bar 3. Beat 4 of a 3/4
    // bar is the next bar's first.
    {{DIVISION_PPQ, 480, {signature(3840, 3, 2)}},
     {{kMb, 5280, "4:1.000"}, {kMb, 3840, "3:1.000"}},
     {{kMb, "4:1", 5280}, {kMb, "3:3", 4800}, {kMb, "3:1", 3840}, {kMbt, "3:1:0", 3840}, {kMb, "3:4", 5280},
      {kMb, "2:3", 2880}}},
    // 3/4 from bar 3, 6/8 from bar 4. At bar 4 and a third the bar count as a
    // float lies just below it: whole beat 2, tick part 239.99988.
    {{DIVISION_PPQ, 480, {signature(3840, 3, 2), signature(5280, 6, 3)}},
     {{kMb, 6720, "5:1.000"}, {kMb, 5760, "4:3.000"}, {kMbt, 5760, "4:2:240.000"}},
     {{kMb, "5:1", 6720}, {kMbt, "4:3:0", 5760}, {kMbt, "3:2:0", 4320}}},
    {{DIVISION_PPQ, 480, {signature(0, 6, 3, 1)}, 2}, {{kMb, 240, "1:1.500"}}, {{kMb, "2:1", 1920}}},
    {{DIVISION_PPQ, 480, {tempo(960, 1000000)}}, {{kHms, 1440, "0:00:02.000"}}, {{kHms, "0:0:3", 1920}}},
    // 1000 ticks a second; the mbt tick part counts at the beat resolution of
    // 960, not through the tempo.
    {{DIVISION_SMPTE25, 40, {}},
     {{kMb, 1000, "1:3.000"}, {kMbt, 1250, "1:3:480.000"}, {kHmsf, 1500, "0:00:01:12.500"}},
     {{kMb, "1:3", 1000}, {kMbt, "1:3:480", 2400}, {kHmsf, "0:0:1:12.5", 1500}}},
    {{DIVISION_SMPTE25, 40, {tempo(1000, 1000000)}}, {{kMb, 2000, "1:4.000"}}, {{kMb, "2:1", 3000}}},
    // Tick 2398 is 1.0001668564150843 s, 0.005 frames past the second; 15
    // frames at 29.97 plus a second are 3597 ticks.
    {kDrop, {{kHms, 2398, "0:00:01.000"}, {kHmsf, 2398, "0:00:01:0.005"}}, {{kHmsf, "0:0:1:15", 3597}}},
    // An unknown division: -1.0 seconds and beats; the mbt tick part needs no tempo.
    {{9, 480, {}}, {{kHms, 960, "0:00:-1.000"}}, {{kHms, "0:0:1", -1}, {kMbt, "2:1:0", 3840}}},
    // Degenerate maps: NaN ticks give -1, ticks beyond the range saturate.
    {kPpqZero, {{kMb, 960, "2147483647:inf"}}, {{kMb, "3:2", 0}, {kHms, "1:0:0", 0}}},
    {{DIVISION_SMPTE25, 0, {tempo(1000, 1000000)}}, {}, {{kHmsf, "0:0:1:5", 0}}},
    {{DIVISION_PPQ, 480, {tempo(480, 0)}}, {}, {{kHms, "0:0:1", kMax}}},
    {{DIVISION_SMPTE25, 40, {tempo(0, 0), tempo(0, 500000)}}, {}, {{kMb, "2:1", -1}}},
    // A denominator of -1: two quarter notes are -2 x 4 / 4 / 4 = -0.125 bars.
    {{DIVISION_PPQ, 480, {signature(0, 4, 8)}},
     {{kMb, 960, "1:0.500"}, {kMbt, 960, "1:1:960.000"}},
     {{kMb, "2:1", -7680}, {kMbt, "2:1:0", -7680}}},
    // A zero numerator, not applied at its own tick; after it bars add
    // nothing and beats still count.
    {kZeroNumerator, {{kMb, 0, "1:1.000"}}, {{kMb, "7:1", 0}, {kMb, "7:3", 960}, {kMbt, "7:3:10", 970}}},
    {kZeroNumeratorThenThreeFour, {}, {{kMb, "3:1", 959}}},
    {{DIVISION_PPQ, 1, {signature(0, 1, 7)}}, {}, {}},  // a 1/128 bar per tick
    {{DIVISION_PPQ, 480, {tempo(2147483000, 1000000), signature(2147483000, 4, 2)}}, {},
     {{kMbt, "2000000000:1:0", kMax}}},
};
// clang-format on

TEST(Positions, TicksToTextsAndBack) {
  for (const Case& c : kCases) {
    auto sequence = build(c.map);
    for (const ToText& to : c.texts) {
      EXPECT_EQ(text_from_tick(sequence.get(), to.notation, to.tick), to.text) << "tick " << to.tick;
    }
    for (const ToTick& to : c.ticks) {
      EXPECT_EQ(kTickFromText[to.notation](sequence.get(), to.text), to.tick) << to.text;
    }
  }
}

// Whatever the map, no text leaves its 32-character buffer.
TEST(Positions, TextsFit) {
  for (const Case& c : kCases) {
    auto sequence = build(c.map);
    for (int32_t tick : {kMin, -960, 0, 480, 481, 960, 1000, 1920, kMax}) {
      for (Notation notation : {kMb, kMbt, kHms, kHmsf}) {
        EXPECT_LE(text_from_tick(sequence.get(), notation, tick).size(), 31u) << "tick " << tick;
      }
    }
  }
}

TEST(Positions, FramesUseTheSequenceFrameRate) {
  auto sequence = build({DIVISION_SMPTE25, 40, {}});
  sequence_set_frame_rate(sequence.get(), 10.0f);
  EXPECT_EQ(text_from_tick(sequence.get(), kHmsf, 1500), "0:00:01:5.000");
  EXPECT_EQ(kTickFromText[kHmsf](sequence.get(), "0:0:1:5"), 1500);
  // A frame rate of 0: frames / 0 is NaN for 0 frames, infinite otherwise.
  sequence_set_frame_rate(sequence.get(), 0.0f);
  EXPECT_EQ(kTickFromText[kHmsf](sequence.get(), "0:0:1:0"), -1);
  EXPECT_EQ(kTickFromText[kHmsf](sequence.get(), "0:0:1:2"), kMax);
}

TEST(Positions, DropFrameFramesAreExact) {
  auto sequence = build(kDrop);
  HmsfPosition* position = hmsf_position_new();
  sequence_get_hmsf_from_tick(sequence.get(), 2398, position);
  const float past_second =
      static_cast<float>(static_cast<double>(static_cast<float>(2398.0 / (80.0 * 29.97f))) - 1.0);
  EXPECT_EQ(hmsf_position_get_frames(position),
            static_cast<float>(29.97f * static_cast<double>(past_second)));
  hmsf_position_free(position);
}

// Bar and clock fields out of degenerate maps: NaN gives -1, beyond the
// range saturates.
TEST(Positions, DegenerateFields) {
  MbPosition* mb = mb_position_new();
  auto expect_mb = [mb](const SequencePtr& sequence, int32_t tick, int32_t measure) {
    EXPECT_EQ(sequence_get_mb_from_tick(sequence.get(), tick, mb), 0);
    EXPECT_EQ(mb_position_get_measure(mb), measure) << "tick " << tick;
  };
  auto ppq_zero = build(kPpqZero);
  expect_mb(ppq_zero, 0, -1);
  EXPECT_TRUE(std::isnan(mb_position_get_beat(mb)));
  auto zero_numerator = build(kZeroNumerator);
  expect_mb(zero_numerator, 960, kMax);
  EXPECT_TRUE(std::isnan(mb_position_get_beat(mb)));
  // The second signature lies 0 quarter notes after the first: 0 / 0 bars.
  expect_mb(build(kZeroNumeratorThenThreeFour), 1920, -1);
  expect_mb(build({DIVISION_PPQ, 1, {signature(0, 1, 7)}}), kMax, kMax);
  // An unknown division gives -1.0 beats, a quarter of a 4/4 bar before the start.
  expect_mb(make_sequence(5, 480), 960, 1);
  EXPECT_EQ(mb_position_get_beat(mb), 0.0f);
  mb_position_free(mb);

  MbtPosition* mbt = mbt_position_new();
  sequence_get_mbt_from_tick(zero_numerator.get(), 960, mbt);
  EXPECT_EQ(mbt_position_get_measure(mbt), kMax);
  EXPECT_EQ(mbt_position_get_beat(mbt), -1);
  mbt_position_free(mbt);
  HmsPosition* hms = hms_position_new();
  sequence_get_hms_from_tick(ppq_zero.get(), 960, hms);
  EXPECT_EQ(hms_position_get_hours(hms), kMax);
  EXPECT_EQ(hms_position_get_minutes(hms), kMax);
  hms_position_free(hms);
}

TEST(Positions, ScratchTextIsReusedPerNotation) {
  auto sequence = build(kPpq);
  const char* first = sequence_get_mb_string_from_tick(sequence.get(), 0);
  EXPECT_EQ(sequence_get_mb_string_from_tick(sequence.get(), 1920), first);
  EXPECT_STREQ(first, "2:1.000");
  // A text-to-tick conversion starts from the start values, not from what
  // the scratch record held.
  EXPECT_EQ(sequence_get_tick_from_mb_string(sequence.get(), "2"), 1920);
  EXPECT_EQ(sequence_get_tick_from_mbt_string(sequence.get(), "2:2"), 2400);
}

TEST(Positions, NullArguments) {
  auto sequence = build(kPpq);
  Sequence* s = sequence.get();
  MbPosition* mb = mb_position_new();
  MbtPosition* mbt = mbt_position_new();
  HmsPosition* hms = hms_position_new();
  HmsfPosition* hmsf = hmsf_position_new();
  for (int32_t result :
       {sequence_get_mb_from_tick(nullptr, 0, mb), sequence_get_mb_from_tick(s, 0, nullptr),
        sequence_get_tick_from_mb(nullptr, mb), sequence_get_tick_from_mb(s, nullptr),
        sequence_get_mbt_from_tick(nullptr, 0, mbt), sequence_get_mbt_from_tick(s, 0, nullptr),
        sequence_get_tick_from_mbt(nullptr, mbt), sequence_get_tick_from_mbt(s, nullptr),
        sequence_get_hms_from_tick(nullptr, 0, hms), sequence_get_hms_from_tick(s, 0, nullptr),
        sequence_get_tick_from_hms(nullptr, hms), sequence_get_tick_from_hms(s, nullptr),
        sequence_get_hmsf_from_tick(nullptr, 0, hmsf), sequence_get_hmsf_from_tick(s, 0, nullptr),
        sequence_get_tick_from_hmsf(nullptr, hmsf), sequence_get_tick_from_hmsf(s, nullptr)}) {
    EXPECT_EQ(result, -1);
  }
  for (Notation notation : {kMb, kMbt, kHms, kHmsf}) {
    EXPECT_EQ(text_from_tick(nullptr, notation, 0), "(null)");
    EXPECT_EQ(kTickFromText[notation](nullptr, "0:0:1:0"), -1);
    EXPECT_EQ(kTickFromText[notation](s, nullptr), -1);
  }
  mb_position_free(mb);
  mbt_position_free(mbt);
  hms_position_free(hms);
  hmsf_position_free(hmsf);
}

}  // namespace
