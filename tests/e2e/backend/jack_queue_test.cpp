// Where the process callback writes each message, on a made-up frame clock:
// one period after the frame it was sent at, never before, a late one at
// once, in order. A full queue and its bytes across the ring's end are the
// end-to-end flood's.
#include "player/backends/posix/jack_queue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tactus::player::posix {
namespace {

using Bytes = std::vector<unsigned char>;

// One period's buffer, with room enough.
struct RecordedPeriod final : PeriodBuffer {
  size_t room() override { return 1000; }
  unsigned char* reserve(uint32_t offset, size_t length) override {
    offsets.push_back(offset);
    return messages.emplace_back(length).data();
  }
  std::vector<uint32_t> offsets;
  std::vector<Bytes> messages;
};

// The period of `frames` frames from `start`: "<offset>:<first byte>" of each
// message written, joined by blanks.
std::string deliver(JackQueue& queue, uint32_t start, uint32_t frames = 64) {
  RecordedPeriod period;
  queue.deliver(start, frames, period);
  std::string written;
  for (size_t i = 0; i < period.offsets.size(); ++i) {
    char item[16];
    std::snprintf(item, sizeof item, "%s%u:%02X", i == 0 ? "" : " ", period.offsets[i],
                  period.messages[i][0]);
    written += item;
  }
  return written;
}

void push(JackQueue& queue, std::vector<std::pair<uint32_t, Bytes>> messages) {
  for (const auto& [sent_frame, bytes] : messages)
    EXPECT_TRUE(queue.push(sent_frame, bytes.data(), bytes.size()));
}

TEST(JackQueue, AMessageLandsOnePeriodAfterTheFrameItWasSentAtAndALateOneAtOnce) {
  JackQueue queue(4096);
  push(queue, {{970, {0x90}}, {1000, {0x91}}, {1023, {0x92}}, {1030, {0x93}}});
  EXPECT_EQ(deliver(queue, 960), "");  // never before its frame
  EXPECT_EQ(deliver(queue, 1024), "10:90 40:91 63:92");
  EXPECT_EQ(deliver(queue, 1088), "6:93");
  // Late ones in order, at once; an estimate of the frame that went back a
  // little does not put a message before the one sent earlier.
  push(queue, {{100, {0x80}}, {150, {0x81}}, {2000, {0x82}}, {1990, {0x83}}, {2001, {0x84}}});
  EXPECT_EQ(deliver(queue, 2048), "0:80 0:81 16:82 16:83 17:84");
  // At 1024 frames a period, where the frame counter wraps.
  push(queue, {{0xFFFFFF00u, {0xB0}}, {0xFFFFFFF0u, {0xB1}}});
  EXPECT_EQ(deliver(queue, 0xFFFFFC00u, 1024), "");
  EXPECT_EQ(deliver(queue, 0, 1024), "768:B0 1008:B1");
  EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace tactus::player::posix
