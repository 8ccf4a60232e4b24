// tactus-capture: a JACK client that records every MIDI event arriving at its
// input ports, with the frame time at which it arrived, for the end-to-end
// tests.
//
//   tactus-capture OUTPUT CLIENT_NAME PORT_COUNT
//
// Registers the input ports CLIENT_NAME:in_0 ... in_<PORT_COUNT-1>. Once
// they receive, it writes the first line of OUTPUT, "rate <sample rate>
// period <frames per cycle>"; then, until SIGTERM or SIGINT, one line per
// event:
//
//   <frame time> <port index> <bytes in hex, space-separated>
//
// Events
// that did not fit the transfer buffer are counted on a last line
// "overflow <count>"; the line is absent when none were lost.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Each event crosses from the process thread in this record, followed by its
// bytes.
struct EventHead {
  uint32_t frame;
  uint32_t port;
  uint32_t size;
};

constexpr size_t kTransferBytes = 8u << 20;

struct Capture {
  jack_client_t* client = nullptr;
  std::vector<jack_port_t*> ports;
  jack_ringbuffer_t* transfer = nullptr;
  std::atomic<uint32_t> overflows{0};
};

std::atomic<bool> stop_requested{false};

extern "C" void on_stop_signal(int) { stop_requested.store(true); }

int on_process(jack_nframes_t frames, void* argument) {
  auto* capture = static_cast<Capture*>(argument);
  const jack_nframes_t cycle_start = jack_last_frame_time(capture->client);
  for (uint32_t index = 0; index < capture->ports.size(); ++index) {
    void* buffer = jack_port_get_buffer(capture->ports[index], frames);
    const uint32_t count = jack_midi_get_event_count(buffer);
    for (uint32_t n = 0; n < count; ++n) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, n) != 0) continue;
      EventHead head{cycle_start + event.time, index, static_cast<uint32_t>(event.size)};
      if (jack_ringbuffer_write_space(capture->transfer) < sizeof head + event.size) {
        capture->overflows.fetch_add(1);
        continue;
      }
      jack_ringbuffer_write(capture->transfer, reinterpret_cast<const char*>(&head), sizeof head);
      jack_ringbuffer_write(capture->transfer, reinterpret_cast<const char*>(event.buffer), event.size);
    }
  }
  return 0;
}

// Writes out every complete event waiting in the transfer buffer.
void write_events(Capture& capture, FILE* out) {
  EventHead head;
  std::vector<unsigned char> bytes;
  // The process thread may have written a head but not yet its bytes.
  while (jack_ringbuffer_peek(capture.transfer, reinterpret_cast<char*>(&head), sizeof head) == sizeof head &&
         jack_ringbuffer_read_space(capture.transfer) >= sizeof head + head.size) {
    jack_ringbuffer_read_advance(capture.transfer, sizeof head);
    bytes.resize(head.size);
    jack_ringbuffer_read(capture.transfer, reinterpret_cast<char*>(bytes.data()), head.size);
    std::fprintf(out, "%u %u", head.frame, head.port);
    for (unsigned char byte : bytes) std::fprintf(out, " %02x", byte);
    std::fputc('\n', out);
  }
  std::fflush(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OUTPUT CLIENT_NAME PORT_COUNT\n", argv[0]);
    return 2;
  }
  FILE* out = std::fopen(argv[1], "w");
  const int port_count = std::atoi(argv[3]);
  if (out == nullptr || port_count < 1) return 2;

  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  Capture capture;
  capture.transfer = jack_ringbuffer_create(kTransferBytes);
  jack_status_t status{};
  capture.client =
      jack_client_open(argv[2], static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), &status);
  if (capture.client == nullptr) {
    std::fprintf(stderr, "capture: cannot open JACK client (status 0x%x)\n", static_cast<unsigned>(status));
    return 1;
  }
  for (int index = 0; index < port_count; ++index) {
    std::string name = "in_" + std::to_string(index);
    capture.ports.push_back(
        jack_port_register(capture.client, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0));
  }
  jack_set_process_callback(capture.client, on_process, &capture);
  if (jack_activate(capture.client) != 0) return 1;
  std::fprintf(out, "rate %u period %u\n", jack_get_sample_rate(capture.client),
               jack_get_buffer_size(capture.client));
  std::fflush(out);

  while (!stop_requested.load()) {
    write_events(capture, out);
    usleep(2000);
  }
  jack_deactivate(capture.client);
  write_events(capture, out);
  if (capture.overflows.load() > 0) std::fprintf(out, "overflow %u\n", capture.overflows.load());
  std::fclose(out);
  jack_client_close(capture.client);
  jack_ringbuffer_free(capture.transfer);
  return 0;
}
