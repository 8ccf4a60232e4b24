// Loaded files against the same events created one by one with the public
// creators, whose sorted insertion defines the order both lists must have.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <vector>

#include "smf/reader.h"
#include "support/midi_bytes.h"
#include "tests/smf/reader_compare.h"

namespace tactus::test {
namespace {

// Writes random messages of one track into a track chunk and, message by
// message, creates the events the reader should make of them.
class TrackGenerator {
 public:
  TrackGenerator(std::mt19937& random, Track* expected) : random_(random), track_(expected) {}

  MidiBytes generate(int messages) {
    for (int i = 0; i < messages; ++i) add_message();
    if (pick(4) > 0) {
      tick_ += add_delta();
      add_status(0xFF);
      bytes_.bytes({0x2F, 0x00});
      track_set_end_tick(track_, tick_);
    }
    return bytes_;
  }

 private:
  int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

  // Mostly equal ticks, so that many events of different tracks meet.
  uint32_t add_delta() {
    const int choice = pick(10);
    const uint32_t delta = choice < 5   ? 0
                           : choice < 9 ? static_cast<uint32_t>(pick(30))
                                        : static_cast<uint32_t>(100000 + pick(1000));
    bytes_.vlq(delta);
    return delta;
  }

  // Leaves the status out now and then when the remembered one serves; not
  // for the system messages without data, where the next delta time would
  // stand in the status position.
  void add_status(int status) {
    if (status != remembered_ || status >= 0xF8 || pick(3) == 0) bytes_.byte(status);
    remembered_ = status;
  }

  void add_message() {
    tick_ += add_delta();
    const int channel = pick(16);
    const int a = pick(128), b = pick(128);
    switch (pick(9)) {
      case 0:
        add_status(0x90 | channel);
        bytes_.bytes({a, b});
        note_on_new(track_, tick_, channel, a, b);
        break;
      case 1:
        add_status(0x80 | channel);
        bytes_.bytes({a, b});
        note_off_new(track_, tick_, channel, a, b);
        break;
      case 2:
        add_status(0xB0 | channel);
        bytes_.bytes({a, b});
        control_change_new(track_, tick_, channel, a, b);
        break;
      case 3:
        add_status(0xC0 | channel);
        bytes_.byte(a);
        program_change_new(track_, tick_, channel, a);
        break;
      case 4:
        add_status(0xE0 | channel);
        bytes_.bytes({a, b});
        pitch_wheel_new(track_, tick_, channel, a | b << 7);
        break;
      case 5: {
        add_status(0xFF);
        const std::vector<unsigned char> payload(static_cast<size_t>(pick(5)), static_cast<unsigned char>(b));
        bytes_.byte(a == 0x2F ? 0x01 : a).vlq(static_cast<uint32_t>(payload.size()));
        for (unsigned char c : payload) bytes_.byte(c);
        meta_new(track_, tick_, a == 0x2F ? 0x01 : a, static_cast<int32_t>(payload.size()), payload.data());
        break;
      }
      case 6: {
        const int status = pick(2) ? 0xF0 : 0xF7;
        add_status(status);
        std::vector<unsigned char> data{static_cast<unsigned char>(status)};
        data.resize(static_cast<size_t>(1 + pick(6)), static_cast<unsigned char>(a));
        bytes_.vlq(static_cast<uint32_t>(data.size() - 1));
        for (size_t i = 1; i < data.size(); ++i) bytes_.byte(data[i]);
        sysex_new(track_, tick_, static_cast<int32_t>(data.size()), data.data());
        break;
      }
      default:  // a system message that makes nothing, its delta still counting
        add_status(0xF8 + pick(4));
        break;
    }
  }

  std::mt19937& random_;
  Track* track_;
  MidiBytes bytes_;
  int32_t tick_ = 0;
  int remembered_ = 0;
};

struct GeneratedFile {
  MidiBytes bytes;
  SequencePtr expected;
};

GeneratedFile generate_file(unsigned seed, int tracks) {
  std::mt19937 random(seed);
  GeneratedFile file{MidiBytes().header(1, static_cast<uint32_t>(tracks), 0x01E0),
                     SequencePtr(sequence_new(1, DIVISION_PPQ, 480))};
  for (int number = 0; number < tracks; ++number) {
    TrackGenerator generator(random, sequence_add_track(file.expected.get()));
    file.bytes.track(generator.generate(number % 7 == 6 ? 0 : 40 + static_cast<int>(random() % 200)));
  }
  return file;
}

struct OrderCase {
  unsigned seed;
  int tracks;
};

void PrintTo(const OrderCase& file, std::ostream* out) {
  *out << file.tracks << " tracks from seed " << file.seed;
}

class ReaderOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ReaderOrder, EqualsCreatingEveryEventInFileOrder) {
  GeneratedFile file = generate_file(GetParam().seed, GetParam().tracks);
  SequencePtr loaded(internal::load_sequence_from_memory(file.bytes.begin(), file.bytes.size()));
  expect_same_sequence(loaded.get(), file.expected.get());
}

// Beyond 64 tracks the merge of the tracks takes another path.
INSTANTIATE_TEST_SUITE_P(GeneratedFiles, ReaderOrder,
                         ::testing::Values(OrderCase{1, 1}, OrderCase{2, 2}, OrderCase{3, 3}, OrderCase{4, 5},
                                           OrderCase{5, 16}, OrderCase{6, 17}, OrderCase{7, 64},
                                           OrderCase{8, 65}, OrderCase{9, 130}));

}  // namespace
}  // namespace tactus::test
