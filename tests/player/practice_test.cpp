// Practising from the keys on the virtual-time platform: pause, jumps, tempo, key, silenced tracks, a loop
// from the keys, the click and the count-in; and the synthesizer's state after every seam and jump, against
// a model synthesizer of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "player/core/console.h"
#include "player/core/playback.h"
#include "support/midi_bytes.h"
#include "test_platform.h"

namespace tactus::player::testing {
namespace {

using test::MidiBytes;

// Sixteen beats at 120 bpm (500 ms each): on track 1 note 40 + k at beat k for half a beat; on track 0 a
// marker at beat 8 and, with `meter`, 3/4 from bar 2.
MidiBytes beats_song(bool meter) {
  MidiBytes conductor;
  if (meter) conductor.meta(1920, 0x58, {3, 2, 24, 8});
  conductor.meta(meter ? 1920 : 3840, 0x06, MidiBytes().ascii("B")).end_of_track(3840);
  MidiBytes notes;
  for (int k = 0; k < 16; ++k)
    notes.vlq(k == 0 ? 0 : 240).bytes({0x90, 40 + k, 100}).vlq(240).bytes({0x80, 40 + k, 0});
  return MidiBytes().header(1, 2, 480).track(conductor).track(notes.end_of_track(0));
}

// "time note" for each note start, "time c76" for a click; up to `horizon` ms.
std::vector<std::string> note_starts(const TestPlatform& platform, uint64_t horizon) {
  std::vector<std::string> starts;
  for (const SentMessage& m : platform.sent)
    if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0 && m.time < horizon)
      starts.push_back(std::to_string(m.time) + ((m.bytes[0] & 0x0F) == 9 ? " c" : " ") +
                       std::to_string(m.bytes[1]));
  return starts;
}

// Notes first + k, a beat apart from `time`.
std::vector<std::string> beats(int first, int count, int time, int step = 500) {
  std::vector<std::string> out;
  for (int k = 0; k < count; ++k)
    out.push_back(std::to_string(time + k * step) + " " + std::to_string(first + k));
  return out;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(PracticeKeys, EachKeyIsHeardAtOnceAndOnlyFromATerminal) {
  const test::TempFile song("beats.mid", beats_song(false)), meter("meter.mid", beats_song(true));
  const std::vector<std::string> clicks = {"500 c77",  "500 41",  "1000 c77", "1000 42",
                                           "1500 c77", "1500 43", "2000 c76", "2000 44"};
  const std::vector<std::string> count_in = {"0 c76",    "1000 c77",  "2000 c77", "3000 c77",  "4000 c76",
                                             "4000 40",  "5000 c77",  "5000 41",  "6000 c77",  "6000 42",
                                             "7000 c77", "7000 43",   "8000 c76", "8000 44",   "9000 c77",
                                             "9000 45",  "10000 c77", "10000 46", "11000 c76", "11000 47"};
  const struct {
    std::vector<std::string> options;
    std::vector<std::pair<uint64_t, int32_t>> keys;
    uint64_t horizon;
    std::vector<std::string> starts;
    bool keyboard = true;
    bool meter = false;
  } rows[] = {
      {{}, {{1200, ' '}, {3200, ' '}}, 4001, beats(40, 3, 0) + beats(43, 2, 3500)},  // the clock stops 2 s
      {{}, {{1200, ' '}}, 1501, beats(40, 4, 0), false},                             // no terminal: as ever
      {{}, {{700, kKeyRight}}, 1201, beats(40, 2, 0) + beats(44, 2, 700)},
      {{}, {{2100, kKeyLeft}}, 2601, beats(40, 5, 0) + beats(40, 2, 2100)},
      {{"--from", "mb:2:1"}, {{700, kKeyHome}}, 1201, beats(44, 2, 0) + beats(44, 2, 700)},
      {{}, {{700, '.'}}, 1201, beats(40, 2, 0) + beats(48, 2, 700)},
      {{}, {{4700, ','}}, 4701, beats(40, 10, 0) + beats(48, 1, 4700)},
      {{}, {{1250, '+'}}, 1965, beats(40, 3, 0) + beats(43, 1, 1488) + beats(44, 1, 1964)},
      {{}, {{1250, '-'}}, 2041, beats(40, 3, 0) + beats(43, 1, 1513) + beats(44, 1, 2040)},
      {{}, {{700, ']'}}, 1501, beats(40, 2, 0) + beats(43, 2, 1000)},
      {{}, {{700, '1'}, {1700, '1'}}, 2501, beats(40, 2, 0) + beats(44, 2, 2000)},
      {{},
       {{2100, 'a'}, {4100, 'b'}, {6600, 'q'}},
       100000,
       beats(40, 9, 0) + beats(44, 1, 4100) + beats(45, 3, 4500) + beats(44, 2, 6000)},
      {{}, {{250, 'c'}}, 2001, std::vector<std::string>{"0 40"} + clicks},
      {{}, {{1200, 'q'}}, 100000, beats(40, 3, 0)},
      {{"--click", "--from", "mb:1:3", "--to", "mb:2:1", "--loop", "2"},
       {},
       100000,  // on the beat across the seam
       {"0 c77", "0 42", "500 c77", "500 43", "1000 c77", "1000 42", "1500 c77", "1500 43"}},
      {{"--click", "--count-in", "1", "--tempo", "50"}, {}, 11001, count_in, true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.options) + " " + ::testing::PrintToString(row.keys));
    TestPlatform platform;
    platform.keyboard = row.keyboard;
    for (const auto& [time, key] : row.keys) platform.key_at(time, key);
    std::vector<std::string> arguments = row.options;
    arguments.push_back(row.meter ? meter.path() : song.path());
    EXPECT_EQ(run_tactus(platform, arguments).status, 0);
    EXPECT_EQ(note_starts(platform, row.horizon), row.starts);
    EXPECT_FALSE(platform.keys_taken);
  }
}

// A pause ends the note sounding, a change of key too; `?` prints the keys.
TEST(PracticeKeys, PauseAndKeyChangeEndTheSoundingNoteAndTheKeysArePrinted) {
  const test::TempFile song("beats.mid", beats_song(false));
  for (const int32_t key : {' ', ']'}) {
    TestPlatform platform;
    platform.keyboard = true;
    platform.key_at(700, key);
    platform.key_at(900, key == ' ' ? ' ' : '?');
    const Outcome outcome = run_tactus(platform, {song.path()});
    EXPECT_NE(std::find(platform.sent.begin(), platform.sent.end(),
                        SentMessage{kDefaultDevice, 700, {0x80, 41, 0}}),
              platform.sent.end())
        << key;
    EXPECT_EQ(outcome.err, key == ' ' ? "" : kKeysHelp);
  }
}

// A General MIDI synthesizer's channel as MIDI 1.0 defines it, with the power-on values of General MIDI and
// Reset All Controllers as the MIDI Manufacturers Association recommends it (RP-015).
struct ModelChannel {
  int program = 0, bend = 8192, pressure = 0;
  std::pair<int, int> program_bank{0, 0};  // a bank takes effect with the next program change
  std::array<int, 128> controllers{};
  bool non_registered = false;              // the kind of parameter that data entry reaches
  std::map<int, std::pair<int, int>> data;  // parameter (bit 14: non-registered) -> data MSB, LSB
  std::set<int> notes;

  ModelChannel() { controllers[7] = 100, controllers[10] = 64, controllers[11] = 127; }

  static std::pair<int, int> power_on(int parameter) {
    return parameter == 0                     ? std::pair{2, 0}
           : parameter == 1 || parameter == 2 ? std::pair{64, 0}
                                              : std::pair{0, 0};
  }

  void receive(int status, int first, int second) {
    if (status == 0x90 && second > 0) notes.insert(first);
    if (status == 0x80 || (status == 0x90 && second == 0)) notes.erase(first);
    if (status == 0xC0) program = first, program_bank = {controllers[0], controllers[32]};
    if (status == 0xD0) pressure = first;
    if (status == 0xE0) bend = first | second << 7;
    if (status != 0xB0) return;
    if (first == 6 || first == 38 || first == 96 || first == 97) {
      const int msb = controllers[non_registered ? 99 : 101], lsb = controllers[non_registered ? 98 : 100];
      if (msb == 127 && lsb == 127) return;  // the null parameter
      const int parameter = (non_registered ? 1 << 14 : 0) | msb << 7 | lsb;
      auto& [data_msb, data_lsb] = data.try_emplace(parameter, power_on(parameter)).first->second;
      if (first == 6) data_msb = second;
      if (first == 38) data_lsb = second;
      // Increment and decrement: one step of the 14-bit value, which stays within its range.
      const int stepped = std::clamp(data_msb * 128 + data_lsb + (first == 96) - (first == 97), 0, 16383);
      data_msb = stepped / 128, data_lsb = stepped % 128;
      return;
    }
    if (first >= 98 && first <= 101) non_registered = first <= 99;
    if (first == 121) {
      for (int c : {1, 64, 65, 66, 67}) controllers[c] = 0;
      controllers[11] = 127;
      for (int c = 98; c <= 101; ++c) controllers[c] = 127;
      bend = 8192, pressure = 0;
      return;
    }
    if (first < 120) controllers[first] = second;
  }

  // What sounds alike: the parameters' data as the power-on values fill it in.
  bool same_state(const ModelChannel& other) const {
    auto state = [](const ModelChannel& c) {
      std::map<int, std::pair<int, int>> data;
      for (const auto& [parameter, value] : c.data)
        if (value != power_on(parameter)) data[parameter] = value;
      return std::tuple(c.program, c.program_bank, c.bend, c.pressure, c.controllers, c.non_registered, data);
    };
    return state(*this) == state(other);
  }
};

using ModelSynthesizer = std::array<ModelChannel, 16>;

void receive(ModelSynthesizer& synthesizer, uint32_t status, uint32_t first, uint32_t second) {
  if (status < 0xF0) synthesizer[status & 0x0F].receive(static_cast<int>(status & 0xF0), first, second);
}

// Random songs of controllers, parameters, banks, programs, bends, pressure and notes on a 60-tick grid at
// 120 bpm, three tracks on two ports; a loop of two passes over a range whose ends lie between grid ticks;
// in the second pass Home, perhaps followed by the right arrow. At the seam and after the keys the model
// that heard what the player sent is in the state of one that heard the song up to the point.
TEST(PracticeState, AtEverySeamAndJumpTheSynthesizerIsAsIfTheSongHadPlayedFromItsStart) {
  const unsigned char gm_on[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const auto below = [&](uint32_t n) { return static_cast<int>(random() % n); };
    Sequence* song = sequence_new(1, DIVISION_PPQ, 480);
    Track* tracks[] = {sequence_add_track(song), sequence_add_track(song), sequence_add_track(song)};
    sysex_new(tracks[0], 0, sizeof gm_on, gm_on);
    for (int n = 0; n < 300; ++n) {
      const int kind = below(8), channel = below(3), tick = below(512) * 60, value = below(128);
      const int controller = std::array{0,  32, 1,   7,   10,  11, 64, 65, 6,  38,
                                        98, 99, 100, 101, 121, 96, 97, 2,  33, 123}[below(20)];
      const int selection = std::array{0, 1, 2, 127, value}[below(5)];
      const uint32_t status =
          std::array{0x90u, 0x80u, 0xB0u, 0xB0u, 0xB0u, 0xC0u, 0xD0u, 0xE0u}[kind] | channel;
      const int first = kind < 2 ? 60 + below(4) : kind < 5 ? controller : value;
      const int second = kind < 5 && controller >= 98 && controller <= 101 ? selection : below(128);
      event_new_from_short_message(tracks[below(3)], tick, status | first << 8 | second << 16);
    }
    const int32_t from = (64 + below(128)) * 60 + 30, to = from + (64 + below(200)) * 60;
    const auto due = [](int32_t tick) { return static_cast<uint64_t>(tick * 1000.0 / 960.0); };
    const uint64_t seam = due(to) - due(from),
                   key_time = seam + 1 + static_cast<uint64_t>(below(static_cast<uint32_t>(seam - 40)));
    const int rights = below(2);
    int32_t target = rights == 0 ? from : (from / 1920 + 1) * 1920;

    TestPlatform platform;
    platform.keyboard = true;
    platform.device_names = {"first", "second"};
    platform.key_at(key_time, kKeyHome);
    if (rights > 0) platform.key_at(key_time, kKeyRight);
    MidiPort* first_port = platform.open_output(0);
    MidiPort* ports[] = {first_port, platform.open_output(1), first_port};
    PracticeOptions practice;
    practice.loop_count = 2;
    ASSERT_NO_THROW(play_sequence(platform, song, ports, from, to, 0, practice));

    for (const auto& [cut, point, last_included] :
         {std::tuple{seam, from, from}, std::tuple{key_time, target, target}}) {
      std::map<int32_t, ModelSynthesizer> heard, played;
      for (const SentMessage& m : platform.sent)
        if (m.time <= cut)
          receive(heard[m.device], m.bytes[0], m.bytes[1], m.bytes.size() > 2 ? m.bytes[2] : 0);
      for (Event* e = sequence_get_first_event(song); e != nullptr && event_get_tick(e) <= last_included;
           e = event_get_next_in_sequence(e)) {
        if (event_get_kind(e) == SYSEX) continue;
        const uint32_t m = event_to_short_message(e);
        receive(played[track_get_number(event_get_track(e)) == 1 ? 1 : 0], m & 0xFF, m >> 8 & 0xFF, m >> 16);
      }
      for (int32_t device : {0, 1})
        for (int channel = 0; channel < 3; ++channel) {
          EXPECT_TRUE(heard[device][channel].same_state(played[device][channel]))
              << "at " << cut << " ms, tick " << point << ", device " << device << ", channel " << channel;
          EXPECT_TRUE(cut != seam || heard[device][channel].notes.empty());
        }
    }
    EXPECT_EQ(
        std::count_if(platform.sent.begin(), platform.sent.end(), [](auto& m) { return m.bytes[0] == 0xF0; }),
        1);
    sequence_free(song);
  }
}

}  // namespace
}  // namespace tactus::player::testing
