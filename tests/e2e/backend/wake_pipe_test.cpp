// The wake-up object of the POSIX platform: no wake-up is lost, several
// pending ones count as one, and a timed wait never ends before its time.
#include "player/backends/rtmidi/wake_pipe.h"

#include <gtest/gtest.h>

#include <thread>

#include "player/backends/rtmidi/monotonic_clock.h"
#include "player/platform.h"

namespace tactus::player::rtmidi {
namespace {

uint64_t elapsed_ms_since(uint64_t start_ns) { return (monotonic_ns() - start_ns) / 1000000u; }

TEST(WakePipe, AWakeBeforeTheWaitIsKeptForIt) {
  WakePipe pipe;
  pipe.wake();
  pipe.wait(kWaitForever);  // would never return if the wake were lost
  SUCCEED();
}

TEST(WakePipe, SeveralPendingWakesEndOneWaitOnly) {
  WakePipe pipe;
  pipe.wake();
  pipe.wake();
  pipe.wake();
  pipe.wait(kWaitForever);
  const uint64_t start = monotonic_ns();
  pipe.wait(30);
  EXPECT_GE(elapsed_ms_since(start), 30u);
}

TEST(WakePipe, ATimedWaitLastsItsTimeWhenNobodyWakes) {
  WakePipe pipe;
  const uint64_t start = monotonic_ns();
  pipe.wait(25);
  EXPECT_GE(elapsed_ms_since(start), 25u);
  const uint64_t zero_start = monotonic_ns();
  pipe.wait(0);
  EXPECT_LT(elapsed_ms_since(zero_start), 1000u);
}

TEST(WakePipe, AWakeFromAnotherThreadEndsAWaitWithoutLimit) {
  WakePipe pipe;
  std::thread waker([&pipe] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pipe.wake();
  });
  pipe.wait(kWaitForever);
  waker.join();
  SUCCEED();
}

TEST(MonotonicClock, MillisecondsAreTheNanosecondsCutTo32Bits) {
  const uint64_t before = monotonic_ns() / 1000000u;
  const uint32_t ms = monotonic_ms32();
  const uint64_t after = monotonic_ns() / 1000000u;
  EXPECT_TRUE(ms == static_cast<uint32_t>(before) || ms == static_cast<uint32_t>(after) ||
              static_cast<uint32_t>(ms - static_cast<uint32_t>(before)) <=
                  static_cast<uint32_t>(after - before));
}

}  // namespace
}  // namespace tactus::player::rtmidi
