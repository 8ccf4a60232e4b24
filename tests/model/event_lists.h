// Reading both event lists back as vectors, checking on the way that the
// backward links mirror the forward ones.
#ifndef TACTUS_TESTS_MODEL_EVENT_LISTS_H
#define TACTUS_TESTS_MODEL_EVENT_LISTS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tactus/model.h"

namespace model_test {

template <typename Next, typename Previous>
std::vector<tactus::Event*> walk_both_ways(tactus::Event* first, tactus::Event* last, Next next,
                                           Previous previous) {
  std::vector<tactus::Event*> forward;
  for (tactus::Event* event = first; event != nullptr; event = next(event)) forward.push_back(event);
  std::vector<tactus::Event*> backward;
  for (tactus::Event* event = last; event != nullptr; event = previous(event)) backward.push_back(event);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(forward, backward) << "backward links disagree with forward links";
  return forward;
}

inline std::vector<tactus::Event*> sequence_events(tactus::Sequence* sequence) {
  return walk_both_ways(tactus::sequence_get_first_event(sequence), tactus::sequence_get_last_event(sequence),
                        tactus::event_get_next_in_sequence, tactus::event_get_previous_in_sequence);
}

inline std::vector<tactus::Event*> track_events(tactus::Track* track) {
  return walk_both_ways(tactus::track_get_first_event(track), tactus::track_get_last_event(track),
                        tactus::event_get_next_in_track, tactus::event_get_previous_in_track);
}

}  // namespace model_test

#endif
