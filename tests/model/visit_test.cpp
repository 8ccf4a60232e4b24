// Visiting: every event present at the start is visited once, whatever the
// visitor frees, creates or moves.
#include <gtest/gtest.h>

#include <vector>

#include "tactus/model.h"
#include "tests/model/event_lists.h"

using namespace tactus;
using Events = std::vector<Event*>;

namespace {

int record(Event* event, void* seen) {
  static_cast<Events*>(seen)->push_back(event);
  return 0;
}

int free_it(Event* event, void*) { return event_free(event); }

class Visiting : public ::testing::Test {
 protected:
  void SetUp() override {
    sequence = sequence_new(1, DIVISION_PPQ, 96);
    track0 = sequence_add_track(sequence);
    track1 = sequence_add_track(sequence);
    for (int32_t tick = 0; tick < 6; ++tick)
      note_on_new(tick % 2 == 0 ? track0 : track1, tick * 10, 0, tick, 1);
  }
  void TearDown() override { sequence_free(sequence); }
  Sequence* sequence = nullptr;
  Track* track0 = nullptr;
  Track* track1 = nullptr;
};

TEST_F(Visiting, VisitsInSequenceAndTrackOrder) {
  Events seen;
  EXPECT_EQ(sequence_visit_events(sequence, record, &seen), 0);
  EXPECT_EQ(seen, model_test::sequence_events(sequence));
  seen.clear();
  EXPECT_EQ(track_visit_events(track1, record, &seen), 0);
  EXPECT_EQ(seen, model_test::track_events(track1));
  EXPECT_EQ(sequence_visit_events(sequence, nullptr, nullptr), -1);
  EXPECT_EQ(sequence_visit_events(nullptr, record, &seen), -1);
  EXPECT_EQ(track_visit_events(track0, nullptr, nullptr), -1);
  EXPECT_EQ(track_visit_events(nullptr, record, &seen), -1);
}

TEST_F(Visiting, FreeingEveryEventEmptiesEverything) {
  EXPECT_EQ(sequence_visit_events(sequence, free_it, nullptr), 0);
  EXPECT_EQ(track_get_first_event(track0), nullptr);
  EXPECT_EQ(track_get_last_event(track1), nullptr);
  EXPECT_EQ(sequence_get_first_event(sequence), nullptr);
  Events seen;
  EXPECT_EQ(sequence_visit_events(sequence, record, &seen), 0);
  EXPECT_TRUE(seen.empty());
  note_on_new(track1, 0, 0, 1, 1);
  EXPECT_EQ(track_visit_events(track1, free_it, nullptr), 0);
  EXPECT_EQ(sequence_get_first_event(sequence), nullptr);
}

TEST_F(Visiting, CreatedEventsAreNotVisited) {
  struct State {
    Events seen;
  } state;
  auto create_later = [](Event* event, void* user) {
    static_cast<State*>(user)->seen.push_back(event);
    note_off_new(event_get_track(event), event_get_tick(event) + 5, 0, 0, 0);
    return 0;
  };
  EXPECT_EQ(sequence_visit_events(sequence, create_later, &state), 0);
  EXPECT_EQ(state.seen.size(), 6u);
  EXPECT_EQ(model_test::sequence_events(sequence).size(), 12u);
}

TEST_F(Visiting, MovingTheGivenEventLaterDoesNotVisitItAgain) {
  Events seen;
  auto move_later = [](Event* event, void* user) {
    static_cast<Events*>(user)->push_back(event);
    return event_set_tick(event, event_get_tick(event) + 25);
  };
  EXPECT_EQ(sequence_visit_events(sequence, move_later, &seen), 0);
  EXPECT_EQ(seen.size(), 6u);
}

// Moving another unvisited event ahead of the walk gets it visited once at
// its new place; moving one behind the walk skips it.
TEST_F(Visiting, MovingOtherEventsForwardOrBack) {
  Events order = model_test::sequence_events(sequence);
  struct State {
    Events seen;
    Event* trigger;
    Event* ahead;
    Event* behind;
  } state{{}, order[1], order[2], order[4]};
  auto move_others = [](Event* event, void* user) {
    auto* s = static_cast<State*>(user);
    s->seen.push_back(event);
    if (event == s->trigger) {
      event_set_tick(s->ahead, 1000);  // the successor: the walk follows it
      event_set_tick(s->behind, 0);
    }
    return 0;
  };
  EXPECT_EQ(sequence_visit_events(sequence, move_others, &state), 0);
  EXPECT_EQ(state.seen, (Events{order[0], order[1], order[2]}));

  Events again = model_test::sequence_events(sequence);
  State second{{}, again[0], again[3], nullptr};
  auto move_non_successor = [](Event* event, void* user) {
    auto* s = static_cast<State*>(user);
    s->seen.push_back(event);
    if (event == s->trigger) event_set_tick(s->ahead, 2000);
    return 0;
  };
  EXPECT_EQ(sequence_visit_events(sequence, move_non_successor, &second), 0);
  EXPECT_EQ(second.seen, (Events{again[0], again[1], again[2], again[4], again[5], again[3]}));
}

TEST(VisitingEmpty, CallsNothing) {
  Sequence* sequence = sequence_new(0, DIVISION_PPQ, 96);
  Events seen;
  EXPECT_EQ(sequence_visit_events(sequence, record, &seen), 0);
  EXPECT_EQ(track_visit_events(sequence_add_track(sequence), record, &seen), 0);
  EXPECT_TRUE(seen.empty());
  sequence_free(sequence);
}

}  // namespace
