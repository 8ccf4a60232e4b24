// The loading fast path (append to each track, then merge the tracks into
// sequence order) must give exactly the order that sorted insertion of the
// same events, track after track, gives.
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "model/records.h"
#include "tactus/model.h"
#include "tests/model/event_lists.h"

using namespace tactus;

namespace {

// Per track, the ticks of its events in file order (non-decreasing).
using Layout = std::vector<std::vector<int32_t>>;
// What identifies an event: track number, tick, position in its track.
using Key = std::tuple<int32_t, int32_t, int32_t>;

Layout random_layout(std::mt19937& random, int32_t track_count) {
  const int32_t steps[] = {0, 0, 0, 1, 2, 50};
  Layout layout(static_cast<size_t>(track_count));
  for (auto& ticks : layout) {
    int32_t tick = std::uniform_int_distribution<int32_t>(-3, 5)(random);
    auto count = std::uniform_int_distribution<int32_t>(0, 40)(random);
    for (int32_t i = 0; i < count; ++i) {
      tick += steps[std::uniform_int_distribution<size_t>(0, 5)(random)];
      ticks.push_back(tick);
    }
  }
  return layout;
}

Sequence* build_by_insertion(const Layout& layout) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  for (const auto& ticks : layout) {
    Track* track = sequence_add_track(sequence);
    for (size_t i = 0; i < ticks.size(); ++i) note_on_new(track, ticks[i], 0, static_cast<int32_t>(i), 1);
  }
  return sequence;
}

Sequence* build_by_merge(const Layout& layout) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  for (const auto& ticks : layout) {
    Track* track = sequence_add_track(sequence);
    for (size_t i = 0; i < ticks.size(); ++i) {
      Event* event = internal::allocate_event(sequence);
      event->track = track;
      event->tick = ticks[i];
      event->kind = NOTE_ON;
      event->word2 = static_cast<int32_t>(i);
      event->word3 = 1;
      internal::append_event_to_track(event);
    }
  }
  internal::link_sequence_order(sequence);
  return sequence;
}

std::vector<Key> sequence_keys(Sequence* sequence) {
  std::vector<Key> keys;
  for (Event* event : model_test::sequence_events(sequence))
    keys.emplace_back(track_get_number(event_get_track(event)), event_get_tick(event),
                      note_on_get_note(event));
  return keys;
}

std::vector<int32_t> end_ticks(Sequence* sequence) {
  std::vector<int32_t> ticks;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track))
    ticks.push_back(track_get_end_tick(track));
  return ticks;
}

TEST(LinkSequenceOrder, EqualsInsertionOrderOnRandomLayouts) {
  std::mt19937 random(20240611);
  const int32_t track_counts[] = {0, 1, 2, 3, 5, 17, 64, 65, 130};
  for (int round = 0; round < 300; ++round) {
    int32_t track_count = track_counts[static_cast<size_t>(round) % std::size(track_counts)];
    Layout layout = random_layout(random, track_count);
    Sequence* inserted = build_by_insertion(layout);
    Sequence* merged = build_by_merge(layout);
    ASSERT_EQ(sequence_keys(merged), sequence_keys(inserted)) << "round " << round;
    ASSERT_EQ(end_ticks(merged), end_ticks(inserted)) << "round " << round;
    sequence_free(inserted);
    sequence_free(merged);
  }
}

TEST(LinkSequenceOrder, EqualTicksGoByTrackNumberThenTrackOrder) {
  Sequence* sequence = build_by_merge({{0, 0, 5}, {0, 5}, {}, {-1, 0}});
  std::vector<Key> expected = {{3, -1, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {3, 0, 1}, {0, 5, 2}, {1, 5, 1}};
  EXPECT_EQ(sequence_keys(sequence), expected);
  // The merged sequence behaves like any other afterwards.
  Event* late = note_on_new(sequence_get_first_track(sequence), 5, 0, 9, 1);
  EXPECT_EQ(sequence_get_last_event(sequence), late);
  sequence_free(sequence);
}

}  // namespace
