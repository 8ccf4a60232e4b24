// The POSIX wake-up object: no wake-up is lost, several pending ones count as
// one, a timed wait lasts until the millisecond clock has moved its limit.
#include "player/backends/posix/wake_pipe.h"

#include <gtest/gtest.h>

#include "player/backends/posix/monotonic_clock.h"
#include "player/platform.h"

namespace tactus::player::posix {
namespace {

TEST(WakePipe, AWakeBeforeTheWaitIsKeptAndSeveralCountAsOne) {
  WakePipe pipe;
  pipe.wake();
  pipe.wake();
  pipe.wait(kWaitForever);  // would never return if the wakes were lost
  for (uint32_t limit : {0u, 1u, 30u}) {
    const uint32_t start = monotonic_ms32();
    pipe.wait(limit);
    EXPECT_GE(monotonic_ms32() - start, limit);
  }
}

}  // namespace
}  // namespace tactus::player::posix
