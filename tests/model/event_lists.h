// Shared by the model tests: a sequence of two tracks, and both event lists
// read back as vectors, checking on the way that the backward links mirror
// the forward ones.
#ifndef TACTUS_TESTS_MODEL_EVENT_LISTS_H
#define TACTUS_TESTS_MODEL_EVENT_LISTS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tactus/model.h"

namespace model_test {

using Events = std::vector<tactus::Event*>;

template <typename Next, typename Previous>
Events walk_both_ways(tactus::Event* first, tactus::Event* last, Next next, Previous previous) {
  Events forward, backward;
  for (tactus::Event* event = first; event != nullptr; event = next(event)) forward.push_back(event);
  for (tactus::Event* event = last; event != nullptr; event = previous(event)) backward.push_back(event);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(forward, backward) << "backward links disagree with forward links";
  return forward;
}

inline Events sequence_events(tactus::Sequence* sequence) {
  return walk_both_ways(tactus::sequence_get_first_event(sequence), tactus::sequence_get_last_event(sequence),
                        tactus::event_get_next_in_sequence, tactus::event_get_previous_in_sequence);
}

inline Events track_events(tactus::Track* track) {
  return walk_both_ways(tactus::track_get_first_event(track), tactus::track_get_last_event(track),
                        tactus::event_get_next_in_track, tactus::event_get_previous_in_track);
}

class TwoTracks : public ::testing::Test {
 protected:
  void SetUp() override {
    sequence = tactus::sequence_new(1, tactus::DIVISION_PPQ, 480);
    track0 = tactus::sequence_add_track(sequence);
    track1 = tactus::sequence_add_track(sequence);
  }
  void TearDown() override { EXPECT_EQ(tactus::sequence_free(sequence), 0); }
  tactus::Event* meta(int32_t number, std::vector<unsigned char> payload) {
    return tactus::meta_new(track0, 0, number, static_cast<int32_t>(payload.size()), payload.data());
  }
  tactus::Sequence* sequence = nullptr;
  tactus::Track* track0 = nullptr;
  tactus::Track* track1 = nullptr;
};

}  // namespace model_test

#endif
