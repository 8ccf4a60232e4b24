// The words and the status line of the practice options in whole runs on
// the virtual-time platform; their tempo, transposition and loops are in the
// playback property.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "player/core/progress_line.h"
#include "support/midi_bytes.h"
#include "test_platform.h"

namespace tactus::player::testing {
namespace {

using Limits = std::vector<uint32_t>;
using test::MidiBytes;

// Runs "tactus <arguments> <song>", the song one track of `events` at 120
// beats a minute (48 ticks are 50 ms).
Outcome run_song(TestPlatform& platform, std::vector<std::string> arguments, MidiBytes events) {
  const test::TempFile song("song.mid", MidiBytes().header(0, 1, 480).track(events.end_of_track(0)));
  arguments.push_back(song.path());
  return run_tactus(platform, arguments);
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
TEST(Practice, AKaraokeFileShowsItsTextEventsAsTheyAreDueOnTheLinesTheyMark) {
  MidiBytes events = MidiBytes().meta(0, 0x01, MidiBytes().ascii("@KMIDI KARAOKE FILE"));
  events.meta(0, 0x01, MidiBytes().ascii("@TSong")).meta(0, 0x05, MidiBytes().ascii("lyric"));
  uint32_t delta = 192;
  for (const char* words : {"\\Hap", "py ", "birth/", "\\day\r\n", "to\x1b"}) {
    events.meta(delta, 0x01, MidiBytes().ascii(words));
    delta = 96;
  }
  TestPlatform platform;
  const Outcome outcome = run_song(platform, {"--lyrics", "--loop", "2", "--to", "tick:672"}, events);
  // The first pass starts sounding at its first words, the second 200 ms
  // before them, at the start of the range.
  EXPECT_EQ(outcome.out, "Happy birth\n\nday\nto\n\nHappy birth\n\nday\nto\n");
  EXPECT_EQ(platform.wait_limits, (Limits{100, 100, 100, 100, 100, 200, 100, 100, 100, 100, 100}));
}

TEST(Practice, TheStatusLineIsRewrittenInPlaceOrWrittenOncePerBar) {
  // Two seconds, to the start of bar 2, where 60 beats a minute are shown from.
  MidiBytes events = MidiBytes().bytes({0, 0xB0, 1, 0}).vlq(1920).bytes({0xB0, 1, 1});
  events.meta(0, 0x51, {0x0F, 0x42, 0x40});
  const std::vector<std::string> arguments = {"--progress", "--tempo", "50",       "--loop",
                                              "2",          "--to",    "tick:1920"};
  TestPlatform platform;
  EXPECT_EQ(run_song(platform, arguments, events).err,
            "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 1 of 2\n"
            "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 2 of 2\n"
            "bar 2:1.000  0:00:02 / 0:00:02  30.0 bpm  pass 2 of 2\n");
  TestPlatform terminal;
  terminal.terminals = true;
  const std::vector<std::string> drawn = rows(run_song(terminal, arguments, events).err);
  // Before the first "\r" nothing; then every 100 ms for 8 s, and once at the end.
  EXPECT_EQ(drawn.size(), 82u);
  EXPECT_EQ(terminal.wait_limits, Limits(80, 100));
  EXPECT_EQ(drawn[11], "bar 1:2.000  0:00:00 / 0:00:02  60.0 bpm  pass 1 of 2");
  EXPECT_EQ(drawn[41], "bar 1:1.000  0:00:00 / 0:00:02  60.0 bpm  pass 2 of 2");
  EXPECT_EQ(drawn.back(), "bar 2:1.000  0:00:02 / 0:00:02  30.0 bpm  pass 2 of 2\n");
}

// A text event is no word outside a karaoke file.
TEST(Practice, WordsAndTheStatusLineShareTheTerminalsRow) {
  MidiBytes events = MidiBytes().meta(0, 0x05, MidiBytes().ascii("Hel"));
  events.meta(0, 0x01, MidiBytes().ascii("not a word")).meta(144, 0x05, MidiBytes().ascii("lo/"));
  TestPlatform platform;
  platform.terminals = true;
  const Outcome outcome = run_song(platform, {"--lyrics", "--progress"}, events);
  EXPECT_EQ(outcome.out, "Hello\n");
  // The status moves aside for the words, then follows them until their line ends.
  const std::vector<std::string> drawn = rows(outcome.err);
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
