#include "player/backends/rtmidi/jack_monitor.h"

#include <chrono>
#include <thread>

#include "player/backends/rtmidi/monotonic_clock.h"

namespace tactus::player::rtmidi {

JackMonitor::~JackMonitor() {
  if (client_ != nullptr) jack_client_close(client_);
}

bool JackMonitor::connect(const char* client_name) {
  if (client_ != nullptr) return running();
  jack_status_t status{};
  client_ = jack_client_open(client_name, JackNoStartServer, &status);
  if (client_ == nullptr) return false;
  jack_set_process_callback(client_, on_process, this);
  jack_on_shutdown(client_, on_shutdown, this);
  uint64_t rate = jack_get_sample_rate(client_);
  period_ns_ = rate == 0 ? 0 : jack_get_buffer_size(client_) * 1000000000ull / rate;
  alive_.store(true);
  if (jack_activate(client_) != 0) {
    jack_client_close(client_);
    client_ = nullptr;
    alive_.store(false);
    return false;
  }
  return true;
}

bool JackMonitor::running() const { return client_ != nullptr && alive_.load(); }

std::vector<std::string> JackMonitor::midi_input_ports() const {
  std::vector<std::string> names;
  if (!running()) return names;
  const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
  if (ports == nullptr) return names;
  for (const char** port = ports; *port != nullptr; ++port) names.emplace_back(*port);
  jack_free(ports);
  return names;
}

bool JackMonitor::cycles_passed(uint32_t mark, uint32_t count) const {
  return static_cast<uint32_t>(cycle_count() - mark) >= count;
}

bool JackMonitor::wait_for_cycles(uint32_t mark, uint32_t count) const {
  const uint64_t limit_ns = monotonic_ns() + count * period_ns_ + 1000000000u;
  while (!cycles_passed(mark, count)) {
    if (!running() || monotonic_ns() > limit_ns) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

int JackMonitor::on_process(jack_nframes_t, void* self) {
  static_cast<JackMonitor*>(self)->cycles_.fetch_add(1);
  return 0;
}

void JackMonitor::on_shutdown(void* self) { static_cast<JackMonitor*>(self)->alive_.store(false); }

}  // namespace tactus::player::rtmidi
