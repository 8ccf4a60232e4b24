// Loaded files against the same events created one by one with the public
// creators, whose sorted insertion defines the order both lists must have.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <vector>

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

  // Writes the message (one data byte if `b` is left out) and gives back `a`.
  int add_channel_message(int status, int a, int b = -1) {
    add_status(status);
    bytes_.byte(a);
    if (b >= 0) bytes_.byte(b);
    return a;
  }

  void add_message() {
    tick_ += add_delta();
    const int channel = pick(16);
    const int a = pick(128), b = pick(128);
    switch (pick(9)) {
      case 0:
        note_on_new(track_, tick_, channel, add_channel_message(0x90 | channel, a, b), b);
        break;
      case 1:
        note_off_new(track_, tick_, channel, add_channel_message(0x80 | channel, a, b), b);
        break;
      case 2:
        control_change_new(track_, tick_, channel, add_channel_message(0xB0 | channel, a, b), b);
        break;
      case 3:
        program_change_new(track_, tick_, channel, add_channel_message(0xC0 | channel, a));
        break;
      case 4:
        pitch_wheel_new(track_, tick_, channel, add_channel_message(0xE0 | channel, a, b) | b << 7);
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

// Beyond 64 tracks the merge of the tracks takes another path.
TEST(ReaderOrder, EqualsCreatingEveryEventInFileOrder) {
  const int track_counts[] = {1, 2, 3, 5, 16, 17, 64, 65, 130};
  for (unsigned seed = 1; seed <= std::size(track_counts); ++seed) {
    SCOPED_TRACE(seed);
    GeneratedFile file = generate_file(seed, track_counts[seed - 1]);
    expect_same_sequence(load(file.bytes).get(), file.expected.get());
  }
}

}  // namespace
}  // namespace tactus::test
