// The Windows backend without a MIDI device (Wine and a bare Windows have none a test could rely on): device
// lookup, long messages, the wake-up event, and the console control handler called as the system calls it, on
// a thread of its own (Wine cannot raise console control events).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "player/backends/windows/wake_event.h"
#include "player/backends/windows/windows_platform.h"

namespace tactus::player {
namespace {

std::atomic<int> done_calls{0};
const Notification kCountDone{[](void*) { ++done_calls; }, nullptr};

TEST(WindowsMidiOutput, OnlyDevicesThatExistHaveANameAndOpen) {
  Platform& platform = system_platform();
  // -1 is the MIDI mapper's number, which only the default device may reach.
  EXPECT_EQ(platform.output_device_name(kDefaultDevice), "");
  for (const int32_t device : {platform.output_device_count(), -2, INT32_MIN}) {
    EXPECT_EQ(platform.output_device_name(device), "") << device;
    EXPECT_EQ(platform.open_output(device), nullptr) << device;
  }
}

// Only the completion of a long message in flight notifies; a refused one neither notifies nor stays prepared
// (a port without a device handle refuses every message).
TEST(WindowsMidiOutput, LongMessagesNotifyOnlyWhenDoneAndARefusedOneIsReleased) {
  MidiPort port;
  const auto instance = reinterpret_cast<DWORD_PTR>(&port);
  output_notification(nullptr, MOM_DONE, instance, 0, 0);  // none in flight
  port.done = kCountDone;
  output_notification(nullptr, MOM_OPEN, instance, 0, 0);
  output_notification(nullptr, MOM_CLOSE, instance, 0, 0);
  EXPECT_EQ(done_calls, 0);
  output_notification(nullptr, MOM_DONE, instance, 0, 0);
  EXPECT_EQ(done_calls, 1);
  const unsigned char bytes[] = {0xF0, 0x43, 0x10, 0xF7};
  MidiPort refusing;
  EXPECT_EQ(system_platform().send_long_message(&refusing, bytes, sizeof bytes, kCountDone),
            LongMessageSent::kRefused);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(refusing.header.lpData), bytes);
  EXPECT_EQ(refusing.header.dwBufferLength, 4u);
  EXPECT_FALSE(refusing.header_prepared);
  EXPECT_EQ(done_calls, 1);
}

TEST(WindowsWakeEvent, AWaitConsumesTheWakesThatCameBeforeItAsOne) {
  WakeEvent event;
  EXPECT_FALSE(event.wait(1));
  event.wake();
  event.wake();
  EXPECT_TRUE(event.wait(0));
  EXPECT_FALSE(event.wait(0));
}

std::atomic<int> interrupts{0};
WakeEvent* interrupt_seen = nullptr;

void record_interrupt(void*) {
  ++interrupts;
  if (interrupt_seen != nullptr) interrupt_seen->wake();
}

// Every event is handled, and interrupts only while the handler is installed; closing the console waits for
// the wind-down, since returning would end the process (or the system's few seconds of grace run out).
TEST(WindowsConsoleHandler, EveryEventIsHandledAndClosingTheConsoleWaitsForTheWindDown) {
  Platform& platform = system_platform();
  WakeEvent seen;
  interrupt_seen = &seen;
  platform.install_interrupt_handler({&record_interrupt, nullptr});
  EXPECT_EQ(console_control_handler(CTRL_C_EVENT), TRUE);
  EXPECT_EQ(console_control_handler(CTRL_BREAK_EVENT), TRUE);
  EXPECT_EQ(interrupts, 2);
  std::atomic<bool> returned{false};
  std::thread system_thread([&] { returned = console_control_handler(CTRL_CLOSE_EVENT) == TRUE; });
  while (interrupts < 3) seen.wait(INFINITE);
  EXPECT_FALSE(returned);
  platform.remove_interrupt_handler();
  system_thread.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(console_control_handler(CTRL_LOGOFF_EVENT), TRUE);
  EXPECT_EQ(interrupts, 3);
  interrupt_seen = nullptr;
}

}  // namespace
}  // namespace tactus::player
