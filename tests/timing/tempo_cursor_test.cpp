// The forward cursor must give, for every tick, exactly the bits of the
// public tick-to-seconds conversion, which walks the first track afresh.
#include "timing/tempo_cursor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "timing_fixtures.h"

using namespace tactus;
using tactus::internal::SecondsCursor;
using timing_test::add_tempo;
using timing_test::make_sequence;
using timing_test::SequencePtr;
using timing_test::track;

namespace {

uint64_t bits_of(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Every event in sequence order (non-decreasing ticks): cursor against walk.
void expect_cursor_matches_walk(const SequencePtr& sequence) {
  SecondsCursor cursor(sequence.get());
  int checked = 0;
  for (Event* event = sequence_get_first_event(sequence.get()); event != nullptr;
       event = event_get_next_in_sequence(event)) {
    const int32_t tick = event_get_tick(event);
    ASSERT_EQ(bits_of(cursor.seconds_at(tick)), bits_of(sequence_get_seconds_from_tick(sequence.get(), tick)))
        << "tick " << tick;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// A small deterministic generator, so that failures reproduce.
struct Lcg {
  uint32_t state;
  uint32_t next(uint32_t bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
  }
};

// Notes on two tracks and tempo changes in the first, some of them sharing a
// tick with each other or with notes.
SequencePtr busy_map(int32_t division_type, int32_t resolution, uint32_t seed) {
  auto sequence = make_sequence(division_type, resolution, 2);
  Lcg random{seed};
  int32_t tick = 0;
  for (int i = 0; i < 400; ++i) {
    tick += static_cast<int32_t>(random.next(4) == 0 ? 0 : random.next(700));
    add_tempo(sequence, 0, tick, 200000 + random.next(1500000));
    if (random.next(3) == 0) add_tempo(sequence, 0, tick, 200000 + random.next(1500000));
    note_on_new(track(sequence, 0), tick, 0, 60, 100);
    note_on_new(track(sequence, 1), tick + static_cast<int32_t>(random.next(50)), 1, 64, 90);
  }
  return sequence;
}

TEST(SecondsCursor, MatchesWalkOnBusyPpqMaps) {
  for (uint32_t seed : {1u, 7u, 12345u}) {
    expect_cursor_matches_walk(busy_map(DIVISION_PPQ, 480, seed));
  }
  expect_cursor_matches_walk(busy_map(DIVISION_PPQ, 96, 99));
  expect_cursor_matches_walk(busy_map(DIVISION_PPQ, 1, 5));
}

TEST(SecondsCursor, MatchesWalkOnEveryTickAroundTempoEvents) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, 10, 400000);
  add_tempo(sequence, 0, 11, 333333);
  add_tempo(sequence, 0, 11, 777777);
  add_tempo(sequence, 0, 13, 1000000);
  SecondsCursor cursor(sequence.get());
  for (int32_t tick = -3; tick < 20; ++tick) {
    // Each tick twice: a repeated tick must not apply anything twice.
    for (int repeat = 0; repeat < 2; ++repeat) {
      ASSERT_EQ(bits_of(cursor.seconds_at(tick)),
                bits_of(sequence_get_seconds_from_tick(sequence.get(), tick)))
          << "tick " << tick;
    }
  }
}

TEST(SecondsCursor, MatchesWalkForSmpteDivisions) {
  for (int32_t division_type : {DIVISION_SMPTE24, DIVISION_SMPTE25, DIVISION_SMPTE30DROP, DIVISION_SMPTE30}) {
    expect_cursor_matches_walk(busy_map(division_type, 80, 3));
  }
}

TEST(SecondsCursor, MatchesWalkWithNegativeTicks) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_tempo(sequence, 0, -960, 1000000);
  add_tempo(sequence, 0, -100, 300000);
  add_tempo(sequence, 0, 0, 600000);
  for (int32_t tick = -2000; tick < 2000; tick += 37) note_off_new(track(sequence, 0), tick, 0, 60, 0);
  expect_cursor_matches_walk(sequence);
}

TEST(SecondsCursor, WithoutTracksUsesDefaultTempo) {
  auto sequence = make_sequence(DIVISION_PPQ, 480, 0);
  SecondsCursor cursor(sequence.get());
  EXPECT_EQ(cursor.seconds_at(960), 1.0);
  EXPECT_EQ(cursor.seconds_at(1920), 2.0);
}

TEST(SecondsCursor, TempoOnlyInSecondTrackIsIgnored) {
  auto sequence = make_sequence(DIVISION_PPQ, 480, 2);
  add_tempo(sequence, 1, 480, 1000000);
  note_on_new(track(sequence, 1), 1440, 0, 60, 100);
  SecondsCursor cursor(sequence.get());
  EXPECT_EQ(cursor.seconds_at(1440), 1.5);
}

TEST(SecondsCursor, GoingBackRestartsWithSameResults) {
  auto sequence = busy_map(DIVISION_PPQ, 480, 42);
  SecondsCursor cursor(sequence.get());
  for (int32_t tick : {50000, 100, 100000, 0, -5, 75000, 74999}) {
    EXPECT_EQ(bits_of(cursor.seconds_at(tick)), bits_of(sequence_get_seconds_from_tick(sequence.get(), tick)))
        << "tick " << tick;
  }
}

TEST(SecondsCursor, FailuresGiveMinusOne) {
  SecondsCursor null_cursor(nullptr);
  EXPECT_EQ(null_cursor.seconds_at(0), -1.0);
  auto sequence = make_sequence(7, 480);
  SecondsCursor unknown(sequence.get());
  EXPECT_EQ(unknown.seconds_at(960), -1.0);
}

TEST(SecondsCursor, MatchesWalkOnDegenerateMaps) {
  // A zero tempo gives an infinite tempo; a zero resolution divides by zero.
  // The values are infinities and NaNs, and they must still agree bit for bit.
  for (int32_t resolution : {0, 480}) {
    auto sequence = make_sequence(DIVISION_PPQ, resolution);
    add_tempo(sequence, 0, 0, 0);
    add_tempo(sequence, 0, 480, 500000);
    add_tempo(sequence, 0, 960, 0);
    for (int32_t tick : {std::numeric_limits<int32_t>::min(), -1, 0, 1, 480, 481, 960, 961,
                         std::numeric_limits<int32_t>::max()}) {
      note_on_new(track(sequence, 0), tick, 0, 60, 1);
    }
    expect_cursor_matches_walk(sequence);
  }
}

}  // namespace
