// The console control handler, called as the system calls it: on a thread of
// its own, with each kind of control event. (Wine cannot raise console
// control events, so the handler is called directly.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "player/backends/windows/wake_event.h"
#include "player/backends/windows/windows_platform.h"

namespace tactus::player {
namespace {

std::atomic<int> interrupts{0};
WakeEvent* interrupt_seen = nullptr;

void record_interrupt(void*) {
  ++interrupts;
  if (interrupt_seen != nullptr) interrupt_seen->wake();
}

TEST(WindowsConsoleHandler, EveryEventIsHandledAndInterruptsOnlyWhileInstalled) {
  Platform& platform = system_platform();
  interrupts = 0;
  platform.install_interrupt_handler({&record_interrupt, nullptr});
  EXPECT_EQ(console_control_handler(CTRL_C_EVENT), TRUE);
  EXPECT_EQ(console_control_handler(CTRL_BREAK_EVENT), TRUE);
  platform.remove_interrupt_handler();
  EXPECT_EQ(console_control_handler(CTRL_LOGOFF_EVENT), TRUE);
  EXPECT_EQ(interrupts, 2);
}

TEST(WindowsConsoleHandler, ClosingTheConsoleWaitsForTheWindDown) {
  Platform& platform = system_platform();
  WakeEvent seen;
  interrupt_seen = &seen;
  interrupts = 0;
  platform.install_interrupt_handler({&record_interrupt, nullptr});
  std::atomic<bool> returned{false};
  std::thread system_thread([&] { returned = console_control_handler(CTRL_CLOSE_EVENT) == TRUE; });
  seen.wait(INFINITE);
  // Returning would end the process; the handler holds it until playback is
  // over (or the system's few seconds of grace are nearly gone).
  EXPECT_FALSE(returned);
  platform.remove_interrupt_handler();
  system_thread.join();
  interrupt_seen = nullptr;
  EXPECT_TRUE(returned);
  EXPECT_EQ(interrupts, 1);
}

}  // namespace
}  // namespace tactus::player
