// A platform for the player's tests: a virtual clock that only moves while
// the player waits, devices that exist only by name, and a record of every
// port opened and closed and every message sent, with its virtual time.
// Interrupts and long-message completions are scripted.
#ifndef TACTUS_TESTS_PLAYER_TEST_PLATFORM_H
#define TACTUS_TESTS_PLAYER_TEST_PLATFORM_H

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "player/platform.h"

namespace tactus::player {

// The test platform's port: which device it stands for.
struct MidiPort {
  int32_t device;  // kDefaultDevice for the default device
  OutputDoneRoutine done;
};

namespace testing {

struct SentMessage {
  int32_t device;
  uint64_t time;                     // virtual milliseconds since the start
  uint32_t word;                     // a short message; 0 for a long one
  std::vector<unsigned char> bytes;  // a long message; empty for a short one
  bool operator==(const SentMessage&) const = default;
};

void PrintTo(const SentMessage& message, std::ostream* os);

struct WaitRecord {
  uint32_t limit;
  uint64_t start;
  uint64_t end;
};

// How the ports treat long messages.
enum class LongMessages {
  kDoneAtOnce,  // the completion arrives inside send, before the player waits
  kDoneLater,   // the completion arrives long_message_delay ms after send
  kRefused,     // send fails; no completion ever arrives
};

class TestPlatform : public Platform {
 public:
  explicit TestPlatform(uint32_t clock_start = 1000) : clock_start_(clock_start) {}

  // Devices, by number, with their names. Numbers listed in `unopenable`
  // fail to open, as does the default device when it is not available.
  std::vector<std::string> device_names;
  std::set<int32_t> unopenable;
  bool default_device_available = true;

  LongMessages long_messages = LongMessages::kDoneAtOnce;
  uint32_t long_message_delay = 0;

  // Scripted interrupts: at a virtual time (delivered during the wait that
  // spans it), at the start of the n-th wait (0-based, so the wait begins
  // with the wake already pending), after the n-th message sent (0-based),
  // or as soon as the handler is installed.
  void interrupt_at(uint64_t time);
  void interrupt_at_wait(int wait_index) { interrupt_wait_index_ = wait_index; }
  void interrupt_after_message(int message_index) { interrupt_message_index_ = message_index; }
  void interrupt_on_install() { interrupt_on_install_ = true; }
  // A wake-up with no cause at a virtual time, as a stray completion would give.
  void wake_at(uint64_t time);

  // What happened, in order.
  std::vector<SentMessage> sent;
  std::vector<WaitRecord> waits;
  std::vector<std::string> log;  // "open 0", "open default", "close 1", "install", "remove", ...
  uint64_t now() const { return now_; }
  bool handler_installed() const { return interrupt_routine_ != nullptr; }

  int32_t output_device_count() override;
  std::string output_device_name(int32_t device) override;
  MidiPort* open_output(int32_t device, OutputDoneRoutine done) override;
  void close_output(MidiPort* port) override;
  void send_short_message(MidiPort* port, uint32_t message) override;
  void prepare_long_message(MidiPort* port, LongMessage& message) override;
  bool send_long_message(MidiPort* port, LongMessage& message) override;
  void release_long_message(MidiPort* port, LongMessage& message) override;
  uint32_t clock_ms() override;
  void wait(uint32_t timeout_ms) override;
  void wake() override;
  void install_interrupt_handler(InterruptRoutine routine) override;
  void remove_interrupt_handler() override;

 private:
  struct Action {
    uint64_t time;
    std::function<void()> run;
  };

  void schedule(uint64_t time, std::function<void()> run);
  void interrupt();
  void message_sent();

  uint32_t clock_start_;
  uint64_t now_ = 0;
  bool wake_pending_ = false;
  std::vector<Action> actions_;
  std::vector<std::unique_ptr<MidiPort>> ports_;
  InterruptRoutine interrupt_routine_ = nullptr;
  int interrupt_wait_index_ = -1;
  int interrupt_message_index_ = -1;
  bool interrupt_on_install_ = false;
};

}  // namespace testing
}  // namespace tactus::player

#endif
