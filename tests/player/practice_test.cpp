// The practice options on the virtual-time platform: tempo, transposition,
// loops, words and the status line.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "player/core/playback.h"
#include "test_platform.h"

namespace tactus::player::testing {
namespace {

// 480 ticks a quarter at the default 120 beats a minute: 480 ticks are 0.5 s.
// Events are "<tick>:<status> <data bytes in hex>", joined by ", ".
class Practice : public ::testing::Test {
 protected:
  Practice() { platform.device_names = {"first"}; }
  ~Practice() override {
    sequence_free(sequence);
    std::fclose(out);
    std::fclose(err);
  }

  void add(const std::string& events) {
    std::istringstream list(events);
    for (std::string event; std::getline(list, event, ',');) {
      std::istringstream fields(event);
      int32_t tick = 0;
      uint32_t status = 0, first = 0, second = 0;
      char colon;
      fields >> tick >> colon >> std::hex >> status >> first >> second;
      event_new_from_short_message(track, tick, status | first << 8 | second << 16);
    }
  }
  void text(int32_t tick, const std::string& words) {
    meta_new(track, tick, 0x01, static_cast<int32_t>(words.size()),
             reinterpret_cast<const unsigned char*>(words.data()));
  }
  void play(int32_t from_tick = -1, int32_t to_tick = -1) {
    platform.sent.clear();
    platform.wait_limits.clear();
    start_ = platform.now();
    std::vector<MidiPort*> ports{platform.open_output(0)};
    ASSERT_NO_THROW(play_sequence(platform, sequence, ports, from_tick, to_tick, 0, practice));
  }
  std::string sent() const {
    std::vector<SentMessage> messages = platform.sent;
    for (SentMessage& message : messages) message.time -= start_;
    return describe(messages);
  }
  static std::string written(std::FILE* stream) {
    std::string text(static_cast<size_t>(std::ftell(stream)), '\0');
    std::rewind(stream);
    text.resize(std::fread(text.data(), 1, text.size(), stream));
    return text;
  }
  // The rows of a status line rewritten in place, each without its "\r".
  static std::vector<std::string> rows(const std::string& text) {
    std::vector<std::string> rows;
    std::istringstream stream(text);
    for (std::string row; std::getline(stream, row, '\r');) rows.push_back(row);
    return rows;
  }

  TestPlatform platform;
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 480);
  Track* track = sequence_add_track(sequence);
  PracticeOptions practice;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  uint64_t start_ = 0;
};

using Limits = std::vector<uint32_t>;

TEST_F(Practice, TheTempoScalesEveryDueTime) {
  add("0:B0 01 00, 240:B0 01 01, 480:B0 01 02, 1440:B0 01 03");  // 0, 0.25, 0.5 and 1.5 s
  practice.tempo_percent = 50;
  play();
  EXPECT_EQ(sent(), "0 B00100, 500 B00101, 1000 B00102, 3000 B00103");
  practice.tempo_percent = 150;
  play();
  EXPECT_EQ(sent(), "0 B00100, 166 B00101, 333 B00102, 1000 B00103");
}

TEST_F(Practice, TransposesAllButThePercussionAndLeavesOutNotesShiftedOutOfRange) {
  add("0:90 3C 64, 0:99 24 64, 0:91 7E 64, 0:92 40 64, 0:A0 3C 10, 96:80 3C 00, 96:81 7E 00");
  practice.transpose = 2;
  play();
  // Notes still sounding at the end are released as they were sent.
  EXPECT_EQ(sent(), "0 903E64, 0 992464, 0 924264, 0 A03E10, 100 803E00, 100 824200, 100 892400");
  platform.interrupt_at(platform.now() + 50);
  play();
  EXPECT_EQ(sent(), "0 903E64, 0 992464, 0 924264, 0 A03E10, 50 803E00, 50 824200, 50 892400");
  practice.transpose = std::numeric_limits<int32_t>::min();
  play();
  EXPECT_EQ(sent(), "0 992464, 100 892400");
}

TEST_F(Practice, EachPassChasesTheStateAndBeginsWhereTheOneBeforeEnds) {
  // The range is ticks 480 to 960; the events at 960 belong to no pass.
  add("0:C0 05, 0:90 30 64, 240:B0 07 50, 480:90 3C 64, 720:B0 01 01, 960:90 3E 64, 960:B0 02 02");
  practice.loop_count = 2;
  play(480, 960);
  EXPECT_EQ(sent(),
            "0 C00500, 0 B00750, 0 903C64, 250 B00101, 500 803C00, 500 C00500, 500 B00750, 500 903C64, "
            "750 B00101, 1000 B00202, 1000 803C00");
  EXPECT_EQ(platform.wait_limits, Limits(4, 250));
  practice.loop_count = 0;
  platform.interrupt_at(platform.now() + 1600);
  play(480, 960);
  const std::string last_pass = sent();
  EXPECT_EQ(last_pass.substr(last_pass.rfind(", 1500 ") + 2),
            "1500 903C64, 1600 B00101, 1600 B00202, 1600 803C00");
}

TEST_F(Practice, LyricsAreShownAsTheyAreDueOnTheLinesTheirTextMarks) {
  int32_t tick = 0;
  for (const char* words : {"\\Hel", "lo ", "world/", "\\Sec", "ond\r\n", "line\x1b"}) {
    lyric_new(track, tick, words);
    tick += 96;
  }
  text(48, "not a karaoke file");
  practice.lyrics = out;
  play();
  EXPECT_EQ(written(out), "Hello world\n\nSecond\nline\n");
  EXPECT_EQ(platform.wait_limits, Limits(5, 100));
}

TEST_F(Practice, AKaraokeFileShowsItsTextEventsWithoutTheHeaders) {
  text(0, "@KMIDI KARAOKE FILE");
  text(0, "@TSong");
  lyric_new(track, 0, "lyric");
  text(192, "Hap");
  text(240, "py");
  text(480, "/birth");
  text(576, "day");
  practice.lyrics = out;
  practice.loop_count = 2;
  play(-1, 672);
  // Each pass begins a paragraph. The first pass starts sounding at its
  // first words, the second 200 ms before them, at the start of the range.
  EXPECT_EQ(written(out), "Happy\nbirthday\n\nHappy\nbirthday\n");
  EXPECT_EQ(platform.wait_limits, (Limits{50, 250, 100, 100, 200, 50, 250, 100, 100}));
}

TEST_F(Practice, TheStatusLineIsRewrittenInPlaceOrWrittenOncePerBar) {
  add("0:B0 01 00, 1920:B0 01 01");  // two seconds, to the start of bar 2
  practice.tempo_percent = 50;
  practice.loop_count = 2;
  practice.progress = out;  // not a terminal
  play(-1, 1920);
  EXPECT_EQ(written(out),
            "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 1 of 2\n"
            "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 2 of 2\n"
            "bar 2:1.000  0:00:02 / 0:00:02  60.0 bpm  pass 2 of 2\n");
  practice.progress = err;
  platform.terminals = {err};
  play(-1, 1920);
  const std::vector<std::string> drawn = rows(written(err));
  // Before the first "\r" nothing; then every 100 ms for 8 s, and once at the end.
  EXPECT_EQ(drawn.size(), 82u);
  EXPECT_EQ(drawn[11], "bar 1:2.000  0:00:00 / 0:00:02  60.0 bpm  pass 1 of 2");
  EXPECT_EQ(drawn[41], "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 2 of 2");
  EXPECT_EQ(drawn.back(), "bar 2:1.000  0:00:02 / 0:00:02  60.0 bpm  pass 2 of 2\n");
}

TEST_F(Practice, WordsAndTheStatusLineShareTheTerminalsRow) {
  lyric_new(track, 0, "Hel");
  lyric_new(track, 144, "lo/");
  practice.lyrics = out;
  practice.progress = err;
  platform.terminals = {out, err};
  play();
  EXPECT_EQ(written(out), "Hello\n");
  // The status moves aside for the words, then follows them until their line ends.
  const std::vector<std::string> drawn = rows(written(err));
  EXPECT_EQ(drawn[4], "Hel  bar 1:1.000  0:00:00 / 0:00:00  120.0 bpm");
  EXPECT_EQ(drawn[7], "Hel");
  EXPECT_EQ(drawn[8], "bar 1:1.300  0:00:00 / 0:00:00  120.0 bpm");
}

}  // namespace
}  // namespace tactus::player::testing
