// Parts of the POSIX backend the end-to-end tests cannot reach: where the JACK process callback writes each
// message, on a made-up frame clock (a full queue is the end-to-end flood's); the ring between the player
// and the JACK thread, in two threads of the test's own (also under ThreadSanitizer: scripts/test
// --thread-sanitize); and the wake-up pipe, which loses no wake-up and counts pending ones as one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "player/backends/posix/byte_ring.h"
#include "player/backends/posix/jack_queue.h"
#include "player/backends/posix/monotonic_clock.h"
#include "player/backends/posix/wake_pipe.h"
#include "player/platform.h"

namespace tactus::player::posix {
namespace {

using Sent = std::vector<std::pair<uint32_t, std::string>>;  // each message's frame and text

// Queues `sent`, then delivers the period of `frames` frames from `start`:
// "<offset>:<message>" of each message written, joined by blanks.
std::string deliver(JackQueue& queue, uint32_t start, Sent sent = {}, uint32_t frames = 64) {
  for (const auto& [frame, text] : sent)
    EXPECT_TRUE(queue.push(frame, reinterpret_cast<const unsigned char*>(text.data()), text.size()));
  struct RecordedPeriod final : PeriodBuffer {
    size_t room() override { return 1000; }
    // The queue writes the message here before it reserves the next.
    unsigned char* reserve(uint32_t offset, size_t length) override {
      text += (text.empty() ? "" : " ") + std::to_string(offset) + ":" + std::string(length, '?');
      return reinterpret_cast<unsigned char*>(text.data() + text.size() - length);
    }
    std::string text;
  } period;
  queue.deliver(start, frames, period);
  return period.text;
}

TEST(JackQueue, AMessageLandsOnePeriodAfterTheFrameItWasSentAtAndALateOneAtOnce) {
  JackQueue queue(4096);
  // Not before its frame: one period after it.
  EXPECT_EQ(deliver(queue, 960, {{970, "a"}, {1000, "b"}, {1023, "c"}, {1024, "d"}}), "");
  EXPECT_EQ(deliver(queue, 1024), "10:a 40:b 63:c");
  EXPECT_EQ(deliver(queue, 1088), "0:d");
  // Late ones in order, at once; an estimate of the frame that went back a
  // little does not put a message before the one sent earlier.
  EXPECT_EQ(deliver(queue, 2048, {{100, "e"}, {150, "f"}, {2000, "g"}, {1990, "h"}, {2001, "i"}}),
            "0:e 0:f 16:g 16:h 17:i");
  // At 1024 frames a period, where the frame counter wraps.
  EXPECT_EQ(deliver(queue, 0xFFFFFC00u, {{0xFFFFFF00u, "j"}, {0xFFFFFFF0u, "k"}}, 1024), "");
  EXPECT_EQ(deliver(queue, 0, {}, 1024), "768:j 1008:k");
  EXPECT_TRUE(queue.empty());
}

// The writer puts chunks of every length in two parts (a head, the rest), the reader takes what has come;
// each counts the times it found the ring full or empty. Of a prime size, it is crossed at every offset.
constexpr uint64_t kBytes = 2'000'000;
unsigned char byte_at(uint64_t position) { return static_cast<unsigned char>(position % 251); }

TEST(ByteRing, TwoThreadsPassEveryByteInOrderThroughARingThatFillsAndEmpties) {
  ByteRing ring(61);
  uint64_t full = 0, empty = 0, misplaced = 0;
  std::thread writer([&] {
    unsigned char chunk[64];
    for (uint64_t sent = 0, n = 0; sent < kBytes; ++n) {
      const size_t room = ring.writable(), length = std::min<uint64_t>({room, n % 50 + 1, kBytes - sent});
      for (size_t i = 0; i < length; ++i) chunk[i] = byte_at(sent++);
      ring.put(0, chunk, length / 2);
      ring.put(length / 2, chunk + length / 2, length - length / 2);
      ring.publish(length);
      full += room == 0;
      if (room == 0) std::this_thread::yield();
    }
  });
  unsigned char chunk[64];
  for (uint64_t received = 0, n = 0; received < kBytes; ++n) {
    const size_t ready = ring.readable(), length = std::min<size_t>(ready, n % 47 + 1);
    ring.get(0, chunk, length);
    for (size_t i = 0; i < length; ++i) misplaced += chunk[i] != byte_at(received++);
    ring.consume(length);
    empty += ready == 0;
    if (ready == 0) std::this_thread::yield();
  }
  writer.join();
  EXPECT_EQ(misplaced, 0u);
  EXPECT_GT(full, 0u);
  EXPECT_GT(empty, 0u);
}

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
