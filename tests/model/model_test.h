// Shared by the model tests: a sequence of two tracks, and both event lists
// read back as vectors, checking on the way that the backward links mirror
// the forward ones.
#ifndef TACTUS_TESTS_MODEL_MODEL_TEST_H
#define TACTUS_TESTS_MODEL_MODEL_TEST_H

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tactus/model.h"

namespace tactus::test {

using Events = std::vector<Event*>;
using Bytes = std::vector<unsigned char>;

inline Events walk(Event* first, Event* last, Event* (*next)(Event*), Event* (*previous)(Event*)) {
  Events forward, backward;
  for (Event* event = first; event != nullptr; event = next(event)) forward.push_back(event);
  for (Event* event = last; event != nullptr; event = previous(event))
    backward.insert(backward.begin(), event);
  EXPECT_EQ(forward, backward) << "backward links disagree with forward links";
  return forward;
}
inline Events sequence_events(Sequence* sequence) {
  return walk(sequence_get_first_event(sequence), sequence_get_last_event(sequence),
              event_get_next_in_sequence, event_get_previous_in_sequence);
}
inline Events track_events(Track* track) {
  return walk(track_get_first_event(track), track_get_last_event(track), event_get_next, event_get_previous);
}
inline Bytes payload(Event* event) {
  const unsigned char* data = meta_get_data(event);
  return data == nullptr ? Bytes{} : Bytes(data, data + meta_get_data_length(event));
}

class TwoTracks : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(sequence_free(sequence), 0); }
  Event* meta(int32_t number, Bytes bytes) {
    return meta_new(track0, 0, number, static_cast<int32_t>(bytes.size()), bytes.data());
  }
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 480);
  Track* track0 = sequence_add_track(sequence);
  Track* track1 = sequence_add_track(sequence);
};

}  // namespace tactus::test

#endif
