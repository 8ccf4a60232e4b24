// The ALSA backend on a sequencer of the test's own in place of the kernel's: the link wraps the alsa-lib
// calls that reach the kernel (alsa-lib's info records and MIDI decoder stay the real ones). Its ports have
// an input pool each and keep what they received as MIDI bytes; ports and clients go, announced or not.
// Checked: the destinations listed and where the tracks go, and that nothing is lost in silence.
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include "player/backends/posix/posix_platform.h"
#include "player/test_platform.h"
#include "support/midi_bytes.h"

namespace {

struct Port {
  int client, port;
  std::string client_name, name;
  unsigned int type, caps;
  int cells = 200;        // the input pool, in the kernel's cells of 28 bytes
  int taken_per_ms = -1;  // how fast the destination reads them: -1 at once, 0 not at all
  int used = 0, refused = 0;
  bool connected = false;
  std::chrono::steady_clock::time_point read_at{};
  std::string received{};
};

struct {
  std::vector<Port> ports;
  std::function<void(Port&)> on_taken;  // after each event a port takes
  bool heard = false;                   // the announcements are heard
  std::vector<snd_seq_event_t> announcements;
  int news[2] = {-1, -1};  // a byte for each announcement
  Port* find(int client, int port) {
    for (Port& entry : ports)
      if (entry.client == client && entry.port == port) return &entry;
    return nullptr;
  }
  // A port, or its whole client for port -1.
  void remove(int client, int port, bool announce = true) {
    std::erase_if(ports,
                  [&](auto& entry) { return entry.client == client && (port < 0 || entry.port == port); });
    snd_seq_event_t event{};
    event.type = port < 0 ? SND_SEQ_EVENT_CLIENT_EXIT : SND_SEQ_EVENT_PORT_EXIT;
    event.data.addr = {static_cast<unsigned char>(client), static_cast<unsigned char>(std::max(port, 0))};
    if (announce && heard && write(news[1], "", 1) == 1) announcements.push_back(event);
  }
} sequencer;

}  // namespace

extern "C" {

int __real_snd_seq_open(snd_seq_t** handle, const char* name, int streams, int mode);
int __real_snd_seq_close(snd_seq_t* handle);

// Without ports (in the other tests) the machine's own sequencer is tried, with what alsa-lib says, but not
// used.
int __wrap_snd_seq_open(snd_seq_t** handle, const char* name, int streams, int mode) {
  if (sequencer.ports.empty())
    return __real_snd_seq_open(handle, name, streams, mode) < 0 ? -ENOENT
                                                                : (__real_snd_seq_close(*handle), -ENOENT);
  *handle = reinterpret_cast<snd_seq_t*>(&sequencer);
  return pipe2(sequencer.news, O_NONBLOCK) == 0 ? 0 : -EMFILE;
}
int __wrap_snd_seq_close(snd_seq_t*) { return close(sequencer.news[0]) + close(sequencer.news[1]); }
int __wrap_snd_seq_set_client_name(snd_seq_t*, const char*) { return 0; }
int __wrap_snd_seq_create_simple_port(snd_seq_t*, const char*, unsigned int, unsigned int) { return 0; }
int __wrap_snd_seq_delete_simple_port(snd_seq_t*, int) { return 0; }
int __wrap_snd_seq_connect_to(snd_seq_t*, int, int client, int port) {
  Port* destination = sequencer.find(client, port);
  return destination != nullptr ? (destination->connected = true, 0) : -ENOENT;
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
  for (const Port& entry : sequencer.ports) {
    if (entry.client <= snd_seq_client_info_get_client(info)) continue;
    snd_seq_client_info_set_client(info, entry.client);
    snd_seq_client_info_set_name(info, entry.client_name.c_str());
    return 0;
  }
  return -ENOENT;
}
int __wrap_snd_seq_query_next_port(snd_seq_t*, snd_seq_port_info_t* info) {
  const int client = snd_seq_port_info_get_client(info), from = (snd_seq_port_info_get_port(info) + 1) & 0xFF;
  for (const Port& entry : sequencer.ports) {
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

// A direct event: refused when its data needs as many cells as the pool has (-ENOMEM) or more than are free
// now (-EAGAIN). Unconnected, a hardware port's driver has not opened its device (here: every port).
int __wrap_snd_seq_event_output_direct(snd_seq_t*, snd_seq_event_t* event) {
  Port* port = sequencer.find(event->dest.client, event->dest.port);
  if (port == nullptr) return -ENOENT;
  if (!port->connected) return -ENODEV;
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

namespace tactus::player::testing {
namespace {

using namespace std::string_literals;
using test::MidiBytes;

const std::string kSynth = "FLUID Synth (1234):Synth input port (1234:1) 128:1";
constexpr unsigned int kIn = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                       kMidi = SND_SEQ_PORT_TYPE_MIDI_GENERIC;

class AlsaBackend : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("JACK_DEFAULT_SERVER", "tactus-alsa-no-such-server", 1);
    sequencer = {};
    sequencer.ports = {
        {14, 0, "Midi Through", "Midi Through Port-0", kMidi, kIn | SND_SEQ_PORT_CAP_READ},
        {20, 0, "USB Keys", "USB Keys MIDI 1", kMidi | SND_SEQ_PORT_TYPE_HARDWARE, kIn},
        {128, 0, "FLUID Synth (1234)", "Synth output port (1234:0)", kMidi, SND_SEQ_PORT_CAP_READ},
        {128, 1, "FLUID Synth (1234)", "Synth input port (1234:1)", kMidi | SND_SEQ_PORT_TYPE_SYNTHESIZER,
         kIn},
        {129, 0, "Sampler", "in", SND_SEQ_PORT_TYPE_SYNTH, kIn},
        {129, 1, "Sampler", "control", SND_SEQ_PORT_TYPE_SYNTH, SND_SEQ_PORT_CAP_WRITE},
        {130, 0, "Timer", "tick", SND_SEQ_PORT_TYPE_SPECIFIC, kIn},
        {131, 0, "Looper", "in", SND_SEQ_PORT_TYPE_APPLICATION, kIn}};
  }
  void TearDown() override { sequencer = {}; }

  Outcome play(const MidiBytes& song, std::vector<std::string> arguments) {
    const test::TempFile file("song.mid", song);
    arguments.push_back(file.path());
    posix::PosixPlatform platform;
    return run_tactus(platform, arguments);
  }
};

// Ports of MIDI, synthesizer or application type that take writes and connections, as "client:port c:p";
// without --out the first that passes nothing through.
TEST_F(AlsaBackend, ListsTheDestinationsByTheirNamesAndRoutesTracksToThem) {
  posix::PosixPlatform platform;
  std::vector<std::string> names;
  for (int32_t device = 0; device < platform.output_device_count(); ++device)
    names.push_back(platform.output_device_name(device));
  EXPECT_EQ(names, (std::vector<std::string>{"Midi Through:Midi Through Port-0 14:0",
                                             "USB Keys:USB Keys MIDI 1 20:0", kSynth, "Sampler:in 129:0",
                                             "Looper:in 131:0"}));
  const MidiBytes song = MidiBytes()
                             .header(1, 2, 480)
                             .track(MidiBytes{0, 0xB0, 1, 2}.end_of_track(0))
                             .track(MidiBytes{0, 0xC1, 3}.end_of_track(0));
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{}, "20:0 \xB0\x01\x02\xC1\x03; "},
      {{"--out", "Looper:in 131:0", "--track-out", "1", "3"}, "129:0 \xC1\x03; 131:0 \xB0\x01\x02; "}};
  for (const auto& [arguments, expected] : rows) {
    SetUp();
    EXPECT_EQ(play(song, arguments).status, 0);
    std::string arrivals;
    for (const Port& port : sequencer.ports)
      if (!port.received.empty())
        arrivals +=
            std::to_string(port.client) + ":" + std::to_string(port.port) + " " + port.received + "; ";
    EXPECT_EQ(arrivals, expected) << arguments.size();
  }
}

// With no ports of the stand-in's, this machine's own sequencer is tried (none here), and no JACK server
// runs: no devices, and nothing printed but the player's own message.
TEST_F(AlsaBackend, WithoutDevicesOnlyThePlayersOwnMessageIsPrinted) {
  sequencer.ports.clear();
  if (posix::PosixPlatform().output_device_count() > 0) GTEST_SKIP() << "this machine has MIDI devices";
  std::FILE* printed = std::tmpfile();
  const int saved_stderr = dup(2);
  dup2(fileno(printed), 2);
  const Outcome outcome = play(MidiBytes().header(0, 1, 480).track(MidiBytes{0, 0x90, 60, 1}), {});
  dup2(saved_stderr, 2);
  EXPECT_EQ(outcome.err, "Error:  Cannot open default MIDI output port.\n");
  EXPECT_EQ(std::ftell(printed), 0) << "printed by the MIDI systems";
}

// 2000 channel messages of every kind at once, then 64 KiB of system-exclusive data, to a destination that
// reads 20 cells a millisecond from a pool of 200: everything arrives in order, the long message in pieces
// that the pool takes.
TEST_F(AlsaBackend, ASlowDestinationGetsEverythingInOrderAndALongMessageWhole) {
  const std::vector<std::vector<int>> kinds = {{0x90, 60, 100}, {0x80, 60, 0}, {0xA1, 61, 5}, {0xB2, 7, 100},
                                               {0xC3, 5},       {0xD4, 64},    {0xE5, 1, 64}, {0x96, 62, 0}};
  MidiBytes events, payload;
  std::string expected;
  for (size_t i = 0; i < 2000; ++i)
    for (int byte : kinds[i % kinds.size()])
      (byte >= 0x80 ? events.byte(0) : events).byte(byte), expected += static_cast<char>(byte);
  for (int i = 0; i < 65534; ++i) payload.byte(i % 0x80);
  events.sysex(0, 0xF0, payload.byte(0xF7)).end_of_track(0);
  expected += "\xF0"s + std::string(payload.data().begin(), payload.data().end());
  sequencer.find(128, 1)->taken_per_ms = 20;
  const Outcome outcome = play(MidiBytes().header(0, 1, 480).track(events), {"--out", kSynth});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(sequencer.find(128, 1)->received, expected);
  EXPECT_GT(sequencer.find(128, 1)->refused, 0) << "the pool never filled";
}

// A note at once on the synthesizer (track 0) and on the keyboard (track 1), each ending 20 s in, the
// synthesizer's volume set 1 s in: what happens once both sound ends the run at once (a destination that goes
// unannounced: at the next message to it), and the keyboard's note is released.
TEST_F(AlsaBackend, AGoneOrStoppedDestinationEndsTheRunWithItsErrorWhileTheOthersWindDown) {
  const MidiBytes song =
      MidiBytes()
          .header(1, 2, 480)
          .track(MidiBytes{0, 0x90, 60, 100}
                     .vlq(960)
                     .bytes({0xB0, 7, 90})
                     .vlq(37440)
                     .bytes({0x80, 60, 0})
                     .end_of_track(0))
          .track(MidiBytes{0, 0x91, 62, 100}.vlq(38400).bytes({0x81, 62, 0}).end_of_track(0));
  const std::string lost = "Error:  Lost the MIDI output port " + kSynth + ".\n";
  const auto stop_reading = [] {
    sequencer.find(128, 1)->used = 200;
    sequencer.find(128, 1)->taken_per_ms = 0;
    raise(SIGINT);
  };
  const struct {
    std::function<void()> then;
    int status, within_ms;
    std::string err;
  } rows[] = {
      {[] { sequencer.remove(128, 1); }, 1, 500, lost},
      {[] { sequencer.remove(128, -1); }, 1, 500, lost},
      {[] { sequencer.remove(128, 1, false); }, 1, 1500, lost},
      {[] { raise(SIGINT); }, 0, 500, ""},
      {stop_reading, 1, 500, "Error:  The MIDI output port " + kSynth + " stopped taking messages.\n"}};
  for (const auto& row : rows) {
    SetUp();
    sequencer.on_taken = [&row](Port& port) {
      if (port.client == 20 && port.received.size() == 3) row.then();
    };
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = play(song, {"--out", kSynth, "--track-out", "1", "1"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(row.within_ms)) << row.err;
    EXPECT_EQ(outcome.status, row.status) << row.err;
    EXPECT_EQ(outcome.err, row.err);
    EXPECT_EQ(sequencer.find(20, 0)->received, "\x91\x3E\x64\x81\x3E\x00"s) << row.err;
  }
}

}  // namespace
}  // namespace tactus::player::testing
