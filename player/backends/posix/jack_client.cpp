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
  const uint64_t rate = jack_get_sample_rate(client_);
  if (rate == 0 || jack_activate(client_) != 0) return false;
  period_ns_ = jack_get_buffer_size(client_) * 1000000000ull / rate;
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
      !wait_until([this] { return largest_event_.load() > 0; })) {
    close(output.release());
    return nullptr;
  }
  return output.release();
}

size_t JackClient::largest_message(const JackOutput& output) const {
  return std::min(largest_event_.load(), output.queue.largest_message());
}

bool JackClient::send(JackOutput& output, const unsigned char* bytes, size_t length) {
  if (!alive_.load() || length == 0 || length > largest_message(output)) return false;
  const auto push = [&] { return output.queue.push(jack_frame_time(client_), bytes, length); };
  return push() || wait_until(push);
}

void JackClient::close(JackOutput* output) {
  // The destination reads a period's messages in that same period, so two
  // periods after the queue has emptied all of them have arrived, and the
  // port's buffer has been cleared. It must stay clear: JACK hands a buffer
  // that nobody clears to the destination again.
  if (wait_until([output] { return output->queue.empty(); })) wait_periods(2);
  for (auto& slot : outputs_) {
    if (slot.load() == output) slot.store(nullptr);
  }
  // A callback that still holds the port ends within a period.
  wait_periods(1);
  jack_port_unregister(client_, output->port);
  delete output;
}

template <class Condition>
bool JackClient::wait_until(Condition done) const {
  uint32_t seen = periods_.load();
  uint64_t last_period_ns = monotonic_ns();
  while (!done()) {
    if (!alive_.load()) return false;
    const uint64_t now = monotonic_ns();
    if (periods_.load() != seen) {
      seen = periods_.load();
      last_period_ns = now;
    } else if (now - last_period_ns > kStallNs) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::nanoseconds(period_ns_ / 2));
  }
  return true;
}

bool JackClient::wait_periods(uint32_t count) const {
  const uint32_t mark = periods_.load();
  return wait_until([this, mark, count] { return periods_.load() - mark >= count; });
}

int JackClient::on_process(jack_nframes_t frames, void* self) {
  auto* client = static_cast<JackClient*>(self);
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
  return 0;
}

void JackClient::on_shutdown(void* self) { static_cast<JackClient*>(self)->alive_.store(false); }

}  // namespace tactus::player::posix
