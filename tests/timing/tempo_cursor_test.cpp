// The forward cursor must give, for every tick, exactly the bits of the
// public tick-to-seconds conversion, which walks the first track afresh.
#include "timing/tempo_cursor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "timing_fixtures.h"

using namespace tactus;
using namespace timing_test;
using tactus::internal::SecondsCursor;

namespace {

uint64_t bits_of(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::vector<int32_t> event_ticks(const SequencePtr& sequence) {
  std::vector<int32_t> ticks;
  for (Event* event = sequence_get_first_event(sequence.get()); event != nullptr;
       event = event_get_next_in_sequence(event)) {
    ticks.push_back(event_get_tick(event));
  }
  return ticks;
}

// One cursor asked for `ticks` in turn (every event's, by default): each
// answer has the walk's bits. Non-finite values must agree too.
void expect_cursor_matches_walk(const SequencePtr& sequence, std::vector<int32_t> ticks = {}) {
  if (ticks.empty()) ticks = event_ticks(sequence);
  ASSERT_FALSE(ticks.empty());
  SecondsCursor cursor(sequence.get());
  for (int32_t tick : ticks) {
    ASSERT_EQ(bits_of(cursor.seconds_at(tick)), bits_of(sequence_get_seconds_from_tick(sequence.get(), tick)))
        << "tick " << tick;
  }
}

// Notes on two tracks and tempo changes in the first, some of them sharing a
// tick with each other or with notes; a fixed generator so failures reproduce.
SequencePtr busy_map(int32_t division_type, int32_t resolution, uint32_t seed) {
  auto sequence = make_sequence(division_type, resolution, 2);
  auto next = [&seed](uint32_t bound) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % bound;
  };
  int32_t tick = 0;
  for (int i = 0; i < 400; ++i) {
    tick += static_cast<int32_t>(next(4) == 0 ? 0 : next(700));
    add_tempo(sequence, 0, tick, 200000 + next(1500000));
    if (next(3) == 0) add_tempo(sequence, 0, tick, 200000 + next(1500000));
    note_on_new(track(sequence, 0), tick, 0, 60, 100);
    note_on_new(track(sequence, 1), tick + static_cast<int32_t>(next(50)), 1, 64, 90);
  }
  return sequence;
}

TEST(SecondsCursor, MatchesWalkOnBusyMaps) {
  for (auto [division_type, resolution, seed] :
       std::vector<std::tuple<int32_t, int32_t, uint32_t>>{{DIVISION_PPQ, 480, 1},
                                                           {DIVISION_PPQ, 480, 7},
                                                           {DIVISION_PPQ, 480, 12345},
                                                           {DIVISION_PPQ, 96, 99},
                                                           {DIVISION_PPQ, 1, 5},
                                                           {DIVISION_SMPTE24, 80, 3},
                                                           {DIVISION_SMPTE25, 80, 3},
                                                           {DIVISION_SMPTE30DROP, 80, 3},
                                                           {DIVISION_SMPTE30, 80, 3}}) {
    SCOPED_TRACE(testing::Message() << "division " << division_type << " seed " << seed);
    expect_cursor_matches_walk(busy_map(division_type, resolution, seed));
  }
}

TEST(SecondsCursor, MatchesWalkOnSmallMaps) {
  // Every tick twice around close changes: a repeated tick applies nothing twice.
  auto close = build(
      {DIVISION_PPQ, 480, {tempo(10, 400000), tempo(11, 333333), tempo(11, 777777), tempo(13, 1000000)}});
  std::vector<int32_t> twice;
  for (int32_t tick = -3; tick < 20; ++tick) twice.insert(twice.end(), {tick, tick});
  expect_cursor_matches_walk(close, twice);

  auto negative = build({DIVISION_PPQ, 480, {tempo(-960, 1000000), tempo(-100, 300000), tempo(0, 600000)}});
  for (int32_t tick = -2000; tick < 2000; tick += 37) note_off_new(track(negative, 0), tick, 0, 60, 0);
  expect_cursor_matches_walk(negative);

  expect_cursor_matches_walk(build({DIVISION_PPQ, 480, {}, 0}), {960, 1920});
  expect_cursor_matches_walk(build({DIVISION_PPQ, 480, {tempo(480, 1000000, 1)}, 2}), {0, 1440});
  expect_cursor_matches_walk(build({DIVISION_PPQ, 480, {tempo(kMin, 1000000), tempo(kMax, 500000)}}),
                             {kMin, kMax});
  // Going back restarts with the same results.
  expect_cursor_matches_walk(busy_map(DIVISION_PPQ, 480, 42), {50000, 100, 100000, 0, -5, 75000, 74999});
}

// A zero tempo gives an infinite tempo, a zero resolution divides by zero:
// infinities and NaNs, which must still agree bit for bit.
TEST(SecondsCursor, MatchesWalkOnDegenerateMaps) {
  for (int32_t resolution : {0, 480}) {
    auto sequence = build({DIVISION_PPQ, resolution, {tempo(0, 0), tempo(480, 500000), tempo(960, 0)}});
    expect_cursor_matches_walk(sequence, {kMin, -1, 0, 1, 480, 481, 960, 961, kMax});
  }
}

TEST(SecondsCursor, FailuresGiveMinusOne) {
  EXPECT_EQ(SecondsCursor(nullptr).seconds_at(0), -1.0);
  auto sequence = make_sequence(7, 480);
  EXPECT_EQ(SecondsCursor(sequence.get()).seconds_at(960), -1.0);
}

}  // namespace
