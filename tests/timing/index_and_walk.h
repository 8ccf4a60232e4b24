// The time index against the walk, for the tests and the fuzz target: with no memory to spare the library
// walks the first track, as the index's builder does, and the index must give the same bits.
#ifndef TACTUS_TESTS_TIMING_INDEX_AND_WALK_H
#define TACTUS_TESTS_TIMING_INDEX_AND_WALK_H

#include <array>
#include <cmath>
#include <cstdio>

#include "timing_maps.h"

namespace timing_test {

// While set, every operator new of the program fails (failing_allocations.cpp).
extern bool allocations_fail;

// Positions of a tick, and to convert to a tick; made while there is memory.
inline MbPosition* const mb = mb_position_new();
inline MbtPosition* const mbt = mbt_position_new();
inline MbPosition* const mb_target = mb_position_new();
inline MbtPosition* const mbt_target = mbt_position_new();

// What the index serves at a tick, for beats or seconds, for a marker name and for the targets, as text:
// floats in hexadecimal, so that equal texts are equal bits (NaNs compare by sign only).
using Answers = std::array<char, 512>;
inline Answers answer(Sequence* s, int32_t tick, float value, const char* marker) {
  sequence_get_mb_from_tick(s, tick, mb);
  sequence_get_mbt_from_tick(s, tick, mbt);
  Answers a{};
  std::snprintf(a.data(), a.size(), "%a %a %d %a %d %d %a %d %d %d %d %d",
                sequence_get_beat_from_tick(s, tick), sequence_get_seconds_from_tick(s, tick),
                mb_position_get_measure(mb), mb_position_get_beat(mb), mbt_position_get_measure(mbt),
                mbt_position_get_beat(mbt), mbt_position_get_tick(mbt), sequence_get_tick_from_beat(s, value),
                sequence_get_tick_from_seconds(s, value), sequence_get_tick_from_marker(s, marker),
                sequence_get_tick_from_mb(s, mb_target), sequence_get_tick_from_mbt(s, mbt_target));
  return a;
}

// Edits to the sequence that `make` gives, each followed by queries on a copy made anew with the same edits
// and no memory for its index; on the edited sequence without memory, its index out of date and not to be
// built again; and with memory, from its index. The first answers that differ.
template <typename Make>
const char* first_difference_through_edits(Make make, uint64_t seed, int rounds) {
  static Answers walked, unbuilt, indexed;
  Random edits(seed), random(~seed);
  auto edited = make(edits);
  for (int round = 1; round <= rounds; ++round) {
    random_edit(edited.get(), edits);
    Random replay(seed);
    auto fresh = make(replay);
    for (int i = 0; i < round; ++i) random_edit(fresh.get(), replay);
    for (int query = 0; query < 4; ++query) {
      allocations_fail = true;
      // Where events lie (beats, seconds, positions of a tick that may be an
      // event's), a float step beside, NaN or infinite.
      const int32_t near = random_tick(random), tick = random_tick(random);
      const auto value =
          static_cast<float>(random.one_in(2) ? sequence_get_beat_from_tick(fresh.get(), near)
                                              : sequence_get_seconds_from_tick(fresh.get(), near));
      const float odd[] = {value, NAN, INFINITY, std::nextafter(value, INFINITY),
                           std::nextafter(value, -INFINITY)};
      const float query_value = random.one_in(2) ? value : odd[random.below(5)];
      const char* marker = kMarkerNames[random.below(4)];
      sequence_get_mb_from_tick(fresh.get(), near, mb_target);
      sequence_get_mbt_from_tick(fresh.get(), near, mbt_target);
      if (random.one_in(3)) mb_position_set_measure(mb_target, static_cast<int32_t>(random.below(40)) - 5);
      if (random.one_in(3)) mb_position_set_beat(mb_target, query_value);
      if (random.one_in(3)) mbt_position_set_beat(mbt_target, static_cast<int32_t>(random.below(12)) - 2);
      if (random.one_in(3)) mbt_position_set_tick(mbt_target, query_value);
      walked = answer(fresh.get(), tick, query_value, marker);
      unbuilt = answer(edited.get(), tick, query_value, marker);
      allocations_fail = false;
      indexed = answer(edited.get(), tick, query_value, marker);
      if (walked != unbuilt) return unbuilt.data();
      if (walked != indexed) return indexed.data();
    }
  }
  return nullptr;
}

}  // namespace timing_test

#endif
