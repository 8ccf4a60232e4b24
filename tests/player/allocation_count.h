// Counts the allocations of the code under test: every operator new on the
// thread while counting is on, except inside a NotCounted scope (the test
// platform's own bookkeeping).
#ifndef TACTUS_TESTS_PLAYER_ALLOCATION_COUNT_H
#define TACTUS_TESTS_PLAYER_ALLOCATION_COUNT_H

namespace tactus::player::testing {

void start_counting_allocations();
void stop_counting_allocations();
long counted_allocations();

class NotCounted {
 public:
  NotCounted();
  ~NotCounted();
  NotCounted(const NotCounted&) = delete;
  NotCounted& operator=(const NotCounted&) = delete;
};

}  // namespace tactus::player::testing

#endif
