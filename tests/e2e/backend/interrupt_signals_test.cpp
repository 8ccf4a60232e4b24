// The interrupt hook: SIGINT, SIGTERM and SIGHUP call the routine, which
// wakes a waiting thread; removing it gives back the actions found before.
#include "player/backends/rtmidi/interrupt_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>

#include "player/backends/rtmidi/wake_pipe.h"
#include "player/platform.h"

namespace tactus::player::rtmidi {
namespace {

std::atomic<int> interrupts{0};
WakePipe* wake_target = nullptr;

void count_and_wake() {
  interrupts.fetch_add(1);
  if (wake_target != nullptr) wake_target->wake();
}

std::atomic<int> earlier_handler_calls{0};
extern "C" void earlier_handler(int) { earlier_handler_calls.fetch_add(1); }

class InterruptSignals : public ::testing::TestWithParam<int> {};

TEST_P(InterruptSignals, CallTheRoutineWhichWakesTheWaitAndRemoveRestoresTheEarlierAction) {
  struct sigaction earlier {};
  earlier.sa_handler = earlier_handler;
  sigemptyset(&earlier.sa_mask);
  struct sigaction saved {};
  ASSERT_EQ(sigaction(GetParam(), &earlier, &saved), 0);

  WakePipe pipe;
  wake_target = &pipe;
  interrupts.store(0);
  earlier_handler_calls.store(0);
  install_interrupt_signals(count_and_wake);
  raise(GetParam());
  pipe.wait(kWaitForever);  // returns only through the routine's wake
  EXPECT_EQ(interrupts.load(), 1);
  EXPECT_EQ(earlier_handler_calls.load(), 0);

  remove_interrupt_signals();
  raise(GetParam());
  EXPECT_EQ(interrupts.load(), 1);
  EXPECT_EQ(earlier_handler_calls.load(), 1);
  wake_target = nullptr;
  sigaction(GetParam(), &saved, nullptr);
}

std::string signal_name(const ::testing::TestParamInfo<int>& info) {
  return info.param == SIGINT ? "SIGINT" : info.param == SIGTERM ? "SIGTERM" : "SIGHUP";
}

INSTANTIATE_TEST_SUITE_P(EachSignal, InterruptSignals, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         signal_name);

TEST(InterruptSignalsRemoval, WithoutInstallChangesNothing) {
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  remove_interrupt_signals();
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(before.sa_handler, after.sa_handler);
}

}  // namespace
}  // namespace tactus::player::rtmidi
