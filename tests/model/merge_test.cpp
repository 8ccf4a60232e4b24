// The loading fast path (append to each track, then merge the tracks into
// sequence order) must give exactly the order that sorted insertion of the
// same events, track after track, gives.
#include <random>
#include <tuple>

#include "model/records.h"
#include "tests/model/event_lists.h"

using namespace tactus;

namespace {

// Per track, the ticks of its events in file order (non-decreasing).
using Layout = std::vector<std::vector<int32_t>>;
// What identifies an event: track number, tick, position in its track.
using Key = std::tuple<int32_t, int32_t, int32_t>;

Layout random_layout(std::mt19937& random, size_t track_count) {
  const int32_t steps[] = {0, 0, 0, 1, 2, 50};
  Layout layout(track_count);
  for (auto& ticks : layout) {
    int32_t tick = std::uniform_int_distribution<int32_t>(-3, 5)(random);
    for (int32_t i = std::uniform_int_distribution<int32_t>(0, 40)(random); i > 0; --i) {
      tick += steps[std::uniform_int_distribution<size_t>(0, 5)(random)];
      ticks.push_back(tick);
    }
  }
  return layout;
}

// Builds the layout either with the public creators or as the file reader
// does, and gives the sequence order and the end ticks.
std::tuple<std::vector<Key>, std::vector<int32_t>> build(const Layout& layout, bool by_merge) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  for (const auto& ticks : layout) {
    Track* track = sequence_add_track(sequence);
    for (size_t i = 0; i < ticks.size(); ++i) {
      if (!by_merge) {
        note_on_new(track, ticks[i], 0, static_cast<int32_t>(i), 1);
        continue;
      }
      Event* event = internal::allocate_event(sequence);
      event->track = track;
      event->tick = ticks[i];
      event->kind = NOTE_ON;
      event->word2 = static_cast<int32_t>(i);
      internal::append_event_to_track(event);
    }
  }
  if (by_merge) internal::link_sequence_order(sequence);
  std::vector<Key> order;
  for (Event* event : model_test::sequence_events(sequence))
    order.emplace_back(track_get_number(event_get_track(event)), event_get_tick(event),
                       note_on_get_note(event));
  std::vector<int32_t> end_ticks;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track))
    end_ticks.push_back(track_get_end_tick(track));
  sequence_free(sequence);
  return {order, end_ticks};
}

TEST(LinkSequenceOrder, EqualsInsertionOrderOnRandomLayouts) {
  std::mt19937 random(20240611);
  const size_t track_counts[] = {0, 1, 2, 3, 5, 17, 64, 65, 130};
  for (int round = 0; round < 300; ++round) {
    Layout layout = random_layout(random, track_counts[static_cast<size_t>(round) % std::size(track_counts)]);
    ASSERT_EQ(build(layout, true), build(layout, false)) << "round " << round;
  }
}

TEST(LinkSequenceOrder, EqualTicksGoByTrackNumberThenTrackOrder) {
  std::vector<Key> expected = {{3, -1, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {3, 0, 1}, {0, 5, 2}, {1, 5, 1}};
  EXPECT_EQ(std::get<0>(build({{0, 0, 5}, {0, 5}, {}, {-1, 0}}, true)), expected);
}

}  // namespace
