#include "test_platform.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "player/core/player.h"

namespace tactus::player::testing {

Outcome run_tactus(Platform& platform, std::vector<std::string> arguments) {
  return test::run_captured([&](int argc, char** argv, std::FILE* out,
                                std::FILE* err) { return run_player(argc, argv, platform, out, err); },
                            "bin/tactus", std::move(arguments));
}

MidiPort* TestPlatform::open_output(int32_t device) {
  if (unopenable.count(device) != 0 || device < kDefaultDevice || device >= output_device_count())
    return nullptr;
  ports_.push_back(std::make_unique<int32_t>(device));
  note("open " + std::to_string(device));
  return reinterpret_cast<MidiPort*>(ports_.back().get());
}

// A player that never ends is stopped before it fills the memory.
void TestPlatform::record(SentMessage message) {
  if (sent.size() >= 100000) throw std::runtime_error("the player keeps sending");
  sent.push_back(std::move(message));
}

void TestPlatform::send_short_message(MidiPort* port, uint32_t message) {
  record({*device_of(port),
          now_,
          {static_cast<unsigned char>(message), static_cast<unsigned char>(message >> 8),
           static_cast<unsigned char>(message >> 16)}});
}

LongMessageSent TestPlatform::send_long_message(MidiPort* port, const unsigned char* data, size_t length,
                                                Notification done) {
  if (long_messages == LongMessages::kRefused) return LongMessageSent::kRefused;
  record({*device_of(port), now_, std::vector<unsigned char>(data, data + length)});
  if (long_messages == LongMessages::kCopied) return LongMessageSent::kDone;
  if (long_messages == LongMessages::kDoneAtOnce) done();
  if (long_messages == LongMessages::kDoneLater) actions_.push_back({now_ + long_message_delay, done});
  return LongMessageSent::kPending;
}

// A player that spins without waiting is stopped before it runs forever.
uint32_t TestPlatform::clock_ms() {
  if (++clock_reads_ > 200000) throw std::runtime_error("the player keeps reading the clock: it spins");
  return clock_start + static_cast<uint32_t>(now_);
}

// Time passes only here: up to the limit, or up to the first scripted action
// that wakes the waiter. A pending wake-up ends the wait at once.
void TestPlatform::wait(uint32_t timeout_ms) {
  if (wait_limits.size() >= 100000) throw std::runtime_error("the player keeps waiting: it spins");
  const uint64_t deadline =
      timeout_ms == kWaitForever ? std::numeric_limits<uint64_t>::max() : now_ + timeout_ms;
  while (!wake_pending_) {
    auto next = std::min_element(actions_.begin(), actions_.end(),
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
    if (next == actions_.end() || next->first > deadline) {
      if (timeout_ms == kWaitForever) throw std::runtime_error("the player waits forever for nothing");
      now_ = deadline;
      break;
    }
    now_ = std::max(now_, next->first);
    const std::function<void()> run = std::move(next->second);
    actions_.erase(next);
    run();
  }
  wake_pending_ = false;
  wait_limits.push_back(timeout_ms);
}

int32_t TestPlatform::next_key() {
  if (!keys_taken || keys_.empty()) return kNoKey;
  const int32_t key = keys_.front();
  keys_.erase(keys_.begin());
  return key;
}

void TestPlatform::install_interrupt_handler(Notification interrupt) {
  note("install");
  interrupt_ = interrupt;
}

void TestPlatform::remove_interrupt_handler() {
  note("remove");
  interrupt_ = {};
}

}  // namespace tactus::player::testing
