// The ALSA backend on the stand-in sequencer: the destinations it lists and where each track goes, and that
// nothing is lost in silence: a slow destination gets everything, a long system-exclusive message arrives
// whole, a destination that goes, or stops reading at Ctrl+C, ends the run with its error at once.
#include <gtest/gtest.h>
#include <signal.h>

#include "player/backends/posix/posix_platform.h"
#include "player/test_platform.h"
#include "sequencer_stand_in.h"
#include "support/midi_bytes.h"

namespace tactus::player::testing {
namespace {

using namespace std::string_literals;
using test::MidiBytes;
using test::sequencer;

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

  Outcome play(const MidiBytes& song, std::vector<std::string> arguments) {
    const test::TempFile file("song.mid", song);
    arguments.push_back(file.path());
    posix::PosixPlatform platform;
    return run_tactus(platform, arguments);
  }

  // "client:port bytes" of each port that received something.
  static std::string arrivals() {
    std::string text;
    for (const auto& port : sequencer.ports)
      if (!port.received.empty())
        text += std::to_string(port.client) + ":" + std::to_string(port.port) + " " + port.received + "; ";
    return text;
  }
};

// Ports of MIDI, synthesizer or application type that take writes and connections, as "client:port c:p".
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
      {{}, "20:0 \xB0\x01\x02\xC1\x03; "},  // the first that passes nothing through
      {{"--out", "3"}, "129:0 \xB0\x01\x02\xC1\x03; "},
      {{"--out", "Looper:in 131:0", "--track-out", "1", "0"}, "14:0 \xC1\x03; 131:0 \xB0\x01\x02; "}};
  for (const auto& [arguments, expected] : rows) {
    SetUp();
    EXPECT_EQ(play(song, arguments).status, 0);
    EXPECT_EQ(arrivals(), expected) << arguments.size();
  }
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
    sequencer.on_taken = [&row](test::StandInPort& port) {
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
