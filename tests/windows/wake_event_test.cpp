// The wake-up object keeps a wake that comes before the wait and is consumed
// by the wait that sees it; no test here depends on how long anything takes.
#include "player/backends/windows/wake_event.h"

#include <gtest/gtest.h>

namespace tactus::player {
namespace {

TEST(WindowsWakeEvent, AWaitConsumesTheWakesThatCameBeforeItAsOne) {
  WakeEvent event;
  EXPECT_FALSE(event.wait(1));
  event.wake();
  event.wake();
  EXPECT_TRUE(event.wait(0));
  EXPECT_FALSE(event.wait(0));
}

}  // namespace
}  // namespace tactus::player
