#include "player/backends/posix/jack_client.h"

#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <thread>

#include "player/backends/posix/monotonic_clock.h"

namespace tactus::player::posix {

namespace {

// Room for a second of a dense flood before the sender has to wait, and for
// any message that a period's buffer takes.
constexpr size_t kQueueBytes = 64 * 1024;

constexpr uint64_t kStallNs = 1000000000u;

uint64_t period_length_ns(jack_nframes_t frames, jack_nframes_t rate) {
  return rate == 0 ? 0 : frames * 1000000000ull / rate;
}

// The port's buffer of one period.
class MidiBuffer final : public PeriodBuffer {
 public:
  explicit MidiBuffer(void* buffer) : buffer_(buffer) {}
  size_t room() override { return jack_midi_max_event_size(buffer_); }
  unsigned char* reserve(uint32_t offset, size_t length) override {
    return jack_midi_event_reserve(buffer_, offset, length);
  }

 private:
  void* buffer_;
};

}  // namespace

JackClient::~JackClient() {
  if (client_ != nullptr) jack_client_close(client_);
}

std::vector<std::string> JackClient::connect(const char* client_name) {
  std::vector<std::string> names;
  if (client_ != nullptr) return names;
  jack_status_t status{};
  client_ = jack_client_open(client_name, JackNoStartServer, &status);
  if (client_ == nullptr) return names;
  jack_set_process_callback(client_, on_process, this);
  jack_set_buffer_size_callback(client_, on_buffer_size, this);
  jack_on_shutdown(client_, on_shutdown, this);
  alive_.store(true);
  const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
  for (const char** port = ports; port != nullptr && *port != nullptr; ++port) names.emplace_back(*port);
  jack_free(ports);
  outputs_ = std::vector<std::atomic<JackOutput*>>(names.size() + 1);
  return names;
}

bool JackClient::activate() {
  if (active_) return true;
  const jack_nframes_t rate = jack_get_sample_rate(client_);
  if (rate == 0) return false;
  period_ns_.store(period_length_ns(jack_get_buffer_size(client_), rate));
  if (jack_activate(client_) != 0) return false;
  active_ = true;
  return true;
}

JackOutput* JackClient::open(const std::string& destination) {
  if (!alive_.load() || !activate()) return nullptr;
  std::atomic<JackOutput*>* slot = nullptr;
  for (auto& free_slot : outputs_) {
    if (free_slot.load() == nullptr) {
      slot = &free_slot;
      break;
    }
  }
  std::unique_ptr<JackOutput> output(new (std::nothrow) JackOutput(kQueueBytes));
  if (slot == nullptr || output == nullptr || !output->queue.usable()) return nullptr;
  const std::string name = "out_" + std::to_string(++ports_opened_);
  output->port = jack_port_register(client_, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (output->port == nullptr) return nullptr;
  slot->store(output.get());
  if (jack_connect(client_, jack_port_name(output->port), destination.c_str()) != 0 ||
      !wait_until([this] { return largest_event_.load() > 0; }, Patience::kUntilASecondWithoutPeriod)) {
    remove(output.release());
    return nullptr;
  }
  return output.release();
}

size_t JackClient::largest_message(const JackOutput& output) const {
  return std::min(largest_event_.load(), output.queue.largest_message());
}

// After the period size changed, the largest message is learnt again in the
// next cycle: a message that no longer fits is refused here, where the
// player can know, instead of being dropped by the callback.
bool JackClient::send(JackOutput& output, const unsigned char* bytes, size_t length) {
  const auto size_known = [this] { return largest_event_.load() > 0; };
  if (!alive_.load() || length == 0 || !wait_until(size_known, Patience::kUntilASecondWithoutPeriod) ||
      length > largest_message(output))
    return false;
  const auto push = [&] { return output.queue.push(jack_frame_time(client_), bytes, length); };
  return push() || wait_until(push, Patience::kUntilASecondWithoutPeriod);
}

// The destination reads a period's messages in that same period, so two
// periods after the queue has emptied all of them have arrived, and the
// port's buffer has been cleared. It must stay clear: JACK hands a buffer
// that nobody clears to the destination again. However late the periods
// come, a running server gets them there; one that is gone, nowhere.
void JackClient::close(JackOutput* output) {
  if (wait_until([output] { return output->queue.empty(); }, Patience::kWhileServerRuns)) wait_periods(2);
  remove(output);
}

// The callback takes each port from its slot afresh every cycle. Once the
// slot is empty, the port is free when no cycle runs, or when a cycle has
// begun since: two cycles completed from a count read after emptying. A
// cycle under way always ends, even when the server has gone meanwhile.
void JackClient::remove(JackOutput* output) {
  for (auto& slot : outputs_) {
    if (slot.load() == output) slot.store(nullptr);
  }
  const uint32_t mark = periods_.load();
  while (in_cycle_.load() && periods_.load() - mark < 2)
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  jack_port_unregister(client_, output->port);
  delete output;
}

template <class Condition>
bool JackClient::wait_until(Condition done, Patience patience) const {
  uint32_t seen = periods_.load();
  uint64_t last_period_ns = monotonic_ns();
  while (!done()) {
    if (!alive_.load()) return false;
    const uint64_t now = monotonic_ns();
    if (periods_.load() != seen) {
      seen = periods_.load();
      last_period_ns = now;
    } else if (patience == Patience::kUntilASecondWithoutPeriod && now - last_period_ns > kStallNs) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::nanoseconds(period_ns_.load() / 2));
  }
  return true;
}

bool JackClient::wait_periods(uint32_t count) const {
  const uint32_t mark = periods_.load();
  return wait_until([this, mark, count] { return periods_.load() - mark >= count; },
                    Patience::kWhileServerRuns);
}

int JackClient::on_process(jack_nframes_t frames, void* self) {
  auto* client = static_cast<JackClient*>(self);
  client->in_cycle_.store(true);
  const jack_nframes_t period_start = jack_last_frame_time(client->client_);
  for (auto& slot : client->outputs_) {
    JackOutput* output = slot.load();
    if (output == nullptr) continue;
    void* buffer = jack_port_get_buffer(output->port, frames);
    jack_midi_clear_buffer(buffer);
    if (client->largest_event_.load() == 0) client->largest_event_.store(jack_midi_max_event_size(buffer));
    MidiBuffer period(buffer);
    output->queue.deliver(period_start, frames, period);
  }
  client->periods_.fetch_add(1);
  client->in_cycle_.store(false);
  return 0;
}

// Called between two cycles, none running. A port's MIDI buffer may have
// another size now (with JACK 1 it follows the period; JACK 2 keeps 32 KiB).
int JackClient::on_buffer_size(jack_nframes_t frames, void* self) {
  auto* client = static_cast<JackClient*>(self);
  client->largest_event_.store(0);
  client->period_ns_.store(period_length_ns(frames, jack_get_sample_rate(client->client_)));
  return 0;
}

// libjack's own thread; the player hears of it through its wake-up.
void JackClient::on_shutdown(void* self) {
  auto* client = static_cast<JackClient*>(self);
  client->alive_.store(false);
  if (client->gone_.routine != nullptr) client->gone_();
}

}  // namespace tactus::player::posix
