// Device lookup, the completion of a long message, and long messages that a
// port refuses. These need no MIDI device: Wine and a bare Windows have none
// that a test could rely on.
#include <gtest/gtest.h>

#include <atomic>

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

TEST(WindowsMidiOutput, OnlyTheCompletionOfALongMessageInFlightNotifies) {
  MidiPort port;
  const auto instance = reinterpret_cast<DWORD_PTR>(&port);
  output_notification(nullptr, MOM_DONE, instance, 0, 0);  // none in flight
  port.done = kCountDone;
  output_notification(nullptr, MOM_OPEN, instance, 0, 0);
  output_notification(nullptr, MOM_CLOSE, instance, 0, 0);
  EXPECT_EQ(done_calls, 0);
  output_notification(nullptr, MOM_DONE, instance, 0, 0);
  EXPECT_EQ(done_calls, 1);
  done_calls = 0;
}

TEST(WindowsMidiOutput, ARefusedLongMessageNeitherNotifiesNorStaysPrepared) {
  // A port without a device handle refuses every message.
  const unsigned char bytes[] = {0xF0, 0x43, 0x10, 0xF7};
  MidiPort port;
  EXPECT_EQ(system_platform().send_long_message(&port, bytes, sizeof bytes, kCountDone),
            LongMessageSent::kRefused);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(port.header.lpData), bytes);
  EXPECT_EQ(port.header.dwBufferLength, 4u);
  EXPECT_FALSE(port.header_prepared);
  EXPECT_EQ(done_calls, 0);
}

}  // namespace
}  // namespace tactus::player
