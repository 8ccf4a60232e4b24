#include "test_platform.h"

#include <algorithm>
#include <ios>
#include <limits>
#include <stdexcept>

#include "allocation_count.h"

namespace tactus::player::testing {

namespace {

std::string device_text(const MidiPort* port) {
  return port->device == kDefaultDevice ? "default" : std::to_string(port->device);
}

// More waits than any test needs means the player spins.
constexpr size_t kMostWaits = 100000;

}  // namespace

void PrintTo(const SentMessage& message, std::ostream* os) {
  *os << "{device " << message.device << ", at " << message.time << " ms, " << std::hex << std::uppercase;
  if (message.bytes.empty()) *os << "word " << message.word;
  if (!message.bytes.empty()) *os << "long";
  for (unsigned byte : message.bytes) *os << ' ' << byte;
  *os << std::dec << std::nouppercase << "}";
}

void TestPlatform::schedule(uint64_t time, std::function<void()> run) {
  actions_.push_back({time, std::move(run)});
}

void TestPlatform::interrupt_at(uint64_t time) {
  NotCounted not_counted;
  schedule(time, [this] { interrupt(); });
}

void TestPlatform::wake_at(uint64_t time) {
  NotCounted not_counted;
  schedule(time, [this] { wake(); });
}

void TestPlatform::interrupt() {
  NotCounted not_counted;
  if (interrupt_routine_ != nullptr) interrupt_routine_();
}

int32_t TestPlatform::output_device_count() {
  NotCounted not_counted;
  return static_cast<int32_t>(device_names.size());
}

std::string TestPlatform::output_device_name(int32_t device) {
  NotCounted not_counted;
  return device >= 0 && static_cast<size_t>(device) < device_names.size() ? device_names[device] : "";
}

MidiPort* TestPlatform::open_output(int32_t device, OutputDoneRoutine done) {
  NotCounted not_counted;
  const bool exists = device == kDefaultDevice
                          ? default_device_available
                          : device >= 0 && static_cast<size_t>(device) < device_names.size();
  if (!exists || unopenable.count(device) != 0) {
    log.push_back("open failed " + std::to_string(device));
    return nullptr;
  }
  ports_.push_back(std::make_unique<MidiPort>(MidiPort{device, done}));
  log.push_back("open " + device_text(ports_.back().get()));
  // A port may notify while it is being opened; that must do no harm.
  done();
  return ports_.back().get();
}

void TestPlatform::close_output(MidiPort* port) {
  NotCounted not_counted;
  log.push_back("close " + device_text(port));
  port->done();
}

void TestPlatform::message_sent() {
  NotCounted not_counted;
  if (static_cast<int>(sent.size()) - 1 == interrupt_message_index_) interrupt();
}

void TestPlatform::send_short_message(MidiPort* port, uint32_t message) {
  NotCounted not_counted;
  sent.push_back({port->device, now_, message, {}});
  message_sent();
}

void TestPlatform::prepare_long_message(MidiPort* port, LongMessage& message) {
  NotCounted not_counted;
  if (message.backend_data != nullptr) throw std::logic_error("long message prepared twice");
  message.backend_data = port;
}

bool TestPlatform::send_long_message(MidiPort* port, LongMessage& message) {
  NotCounted not_counted;
  if (message.backend_data != port) throw std::logic_error("long message sent unprepared");
  if (long_messages == LongMessages::kRefused) return false;
  sent.push_back(
      {port->device, now_, 0, std::vector<unsigned char>(message.data, message.data + message.length)});
  if (long_messages == LongMessages::kDoneAtOnce) {
    port->done();
  } else {
    OutputDoneRoutine done = port->done;
    schedule(now_ + long_message_delay, [done] { done(); });
  }
  message_sent();
  return true;
}

void TestPlatform::release_long_message(MidiPort* port, LongMessage& message) {
  NotCounted not_counted;
  if (message.backend_data != port) throw std::logic_error("long message released unprepared");
  message.backend_data = nullptr;
}

uint32_t TestPlatform::clock_ms() {
  NotCounted not_counted;
  return clock_start_ + static_cast<uint32_t>(now_);
}

// Time passes only here: up to the limit, or up to the first scripted action
// that wakes the waiter. A pending wake-up ends the wait at once.
void TestPlatform::wait(uint32_t timeout_ms) {
  NotCounted not_counted;
  if (waits.size() >= kMostWaits) throw std::runtime_error("the player keeps waiting: it spins");
  const uint64_t start = now_;
  if (static_cast<int>(waits.size()) == interrupt_wait_index_) interrupt();
  const uint64_t deadline =
      timeout_ms == kWaitForever ? std::numeric_limits<uint64_t>::max() : now_ + timeout_ms;
  while (!wake_pending_) {
    auto next = std::min_element(actions_.begin(), actions_.end(),
                                 [](const Action& a, const Action& b) { return a.time < b.time; });
    if (next == actions_.end() || next->time > deadline) {
      if (timeout_ms == kWaitForever) throw std::runtime_error("the player waits forever for nothing");
      now_ = deadline;
      break;
    }
    now_ = std::max(now_, next->time);
    std::function<void()> run = std::move(next->run);
    actions_.erase(next);
    run();
  }
  wake_pending_ = false;
  waits.push_back({timeout_ms, start, now_});
}

void TestPlatform::wake() {
  NotCounted not_counted;
  wake_pending_ = true;
}

void TestPlatform::install_interrupt_handler(InterruptRoutine routine) {
  NotCounted not_counted;
  log.push_back("install");
  interrupt_routine_ = routine;
  if (interrupt_on_install_) interrupt();
  // From here to the removal, playback walks the events and may not allocate.
  start_counting_allocations();
}

void TestPlatform::remove_interrupt_handler() {
  NotCounted not_counted;
  stop_counting_allocations();
  log.push_back("remove");
  interrupt_routine_ = nullptr;
}

}  // namespace tactus::player::testing
