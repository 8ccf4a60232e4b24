// Device lookup, the notification routine and long messages that a port
// refuses. These need no MIDI device: Wine and a bare Windows have none that
// a test could rely on.
#include <gtest/gtest.h>

#include <atomic>

#include "player/backends/windows/windows_platform.h"

namespace tactus::player {
namespace {

std::atomic<int> done_calls{0};
void count_done() { ++done_calls; }

TEST(WindowsMidiOutput, DeviceBeyondTheCountHasNoNameAndDoesNotOpen) {
  Platform& platform = system_platform();
  const int32_t missing = platform.output_device_count();
  EXPECT_EQ(platform.output_device_name(missing), "");
  EXPECT_EQ(platform.open_output(missing, &count_done), nullptr);
}

TEST(WindowsMidiOutput, NegativeNumbersNameNoDevice) {
  // -1 is the MIDI mapper's identifier, which only kDefaultDevice may reach.
  Platform& platform = system_platform();
  EXPECT_EQ(platform.output_device_name(kDefaultDevice), "");
  EXPECT_EQ(platform.output_device_name(-2), "");
  EXPECT_EQ(platform.open_output(-2, &count_done), nullptr);
  EXPECT_EQ(platform.open_output(INT32_MIN, &count_done), nullptr);
}

TEST(WindowsMidiOutput, OnlyTheCompletionOfALongMessageReachesTheDoneRoutine) {
  done_calls = 0;
  MidiPort port;
  port.done = &count_done;
  const auto instance = reinterpret_cast<DWORD_PTR>(&port);
  output_notification(nullptr, MOM_OPEN, instance, 0, 0);
  output_notification(nullptr, MOM_CLOSE, instance, 0, 0);
  EXPECT_EQ(done_calls, 0);
  output_notification(nullptr, MOM_DONE, instance, 0, 0);
  EXPECT_EQ(done_calls, 1);
}

TEST(WindowsMidiOutput, CompletionOnAPortWithoutDoneRoutineIsIgnored) {
  MidiPort port;
  output_notification(nullptr, MOM_DONE, reinterpret_cast<DWORD_PTR>(&port), 0, 0);
  SUCCEED();
}

TEST(WindowsMidiOutput, PreparedHeaderHoldsTheMessageBytes) {
  Platform& platform = system_platform();
  const unsigned char bytes[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  MidiPort port;
  LongMessage message{bytes, sizeof bytes, nullptr};
  platform.prepare_long_message(&port, message);
  ASSERT_EQ(message.backend_data, &port.header);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(port.header.lpData), bytes);
  EXPECT_EQ(port.header.dwBufferLength, 6u);
  platform.release_long_message(&port, message);
  EXPECT_EQ(message.backend_data, nullptr);
}

TEST(WindowsMidiOutput, RefusedLongMessageReportsFailure) {
  // A port without a device handle refuses every message; no completion
  // will follow, so the player must not wait for one.
  done_calls = 0;
  Platform& platform = system_platform();
  const unsigned char bytes[] = {0xF0, 0x43, 0x10, 0xF7};
  MidiPort port;
  port.done = &count_done;
  LongMessage message{bytes, sizeof bytes, nullptr};
  platform.prepare_long_message(&port, message);
  EXPECT_FALSE(platform.send_long_message(&port, message));
  platform.release_long_message(&port, message);
  EXPECT_EQ(done_calls, 0);
}

}  // namespace
}  // namespace tactus::player
