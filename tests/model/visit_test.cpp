// Visiting: every event present at the start is visited once, whatever the
// visitor frees, creates or moves.
#include "tests/model/event_lists.h"

using namespace tactus;
using namespace model_test;

namespace {

// What a visitor saw, and which event it moves where when it sees `trigger`.
struct Visit {
  Events seen;
  Event* trigger = nullptr;
  Event* moved = nullptr;
  int32_t to_tick = 0;
};

int record(Event* event, void* user) {
  auto* visit = static_cast<Visit*>(user);
  visit->seen.push_back(event);
  if (event == visit->trigger) event_set_tick(visit->moved, visit->to_tick);
  return 0;
}

class Visiting : public TwoTracks {
 protected:
  void SetUp() override {
    TwoTracks::SetUp();
    for (int32_t i = 0; i < 6; ++i) note_on_new(i % 2 == 0 ? track0 : track1, i * 10, 0, i, 1);
    order = sequence_events(sequence);
  }
  Events order;
};

TEST_F(Visiting, VisitsInSequenceAndTrackOrder) {
  Visit visit;
  EXPECT_EQ(sequence_visit_events(sequence, record, &visit), 0);
  EXPECT_EQ(visit.seen, order);
  Visit in_track;
  EXPECT_EQ(track_visit_events(track1, record, &in_track), 0);
  EXPECT_EQ(in_track.seen, (Events{order[1], order[3], order[5]}));
  EXPECT_EQ(sequence_visit_events(sequence, nullptr, nullptr), -1);
  EXPECT_EQ(track_visit_events(nullptr, record, &visit), -1);
}

TEST_F(Visiting, FreeingEveryEventEmptiesEverythingAndEmptyListsCallNothing) {
  auto free_it = [](Event* event, void*) { return event_free(event); };
  EXPECT_EQ(track_visit_events(track1, free_it, nullptr), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{order[0], order[2], order[4]}));
  EXPECT_EQ(sequence_visit_events(sequence, free_it, nullptr), 0);
  EXPECT_EQ(track_get_first_event(track0), nullptr);
  EXPECT_EQ(sequence_get_first_event(sequence), nullptr);
  Visit visit;
  EXPECT_EQ(sequence_visit_events(sequence, record, &visit), 0);
  EXPECT_EQ(track_visit_events(sequence_add_track(sequence), record, &visit), 0);
  EXPECT_TRUE(visit.seen.empty());
}

TEST_F(Visiting, CreatedOrMovedOnEventsAreNotVisitedAgain) {
  int32_t calls = 0;
  auto create_and_move = [](Event* event, void* user) {
    ++*static_cast<int32_t*>(user);
    note_off_new(event_get_track(event), event_get_tick(event) + 5, 0, 0, 0);
    return event_set_tick(event, event_get_tick(event) + 25);
  };
  EXPECT_EQ(sequence_visit_events(sequence, create_and_move, &calls), 0);
  EXPECT_EQ(calls, 6);
  EXPECT_EQ(sequence_events(sequence).size(), 12u);
}

TEST_F(Visiting, AnEventMovedAheadIsVisitedAtItsNewPlace) {
  Visit visit{{}, order[0], order[3], 2000};
  EXPECT_EQ(sequence_visit_events(sequence, record, &visit), 0);
  EXPECT_EQ(visit.seen, (Events{order[0], order[1], order[2], order[4], order[5], order[3]}));
}

TEST_F(Visiting, AnEventMovedBehindTheWalkIsNotVisited) {
  Visit visit{{}, order[2], order[4], 0};
  EXPECT_EQ(sequence_visit_events(sequence, record, &visit), 0);
  EXPECT_EQ(visit.seen, (Events{order[0], order[1], order[2], order[3], order[5]}));
}

// The walk follows a moved successor: the events it jumps over are skipped.
TEST_F(Visiting, AMovedSuccessorTakesTheWalkAlong) {
  Visit visit{{}, order[1], order[2], 45};
  EXPECT_EQ(sequence_visit_events(sequence, record, &visit), 0);
  EXPECT_EQ(visit.seen, (Events{order[0], order[1], order[2], order[5]}));
}

}  // namespace
