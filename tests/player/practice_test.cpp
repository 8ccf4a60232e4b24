// The words and the status line of the practice options on the virtual-time
// platform; their tempo, transposition and loops are in the playback property.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "player/core/playback.h"
#include "player/core/progress_line.h"
#include "test_platform.h"

namespace tactus::player::testing {
namespace {

using Limits = std::vector<uint32_t>;

// One track at 120 beats a minute (48 ticks are 50 ms), played to device 0;
// two streams for the words and the status line.
class Practice : public ::testing::Test {
 protected:
  Practice() { platform.device_names = {"first"}; }
  ~Practice() override {
    sequence_free(sequence);
    std::fclose(out);
    std::fclose(err);
  }
  void play(int32_t from_tick = -1, int32_t to_tick = -1) {
    platform.wait_limits.clear();
    std::vector<MidiPort*> ports{platform.open_output(0)};
    ASSERT_NO_THROW(play_sequence(platform, sequence, ports, from_tick, to_tick, 0, practice));
  }

  TestPlatform platform;
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 480);
  Track* track = sequence_add_track(sequence);
  PracticeOptions practice;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
};

void text(Track* track, int32_t tick, const std::string& words) {
  meta_new(track, tick, 0x01, static_cast<int32_t>(words.size()),
           reinterpret_cast<const unsigned char*>(words.data()));
}

// The rows of a status line rewritten in place, each without its "\r".
std::vector<std::string> rows(const std::string& text) {
  std::vector<std::string> rows;
  std::istringstream stream(text);
  for (std::string row; std::getline(stream, row, '\r');) rows.push_back(row);
  return rows;
}

// The words of a karaoke file are its text events but the headers; a line
// ends at "/" or a line break, a paragraph begins at "\" and with each pass.
TEST_F(Practice, AKaraokeFileShowsItsTextEventsAsTheyAreDueOnTheLinesTheyMark) {
  text(track, 0, "@KMIDI KARAOKE FILE");
  text(track, 0, "@TSong");
  lyric_new(track, 0, "lyric");
  int32_t tick = 192;
  for (const char* words : {"\\Hap", "py ", "birth/", "\\day\r\n", "to\x1b"}) {
    text(track, tick, words);
    tick += 96;
  }
  practice.lyrics = out;
  practice.loop_count = 2;
  play(-1, 672);
  // The first pass starts sounding at its first words, the second 200 ms
  // before them, at the start of the range.
  EXPECT_EQ(written(out), "Happy birth\n\nday\nto\n\nHappy birth\n\nday\nto\n");
  EXPECT_EQ(platform.wait_limits, (Limits{100, 100, 100, 100, 100, 200, 100, 100, 100, 100, 100}));
}

TEST_F(Practice, TheStatusLineIsRewrittenInPlaceOrWrittenOncePerBar) {
  control_change_new(track, 0, 0, 1, 0);
  control_change_new(track, 1920, 0, 1, 1);  // two seconds, to the start of bar 2
  tempo_new(track, 1920, 60);                // shown from bar 2 on
  practice.tempo_percent = 50;
  practice.loop_count = 2;
  practice.progress = out;  // not a terminal
  play(-1, 1920);
  EXPECT_EQ(written(out),
            "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 1 of 2\n"
            "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 2 of 2\n"
            "bar 2:1.000  0:00:02 / 0:00:02  30.0 bpm  pass 2 of 2\n");
  practice.progress = err;
  platform.terminals = {err};
  play(-1, 1920);
  const std::vector<std::string> drawn = rows(written(err));
  // Before the first "\r" nothing; then every 100 ms for 8 s, and once at the end.
  EXPECT_EQ(drawn.size(), 82u);
  EXPECT_EQ(platform.wait_limits, Limits(80, 100));
  EXPECT_EQ(drawn[11], "bar 1:2.000  0:00:00 / 0:00:02  60.0 bpm  pass 1 of 2");
  EXPECT_EQ(drawn[41], "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 2 of 2");
  EXPECT_EQ(drawn.back(), "bar 2:1.000  0:00:02 / 0:00:02  30.0 bpm  pass 2 of 2\n");
}

TEST_F(Practice, WordsAndTheStatusLineShareTheTerminalsRow) {
  lyric_new(track, 0, "Hel");
  lyric_new(track, 144, "lo/");
  text(track, 0, "not a word");
  practice.lyrics = out;
  practice.progress = err;
  platform.terminals = {out, err};
  play();
  EXPECT_EQ(written(out), "Hello\n");
  // The status moves aside for the words, then follows them until their line ends.
  const std::vector<std::string> drawn = rows(written(err));
  EXPECT_EQ(drawn[4], "Hel  bar 1:1.000  0:00:00 / 0:00:00  120.0 bpm");
  EXPECT_EQ(drawn[6], "Hel" + std::string(43, ' '));  // spaces cover the longer row before
  EXPECT_EQ(drawn[7], "Hel");
  EXPECT_EQ(drawn[8], "bar 1:1.300  0:00:00 / 0:00:00  120.0 bpm");
}

TEST(ProgressText, TimesInWholeSecondsThePassOnlyInALoopAndNoMoreThanTheBufferHolds) {
  const struct {
    double seconds, total;
    int64_t pass, pass_count;
    size_t size;
    std::string text;
  } rows[] = {{3725.9, 185, 2, 4, 80, "bar 9:1.000  1:02:05 / 0:03:05  90.0 bpm  pass 2 of 4"},
              {-1, std::nan(""), 3, 0, 80, "bar 9:1.000  0:00:00 / 0:00:00  90.0 bpm  pass 3"},
              {0, 0, 3, 0, 46, "bar 9:1.000  0:00:00 / 0:00:00  90.0 bpm  pas"},
              {0, 0, 1, 1, 52, "bar 9:1.000  0:00:00 / 0:00:00  90.0 bpm  pass 1 of"},
              {0, 0, 1, 1, 12, "bar 9:1.000"}};
  for (const auto& row : rows) {
    char text[80];
    EXPECT_EQ(
        format_progress(text, row.size, "9:1.000", row.seconds, row.total, 90, row.pass, row.pass_count),
        row.text.size());
    EXPECT_EQ(text, row.text);
  }
}

}  // namespace
}  // namespace tactus::player::testing
