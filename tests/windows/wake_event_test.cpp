// The wake-up object keeps a wake that comes before the wait and is consumed
// by the wait that sees it; no test here depends on how long anything takes.
#include "player/backends/windows/wake_event.h"

#include <gtest/gtest.h>

#include <thread>

namespace tactus::player {
namespace {

TEST(WindowsWakeEvent, WaitWithoutWakeRunsToItsLimit) {
  WakeEvent event;
  EXPECT_FALSE(event.wait(0));
  EXPECT_FALSE(event.wait(1));
}

TEST(WindowsWakeEvent, WakeBeforeTheWaitIsKeptForIt) {
  WakeEvent event;
  event.wake();
  EXPECT_TRUE(event.wait(INFINITE));
}

TEST(WindowsWakeEvent, WaitConsumesTheWake) {
  WakeEvent event;
  event.wake();
  EXPECT_TRUE(event.wait(0));
  EXPECT_FALSE(event.wait(0));
}

TEST(WindowsWakeEvent, WakesBeforeOneWaitCountAsOne) {
  WakeEvent event;
  event.wake();
  event.wake();
  EXPECT_TRUE(event.wait(0));
  EXPECT_FALSE(event.wait(0));
}

TEST(WindowsWakeEvent, WakeFromAnotherThreadEndsAnUnlimitedWait) {
  WakeEvent event;
  std::thread waker([&event] { event.wake(); });
  EXPECT_TRUE(event.wait(INFINITE));
  waker.join();
  EXPECT_FALSE(event.wait(0));
}

}  // namespace
}  // namespace tactus::player
