// A sequencer of the tests' own in place of the kernel's, behind the alsa-lib calls that reach it (the link
// wraps them; alsa-lib's info records and MIDI decoder stay the real ones): ports as a test sets them, each
// with its input pool, what it received as MIDI bytes, and the announcements of ports and clients that go.
#include "sequencer_stand_in.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace tactus::test {

StandIn sequencer;

StandInPort* StandIn::find(int client, int port) {
  for (StandInPort& entry : ports)
    if (entry.client == client && entry.port == port) return &entry;
  return nullptr;
}

void StandIn::remove(int client, int port, bool announce) {
  std::erase_if(ports,
                [&](auto& entry) { return entry.client == client && (port < 0 || entry.port == port); });
  snd_seq_event_t event{};
  event.type = port < 0 ? SND_SEQ_EVENT_CLIENT_EXIT : SND_SEQ_EVENT_PORT_EXIT;
  event.data.addr = {static_cast<unsigned char>(client), static_cast<unsigned char>(std::max(port, 0))};
  if (announce && heard && write(news[1], "", 1) == 1) announcements.push_back(event);
}

}  // namespace tactus::test

using tactus::test::sequencer;

extern "C" {

int __wrap_snd_seq_open(snd_seq_t** handle, const char*, int, int) {
  *handle = reinterpret_cast<snd_seq_t*>(&sequencer);
  return pipe2(sequencer.news, O_NONBLOCK) == 0 ? 0 : -EMFILE;
}
int __wrap_snd_seq_close(snd_seq_t*) { return close(sequencer.news[0]) + close(sequencer.news[1]); }
int __wrap_snd_seq_set_client_name(snd_seq_t*, const char*) { return 0; }
int __wrap_snd_seq_create_simple_port(snd_seq_t*, const char*, unsigned int, unsigned int) { return 0; }
int __wrap_snd_seq_delete_simple_port(snd_seq_t*, int) { return 0; }
int __wrap_snd_seq_connect_to(snd_seq_t*, int, int client, int port) {
  return sequencer.find(client, port) != nullptr ? 0 : -ENOENT;
}
int __wrap_snd_seq_connect_from(snd_seq_t*, int, int client, int port) {
  sequencer.heard = client == SND_SEQ_CLIENT_SYSTEM && port == SND_SEQ_PORT_SYSTEM_ANNOUNCE;
  return 0;
}
int __wrap_snd_seq_poll_descriptors(snd_seq_t*, pollfd* descriptors, unsigned int, short events) {
  descriptors[0] = {sequencer.news[0], events, 0};
  return 1;
}

// As the kernel does: the first client after the record's, the first port after its port (255 for -1).
int __wrap_snd_seq_query_next_client(snd_seq_t*, snd_seq_client_info_t* info) {
  const int after = snd_seq_client_info_get_client(info);
  for (auto& entry : sequencer.ports) {
    if (entry.client <= after) continue;
    snd_seq_client_info_set_client(info, entry.client);
    snd_seq_client_info_set_name(info, entry.client_name.c_str());
    return 0;
  }
  return -ENOENT;
}
int __wrap_snd_seq_query_next_port(snd_seq_t*, snd_seq_port_info_t* info) {
  const int client = snd_seq_port_info_get_client(info), from = (snd_seq_port_info_get_port(info) + 1) & 0xFF;
  for (auto& entry : sequencer.ports) {
    if (entry.client != client || entry.port < from) continue;
    snd_seq_port_info_set_port(info, entry.port);
    snd_seq_port_info_set_name(info, entry.name.c_str());
    snd_seq_port_info_set_capability(info, entry.caps);
    snd_seq_port_info_set_type(info, entry.type);
    return 0;
  }
  return -ENOENT;
}

int __wrap_snd_seq_event_input(snd_seq_t*, snd_seq_event_t** event) {
  static snd_seq_event_t taken;
  char byte;
  if (read(sequencer.news[0], &byte, 1) != 1) return -EAGAIN;
  taken = sequencer.announcements.front();
  sequencer.announcements.erase(sequencer.announcements.begin());
  *event = &taken;
  return 1;
}

// A direct event to a user client: refused when its data needs as many cells as the pool has (-ENOMEM) or
// more than are free now (-EAGAIN); each one taken is written down as the MIDI bytes it stands for.
int __wrap_snd_seq_event_output_direct(snd_seq_t*, snd_seq_event_t* event) {
  tactus::test::StandInPort* port = sequencer.find(event->dest.client, event->dest.port);
  if (port == nullptr) return -ENOENT;
  const int cells = 1 + (snd_seq_ev_is_variable(event) ? (event->data.ext.len + 27) / 28 : 0);
  if (cells > port->cells) return -ENOMEM;
  const auto now = std::chrono::steady_clock::now();
  const long long read = port->taken_per_ms * (now - port->read_at) / std::chrono::milliseconds(1);
  port->used = port->taken_per_ms < 0 ? 0 : static_cast<int>(std::max(0LL, port->used - read));
  port->read_at = now;
  if (port->used + cells > port->cells) return ++port->refused, -EAGAIN;
  port->used += cells;
  snd_midi_event_t* decoder;
  unsigned char bytes[2048];
  snd_midi_event_new(sizeof bytes, &decoder);
  snd_midi_event_no_status(decoder, 1);
  port->received.append(reinterpret_cast<char*>(bytes),
                        snd_midi_event_decode(decoder, bytes, sizeof bytes, event));
  snd_midi_event_free(decoder);
  if (sequencer.on_taken) sequencer.on_taken(*port);
  return static_cast<int>(sizeof *event) + 28 * (cells - 1);
}

}  // extern "C"
