// The player's test platform: a virtual clock that moves only while the player waits, devices by
// name, a record of ports and messages; interrupts, wake-ups, completions and failures scripted.
#ifndef TACTUS_TESTS_PLAYER_TEST_PLATFORM_H
#define TACTUS_TESTS_PLAYER_TEST_PLATFORM_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/captured_run.h"
#include "player/platform.h"

namespace tactus::player::testing {

struct SentMessage {
  int32_t device;                    // kDefaultDevice for the default device
  uint64_t time;                     // virtual milliseconds since the start
  std::vector<unsigned char> bytes;  // a short message's three bytes, or a long one
  bool operator==(const SentMessage&) const = default;
};
inline void PrintTo(const SentMessage& message, std::ostream* out) {
  *out << message.time << " ms @" << message.device << ": " << ::testing::PrintToString(message.bytes);
}

using test::Outcome;
// Runs "bin/tactus <arguments>" on the platform, both console streams kept.
Outcome run_tactus(Platform& platform, std::vector<std::string> arguments);

enum class LongMessages {
  kCopied,      // done when send returns
  kDoneAtOnce,  // the completion comes inside send, before the player waits
  kDoneLater,   // the completion comes long_message_delay ms after send
  kRefused,     // not sent; no completion ever comes
};

class TestPlatform : public Platform {
 public:
  uint32_t clock_start = 1000;  // the clock's reading at virtual time 0
  std::vector<std::string> device_names;
  std::set<int32_t> unopenable;  // kDefaultDevice too
  LongMessages long_messages = LongMessages::kDoneAtOnce;
  uint32_t long_message_delay = 0;
  bool terminals = false;  // whether the console streams count as terminals
  int32_t columns = 0;     // the terminals' width
  bool keyboard = false;   // whether standard input is a terminal in the foreground

  // Each comes in the wait that spans its virtual time; of two at one time,
  // the one scripted first. A failure of the outputs wakes the waiter.
  void interrupt_at(uint64_t time) {
    at(time, [this] {
      if (interrupt_.routine != nullptr) interrupt_();
    });
  }
  // A key typed: it wakes the waiter as the real backends' waits end for a key.
  void key_at(uint64_t time, int32_t key) {
    at(time, [this, key] {
      keys_.push_back(key);
      wake();
    });
  }
  void wake_at(uint64_t time) {
    at(time, [this] { wake(); });
  }
  void fail_outputs_at(uint64_t time, std::string reason) {
    at(time, [this, reason] {
      failure_ = reason;
      wake();
    });
  }

  // What happened, in order; the log reads "open 0, open -1, install, remove, close 0, close -1".
  std::vector<SentMessage> sent;
  std::vector<uint32_t> wait_limits;
  std::string log;
  uint64_t now() const { return now_; }
  bool handler_installed() const { return interrupt_.routine != nullptr; }

  int32_t output_device_count() override { return static_cast<int32_t>(device_names.size()); }
  std::string output_device_name(int32_t device) override {
    return device >= 0 && device < output_device_count() ? device_names[device] : "";
  }
  MidiPort* open_output(int32_t device) override;
  void close_output(MidiPort* port) override { note("close " + std::to_string(*device_of(port))); }
  void send_short_message(MidiPort* port, uint32_t message) override;
  LongMessageSent send_long_message(MidiPort* port, const unsigned char* data, size_t length,
                                    Notification done) override;
  uint32_t clock_ms() override;
  void wait(uint32_t timeout_ms) override;
  void wake() override { wake_pending_ = true; }
  void install_interrupt_handler(Notification interrupt) override;
  void remove_interrupt_handler() override;
  const char* output_failure() override { return failure_.empty() ? nullptr : failure_.c_str(); }
  bool is_terminal(std::FILE*) override { return terminals; }
  int32_t terminal_columns(std::FILE*) override { return columns; }
  bool start_keys() override { return keys_taken = keyboard; }
  int32_t next_key() override;
  void stop_keys() override { keys_taken = false; }
  bool keys_taken = false;

 private:
  // A port is its device number: MidiPort is the real backends', in the e2e tests too.
  static int32_t* device_of(MidiPort* port) { return reinterpret_cast<int32_t*>(port); }
  void at(uint64_t time, std::function<void()> run) { actions_.push_back({time, std::move(run)}); }
  void record(SentMessage message);
  void note(const std::string& entry) { log += (log.empty() ? "" : ", ") + entry; }

  uint64_t now_ = 0;
  uint64_t clock_reads_ = 0;
  bool wake_pending_ = false;
  std::vector<std::pair<uint64_t, std::function<void()>>> actions_;  // by virtual time
  std::vector<std::unique_ptr<int32_t>> ports_;
  Notification interrupt_;
  std::string failure_;
  std::vector<int32_t> keys_;  // typed and not yet read
};

}  // namespace tactus::player::testing

#endif
