// The ALSA sequencer through alsa-lib: one client, "tactus", with a port of
// its own for each destination opened (out_1, out_2, ...), connected to it,
// and one that hears the system's announcements of ports and clients that go
// away.
//
// Every event goes to its destination directly when the player sends it:
// the player's clock is the one timing rule, and the kernel would drop a
// queued event that finds its destination full. A full destination answers
// -EAGAIN to a direct event whatever the client's mode, so a send waits and
// tries again until the event is taken. A system-exclusive message goes as
// several events, each small enough for a software synthesizer's input
// pool; the destination joins them as MIDI bytes. (A hardware port's driver
// takes every event into a buffer of its own, and drops unseen what does not
// fit: that is the kernel's, beyond what a client can know.)
#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "player/backends/posix/monotonic_clock.h"
#include "player/backends/posix/system_midi.h"

namespace tactus::player::posix {

namespace {

// A software synthesizer's input pool holds about 200 cells of 28 bytes; an
// event of this much system-exclusive data takes a fifth of it.
constexpr size_t kLongestEventData = 1024;

// How long a destination may take nothing before it counts as stopped: long
// enough for any that still reads; once the player has been woken (Ctrl+C),
// short enough to end the run at once.
constexpr uint64_t kPatienceNs = 2000000000u;
constexpr uint64_t kPatienceWhenWokenNs = 100000000u;
constexpr int kPauseMs = 1;

// The ports that the player has always listed (RtMidi's choice): of MIDI,
// synthesizer or application type, open to others' writes and connections.
bool is_destination(const snd_seq_port_info_t* port) {
  const unsigned int types =
      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_APPLICATION;
  const unsigned int needed = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
  return (snd_seq_port_info_get_type(port) & types) != 0 &&
         (snd_seq_port_info_get_capability(port) & needed) == needed;
}

// "client:port c:p", as the player has always named them.
std::string name_of(snd_seq_client_info_t* client, const snd_seq_port_info_t* port) {
  const snd_seq_addr_t* address = snd_seq_port_info_get_addr(port);
  return std::string(snd_seq_client_info_get_name(client)) + ":" + snd_seq_port_info_get_name(port) + " " +
         std::to_string(address->client) + ":" + std::to_string(address->port);
}

void set_channel_event(snd_seq_event_t& event, const unsigned char* bytes, size_t length) {
  const unsigned char channel = bytes[0] & 0x0F;
  const unsigned char first = length > 1 ? bytes[1] : 0;
  const unsigned char second = length > 2 ? bytes[2] : 0;
  switch (bytes[0] & 0xF0) {
    case 0x80:
      snd_seq_ev_set_noteoff(&event, channel, first, second);
      break;
    case 0x90:
      snd_seq_ev_set_noteon(&event, channel, first, second);
      break;
    case 0xA0:
      snd_seq_ev_set_keypress(&event, channel, first, second);
      break;
    case 0xB0:
      snd_seq_ev_set_controller(&event, channel, first, second);
      break;
    case 0xC0:
      snd_seq_ev_set_pgmchange(&event, channel, first);
      break;
    case 0xD0:
      snd_seq_ev_set_chanpress(&event, channel, first);
      break;
    default:
      snd_seq_ev_set_pitchbend(&event, channel, ((second << 7) | first) - 8192);
      break;
  }
}

// What a direct event to a port or client that has gone meets.
bool means_gone(int error) { return error == -ENOENT || error == -ENXIO || error == -ENODEV; }

}  // namespace

struct SystemOutput {
  std::string name;
  snd_seq_addr_t destination;
  int port = -1;
  bool failed = false;
};

struct SystemMidi::State {
  struct Destination {
    std::string name;
    snd_seq_addr_t address;
  };

  bool open_client(const char* client_name);
  bool listen_for_news();
  bool deliver(SystemOutput& output, snd_seq_event_t& event);
  bool pause(bool woken);
  void read_news();
  bool fail(SystemOutput& output, bool gone);

  snd_seq_t* sequencer = nullptr;
  bool tried = false;
  std::vector<Destination> listed;
  std::vector<SystemOutput*> outputs;
  int ports_opened = 0;
  int news_port = -1;
  int news_fd = -1;
  Notification failed;
  int wake_fd = -1;
  std::string failure;
};

SystemMidi::SystemMidi() : state_(std::make_unique<State>()) {}

SystemMidi::~SystemMidi() {
  if (state_->sequencer != nullptr) snd_seq_close(state_->sequencer);
}

void SystemMidi::notify_when_failed(Notification failed, int wake_fd) {
  state_->failed = failed;
  state_->wake_fd = wake_fd;
}

// Non-blocking, so that reading the announcements never waits; a send waits
// in pause() instead, where Ctrl+C and the player's wake-up reach it.
bool SystemMidi::State::open_client(const char* client_name) {
  if (tried) return sequencer != nullptr;
  tried = true;
  if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
    sequencer = nullptr;
    return false;
  }
  snd_seq_set_client_name(sequencer, client_name);
  return true;
}

std::vector<std::string> SystemMidi::destinations(const char* client_name) {
  State& state = *state_;
  state.listed.clear();
  if (!state.open_client(client_name)) return {};
  snd_seq_client_info_t* client;
  snd_seq_port_info_t* port;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  snd_seq_client_info_set_client(client, -1);
  std::vector<std::string> names;
  while (snd_seq_query_next_client(state.sequencer, client) >= 0) {
    const int number = snd_seq_client_info_get_client(client);
    snd_seq_port_info_set_client(port, number);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(state.sequencer, port) >= 0) {
      if (!is_destination(port)) continue;
      names.push_back(name_of(client, port));
      state.listed.push_back({names.back(), *snd_seq_port_info_get_addr(port)});
    }
  }
  return names;
}

// A port that cannot hear of its destination's going would not be noticed
// when it goes while the player waits, so it is not opened without one.
bool SystemMidi::State::listen_for_news() {
  if (news_fd >= 0) return true;
  if (news_port < 0)
    news_port = snd_seq_create_simple_port(sequencer, "announcements",
                                           SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                           SND_SEQ_PORT_TYPE_APPLICATION);
  pollfd descriptor{};
  if (news_port < 0 ||
      snd_seq_connect_from(sequencer, news_port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0 ||
      snd_seq_poll_descriptors(sequencer, &descriptor, 1, POLLIN) != 1)
    return false;
  news_fd = descriptor.fd;
  return true;
}

SystemOutput* SystemMidi::open(const std::string& name) {
  State& state = *state_;
  const auto listed = std::find_if(state.listed.begin(), state.listed.end(),
                                   [&name](const State::Destination& entry) { return entry.name == name; });
  if (listed == state.listed.end() || !state.listen_for_news()) return nullptr;
  auto output = std::make_unique<SystemOutput>(SystemOutput{name, listed->address});
  const std::string port_name = "out_" + std::to_string(++state.ports_opened);
  output->port = snd_seq_create_simple_port(state.sequencer, port_name.c_str(),
                                            SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (output->port < 0) return nullptr;
  // The connection makes a hardware port's driver open its device, and shows
  // in the graph of connections; the events still name their destination.
  if (snd_seq_connect_to(state.sequencer, output->port, listed->address.client, listed->address.port) < 0) {
    snd_seq_delete_simple_port(state.sequencer, output->port);
    return nullptr;
  }
  state.outputs.push_back(output.get());
  return output.release();
}

bool SystemMidi::send(SystemOutput& output, const unsigned char* bytes, size_t length) {
  if (output.failed || length == 0) return false;
  snd_seq_event_t event;
  snd_seq_ev_clear(&event);
  snd_seq_ev_set_source(&event, output.port);
  snd_seq_ev_set_dest(&event, output.destination.client, output.destination.port);
  snd_seq_ev_set_direct(&event);
  if (bytes[0] >= 0x80 && bytes[0] < 0xF0) {
    set_channel_event(event, bytes, length);
    return state_->deliver(output, event);
  }
  for (size_t at = 0; at < length; at += kLongestEventData) {
    snd_seq_ev_set_sysex(&event, std::min(kLongestEventData, length - at),
                         const_cast<unsigned char*>(bytes + at));
    if (!state_->deliver(output, event)) return false;
  }
  return true;
}

// -ENOMEM: the destination's pool has too few cells free for the event's
// data, which it also answers while it is full.
bool SystemMidi::State::deliver(SystemOutput& output, snd_seq_event_t& event) {
  const uint64_t start = monotonic_ns();
  bool woken = false;
  for (;;) {
    const int result = snd_seq_event_output_direct(sequencer, &event);
    if (result >= 0) return true;
    if (result != -EAGAIN && result != -ENOMEM) return fail(output, means_gone(result));
    if (monotonic_ns() - start >= (woken ? kPatienceWhenWokenNs : kPatienceNs)) return fail(output, false);
    woken = pause(woken);
  }
}

// Sleeps a millisecond, less when the player is woken. The wake-up stays in
// the pipe for the player's own wait; true once there has been one.
bool SystemMidi::State::pause(bool woken) {
  pollfd wake{woken ? -1 : wake_fd, POLLIN, 0};
  return poll(&wake, 1, kPauseMs) > 0 || woken;
}

// Until none is left, or an overrun lost some (-ENOSPC): the rest are read
// at the next wait, and a destination whose going was lost is found by the
// next send to it, which it refuses.
void SystemMidi::State::read_news() {
  snd_seq_event_t* event = nullptr;
  while (snd_seq_event_input(sequencer, &event) >= 0) {
    if (event->type != SND_SEQ_EVENT_PORT_EXIT && event->type != SND_SEQ_EVENT_CLIENT_EXIT) continue;
    const snd_seq_addr_t& gone = event->data.addr;
    for (SystemOutput* output : outputs) {
      if (output->failed || gone.client != output->destination.client) continue;
      if (event->type == SND_SEQ_EVENT_CLIENT_EXIT || gone.port == output->destination.port)
        fail(*output, true);
    }
  }
}

bool SystemMidi::State::fail(SystemOutput& output, bool gone) {
  output.failed = true;
  if (failure.empty())
    failure = gone ? "Lost the MIDI output port " + output.name + "."
                   : "The MIDI output port " + output.name + " stopped taking messages.";
  if (failed.routine != nullptr) failed();
  return false;
}

// Each event was handed to the destination as it was sent: nothing waits in
// alsa-lib's buffer. Removing the port ends the connection, and a hardware
// port's driver first sends out what its buffer holds, for at most the
// kernel's bound.
void SystemMidi::close(SystemOutput* output) {
  std::erase(state_->outputs, output);
  snd_seq_delete_simple_port(state_->sequencer, output->port);
  delete output;
}

const char* SystemMidi::failure() const {
  return state_->failure.empty() ? nullptr : state_->failure.c_str();
}

WatchedInput SystemMidi::news() {
  return {state_->news_fd, [](void* state) { static_cast<State*>(state)->read_news(); }, state_.get()};
}

}  // namespace tactus::player::posix
