// Whole runs on the virtual-time platform: messages, routing, solo and mute,
// the range and other options, the words and the status line.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "common/text_decoder.h"
#include "player/core/console.h"
#include "player/core/progress_line.h"
#include "player/core/text_width.h"
#include "support/midi_bytes.h"
#include "test_platform.h"

namespace tactus::player::testing {
namespace {

using test::MidiBytes;

const std::string kUsage =
    "Usage:  bin/tactus [ --out <device id> ] [ --track-out <n> <device id> ] ... [ --from ( tick:<tick> | "
    "beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | "
    "marker:<marker> ) ] [ --to ( tick:<tick> | beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | "
    "hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | marker:<marker> ) ] [ ( --solo-track <n> ) ... | ( "
    "--mute-track <n> ) ... ] [ --extra-time <seconds> ] [ -- ] <filename.mid>\n"
    "        [ --tempo <percent> ] [ --transpose <semitones> ] [ --loop <count> ] [ --lyrics ] [ --progress "
    "] [ --click ] [ --count-in <bars> ] [ --encoding <name> ]\n";

// Track t holds a note on channel t at beat t, which shows where the track
// went and whether it was in range; track 0 a marker at beat 2 and 90 bpm.
MidiBytes tagged_tracks() {
  MidiBytes file;
  file.header(1, 4, 480);
  for (int t = 0; t < 4; ++t) {
    MidiBytes events;
    if (t == 0) events.meta(0, 0x51, {0x0A, 0x2C, 0x2B});
    events.vlq(480 * t).bytes({0x90 | t, 60, 64});
    if (t == 0) events.meta(960, 0x06, MidiBytes().ascii("Bridge"));
    file.track(events.end_of_track(0));
  }
  return file;
}

constexpr int32_t kSilent = -2;

class Run : public ::testing::Test {
 protected:
  Run() { platform.device_names = {"first", "second", "0", "--to"}; }

  // Runs "tactus <arguments>", "@SONG@" standing for the song's path, and checks the status and both streams.
  void expect_run(std::vector<std::string> arguments, int status, const std::string& out,
                  const std::string& err) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    platform.sent.clear();
    platform.wait_limits.clear();
    for (std::string& argument : arguments) argument = argument == "@SONG@" ? song.path() : argument;
    const Outcome outcome = run_tactus(platform, arguments);
    EXPECT_EQ(outcome.status, status);
    EXPECT_EQ(outcome.out, out);
    EXPECT_EQ(outcome.err, err);
  }

  // Runs "tactus <arguments> <words.mid>", the file one track of `events` at
  // 120 beats a minute (48 ticks are 50 ms).
  Outcome run_song(std::vector<std::string> arguments, MidiBytes events) {
    platform.wait_limits.clear();
    const test::TempFile words("words.mid", MidiBytes().header(0, 1, 480).track(events.end_of_track(0)));
    arguments.push_back(words.path());
    return run_tactus(platform, arguments);
  }

  // The device that received each track's note, by track.
  std::vector<int32_t> devices_of_tracks() const {
    std::vector<int32_t> devices(4, kSilent);
    for (const SentMessage& message : platform.sent)
      if (message.bytes[0] >= 0x90 && message.bytes[0] < 0x94)
        devices[message.bytes[0] - 0x90] = message.device;
    return devices;
  }

  TestPlatform platform;
  test::TempFile song{"song.mid", tagged_tracks()};
};

TEST_F(Run, UsageAndErrorMessagesWithTheirStreamsAndStatus) {
  const std::string no_such = "Error:  No such MIDI output device ";
  const std::string cannot_open = "Error:  Cannot open ";
  const struct {
    std::vector<std::string> arguments;
    std::string out, err;
  } cases[] = {
      {{}, "", kUsage},
      {{"--extra-time", "1"}, "", kUsage},
      {{"--shuffle", "@SONG@"}, "", kUsage},  // an unknown word is a second file name
      {{"@SONG@", "--track-out", "1"}, "", kUsage},
      {{"--track-out", " -2x", "0", "@SONG@"}, "", kUsage},
      {{"--", "--help"}, "", cannot_open + "\"--help\".\n"},
      {{"--out", "-1", "@SONG@"}, no_such + "\"-1\".\n", ""},
      {{"--out", "", "@SONG@"}, no_such + "\"\".\n", ""},
      {{"--out", "nowhere", "--out", "0", "--help"}, no_such + "\"nowhere\".\n", ""},
      {{"--out", "0", "--out", "1", "missing.mid"}, "", cannot_open + "\"missing.mid\".\n"},
      {{"--out", "2147483648", "@SONG@"}, "", cannot_open + "MIDI output port #2147483647.\n"},
      {{"--track-out", "0", "7", "missing.mid"}, "", cannot_open + "MIDI output port #7.\n"},
  };
  for (const auto& c : cases) expect_run(c.arguments, 1, c.out, c.err);
  for (const char* tempo : {"0", "-50", "nan", "inf", "1e39", "1e-50"})
    expect_run({"@SONG@", "--tempo", tempo}, 1, "", kUsage);
  for (const char* count : {"-1", "-4294967297", "forever", ""})
    expect_run({"@SONG@", "--loop", count}, 1, "", kUsage);
  for (const char* bars : {"-1", "17", "two", ""}) expect_run({"@SONG@", "--count-in", bars}, 1, "", kUsage);
  for (const char* option : {"--tempo", "--transpose", "--loop", "--count-in"})
    expect_run({"@SONG@", option}, 1, "", kUsage);
  for (const char* help : {"--help", "-h", "/help", "/h", "/?"})
    expect_run({help}, 1, "", kUsage + kKeysHelp);
  // None opened so far; a track's device opens while parsing, stays when the file fails.
  EXPECT_TRUE(platform.log.empty());
  expect_run({"--track-out", "9", "first", "missing.mid"}, 1, "", cannot_open + "\"missing.mid\".\n");
  EXPECT_EQ(platform.log, "open 0");
  platform.unopenable = {kDefaultDevice};
  expect_run({"@SONG@"}, 1, "", cannot_open + "default MIDI output port.\n");
}

TEST_F(Run, DevicesOfTheTracksTheRangeAndTheOrderOfOpeningAndClosing) {
  constexpr int32_t D = kDefaultDevice, S = kSilent;
  const struct {
    std::vector<std::string> arguments;
    std::vector<int32_t> devices;
    std::string log;  // when given
  } cases[] = {
      {{}, {D, D, D, D}, "open -1, install, remove, close -1"},
      {{"--out", "second"}, {1, 1, 1, 1}, "open 1, install, remove, close 1"},
      {{"--out", " +1 and more"}, {1, 1, 1, 1}, ""},
      {{"--out", "0"}, {2, 2, 2, 2}, ""},  // a name wins over a number
      {{"--track-out", "2", "1", "--out", "1"}, {1, 1, 1, 1}, "open 1, install, remove, close 1"},
      {{"--track-out", "9", "first"}, {D, D, D, D}, "open 0, open -1, install, remove, close 0, close -1"},
      {{"--track-out", "1", "first", "--track-out", "1", "--to"}, {D, 3, D, D}, ""},
      {{"--track-out", "2", "--to", "--track-out", "0", "second", "--out", "first"},
       {1, 0, 3, 0},
       "open 3, open 1, open 0, install, remove, close 0, close 1, close 3"},
      {{"--track-out", "drums", "second"}, {1, D, D, D}, ""},
      {{"--track-out", "4", "first"}, {D, D, D, D}, ""},  // the track after the last
      // Solo and mute never silence track 0; solo wins. Beyond 32 bits a
      // number saturates rather than keeping its low bits (2^32 + 1 is not 1).
      {{"--solo-track", "2"}, {D, S, D, S}, ""},
      {{"--solo-track", "3", "--solo-track", "1", "--solo-track", "7"}, {D, D, S, D}, ""},
      {{"--solo-track", "4294967297"}, {D, S, S, S}, ""},
      {{"--mute-track", "0", "--mute-track", "2"}, {D, D, S, D}, ""},
      {{"--mute-track", "4294967297", "--mute-track", "-4294967295"}, {D, D, D, D}, ""},
      {{"--mute-track", "2", "--solo-track", "2"}, {D, S, D, S}, ""},
      {{"--track-out", "1", "first", "--track-out", "3", "--to", "--solo-track", "3"}, {D, S, S, 3}, ""},
      // The last --from and --to count: beats 1 to 2. Each notation reaches its
      // conversion (tested with the library); an unknown one leaves its side open.
      {{"--from", "tick:960", "--from", "beat:1", "--to", "beat:0", "--to", "mb:1:3"}, {S, D, D, S}, ""},
      {{"--from", "mbt:1:2:0", "--to", "time:1.4"}, {S, D, D, S}, ""},
      {{"--from", "hms:0:00:01", "--to", "marker:Bridge"}, {S, S, D, S}, ""},
      {{"--from", "hmsf:0:00:00:15", "--to", "TICK:5"}, {S, D, D, D}, ""},
      // An endless loop over a range of no length plays once rather than
      // spinning; the transposition goes beyond every key.
      {{"--transpose", "99999999999", "--tempo", "1e-30", "--loop", "0", "--to", "beat:0"}, {S, S, S, S}, ""},
  };
  for (const auto& c : cases) {
    platform.log.clear();
    std::vector<std::string> arguments = c.arguments;
    arguments.push_back("@SONG@");
    expect_run(arguments, 0, "", "");
    EXPECT_EQ(devices_of_tracks(), c.devices);
    if (!c.log.empty()) {
      EXPECT_EQ(platform.log, c.log);
    }
  }
}

TEST_F(Run, TheExtraTimeIsWaitedAtTheEndAndAnOutputThatFailsEndsTheRunAfterClosing) {
  // The extra time in whole milliseconds, truncated, at most 2^32 - 2; none for what is no positive number.
  const std::pair<const char*, std::vector<uint32_t>> extra_times[] = {{"0.0019", {1}},
                                                                       {"0.0004", {0}},
                                                                       {"4294967", {4294967000u}},
                                                                       {"0", {}},
                                                                       {"-1", {}},
                                                                       {"nan", {}},
                                                                       {"1e-300", {}},
                                                                       {"4294967.295", {0xFFFFFFFEu}},
                                                                       {"1e308", {0xFFFFFFFEu}}};
  for (const auto& [seconds, limits] : extra_times) {
    expect_run({"--to", "beat:0", "--extra-time", "2", "--extra-time", seconds, "@SONG@"}, 0, "", "");
    EXPECT_EQ(platform.wait_limits, limits) << seconds;
  }
  platform.log.clear();
  platform.fail_outputs_at(platform.now() + 1000, "The outputs are gone.");
  expect_run({"--extra-time", "5", "@SONG@"}, 1, "", "Error:  The outputs are gone.\n");
  EXPECT_EQ(platform.log, "open -1, install, remove, close -1");
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
TEST_F(Run, AKaraokeFileShowsItsTextEventsAsTheyAreDueOnTheLinesTheyMark) {
  MidiBytes events = MidiBytes().meta(0, 0x01, MidiBytes().ascii("@KMIDI KARAOKE FILE"));
  events.meta(0, 0x01, MidiBytes().ascii("@TSong")).meta(0, 0x05, MidiBytes().ascii("lyric"));
  events.meta(192, 0x01, MidiBytes().ascii("\\Hap"));
  for (const char* words : {"py ", "birth/", "\\day\r\n", "to\x1b"})
    events.meta(96, 0x01, MidiBytes().ascii(words));
  const Outcome outcome = run_song({"--lyrics", "--loop", "2", "--to", "tick:672"}, events);
  // Each pass starts at the start of the range, 200 ms before the first words.
  EXPECT_EQ(outcome.out, "Happy birth\n\nday\nto\n\nHappy birth\n\nday\nto\n");
  EXPECT_EQ(platform.wait_limits,
            (std::vector<uint32_t>{200, 100, 100, 100, 100, 100, 200, 100, 100, 100, 100, 100}));
}

TEST_F(Run, TheStatusLineIsRewrittenInPlaceOrWrittenOncePerBar) {
  // Two seconds, to the start of bar 2, where 60 beats a minute are shown from;
  // a control change between two redraws, 583 ms into each pass.
  MidiBytes events = MidiBytes().bytes({0, 0xB0, 1, 0, 0x85, 0x3C, 0xB0, 1, 2}).vlq(1220).bytes({0xB0, 1, 1});
  events.meta(0, 0x51, {0x0F, 0x42, 0x40});
  const std::vector<std::string> options = {"--progress", "--tempo", "125",      "--loop",
                                            "2",          "--to",    "tick:1920"};
  EXPECT_EQ(run_song(options, events).err,
            "bar 1:1.000  0:00:00 / 0:00:02  150.0 bpm  pass 1 of 2  125%\n"
            "bar 1:1.000  0:00:00 / 0:00:02  150.0 bpm  pass 2 of 2  125%\n"
            "bar 2:1.000  0:00:02 / 0:00:02  75.0 bpm  pass 2 of 2  125%\n");
  platform.terminals = true;
  const std::vector<std::string> drawn = rows(run_song(options, events).err);
  // Before the first "\r" nothing; then every 100 ms for 3.2 s, and once at the end.
  EXPECT_EQ(drawn.size(), 34u);
  const std::vector<uint32_t> pass = {100, 100, 100, 100, 100, 83,  17,  100, 100,
                                      100, 100, 100, 100, 100, 100, 100, 100};
  std::vector<uint32_t> waits = pass;
  waits.insert(waits.end(), pass.begin(), pass.end());
  EXPECT_EQ(platform.wait_limits, waits);
  EXPECT_EQ(drawn[11], "bar 1:3.500  0:00:01 / 0:00:02  150.0 bpm  pass 1 of 2  125%");
  EXPECT_EQ(drawn[17], "bar 1:1.000  0:00:00 / 0:00:02  150.0 bpm  pass 2 of 2  125%");
  // A space covers the last character of the longer row before.
  EXPECT_EQ(drawn.back(), "bar 2:1.000  0:00:02 / 0:00:02  75.0 bpm  pass 2 of 2  125% \n");
}

// A text event is no word outside a karaoke file.
TEST_F(Run, WordsAndTheStatusLineShareTheTerminalsRow) {
  MidiBytes events = MidiBytes().meta(0, 0x05, MidiBytes().ascii("Hel"));
  events.meta(0, 0x01, MidiBytes().ascii("not a word")).meta(144, 0x05, MidiBytes().ascii("lo/"));
  platform.terminals = true;
  const Outcome outcome = run_song({"--lyrics", "--progress"}, events);
  EXPECT_EQ(outcome.out, "Hello\n");
  // The status moves aside for the words, then follows them until their line ends.
  const std::vector<std::string> drawn = rows(outcome.err);
  EXPECT_EQ(drawn[4], "Hel  bar 1:1.000  0:00:00 / 0:00:00  120.0 bpm");
  EXPECT_EQ(drawn[6], "Hel" + std::string(43, ' '));  // spaces cover the longer row before
  EXPECT_EQ(drawn[7], "Hel");
  EXPECT_EQ(drawn[8], "bar 1:1.300  0:00:00 / 0:00:00  120.0 bpm");
  // On a narrow terminal the words are cut from their start, then the status from its end, a column spare.
  for (const auto& [columns, row] : {std::pair{45, "l  bar 1:1.000  0:00:00 / 0:00:00  120.0 bpm"},
                                     std::pair{20, "bar 1:1.000  0:00:0"}}) {
    platform.columns = columns;
    EXPECT_EQ(rows(run_song({"--lyrics", "--progress"}, events).err)[4], row);
  }
}

// Valid UTF-8 is kept, other text read as Windows-1252; a named encoding reads every text; control characters
// of the file, raw or in UTF-8, never reach the terminal.
TEST_F(Run, TheWordsAreReadByRuleOrInTheEncodingNamedWithoutControlCharacters) {
  const bool converters =
      common::open_encoding_converter("SHIFT_JIS") && common::open_encoding_converter("LATIN1");
  const struct {
    std::vector<std::string> options;
    std::string words, out, err;
    int status;
  } cases[] = {
      {{}, "\xC3\xBCn\xC3\xAF \xC2\x9B[2Jok\x1B\x7F/", "ünï [2Jok\n", "", 0},
      {{},
       "Caf\xE9 Stra\xDF"
       "e \x80 \x93q\x94\r",
       "Café Straße € “q”\n",
       "",
       0},
      {{"--encoding", "SHIFT_JIS"}, "\x82\xB3\x82\xAD\x82\xE7", "さくら\n", "", 0},
      {{"--encoding", "LATIN1"},
       "a\x9B"
       "b\x85",
       "ab\n",
       "",
       0},
      {{"--encoding", ""}, "", "", "Error:  Unknown text encoding \"\".\n", 1},
  };
  for (const auto& row : cases) {
    if (!converters && row.status == 0 && !row.options.empty()) continue;
    std::vector<std::string> options = row.options;
    options.push_back("--lyrics");
    const Outcome outcome = run_song(options, MidiBytes().meta(0, 0x05, MidiBytes().ascii(row.words)));
    EXPECT_EQ(outcome.out, row.out) << row.words;
    EXPECT_EQ(outcome.err, row.err) << row.words;
    EXPECT_EQ(outcome.status, row.status) << row.words;
  }
  // The words on the status line keep whole characters within 256 bytes: "é" would end at byte 257.
  platform.terminals = true;
  const std::string words = std::string(255, 'a') + "\xE9";
  const std::string drawn =
      rows(run_song({"--lyrics", "--progress"}, MidiBytes().meta(0, 0x05, MidiBytes().ascii(words))).err)[4];
  EXPECT_EQ(drawn.substr(0, 260), std::string(255, 'a') + "  bar");
  if (!converters) GTEST_SKIP() << "the system's converter knows no SHIFT_JIS or LATIN1";
}

// Terminal columns: wide characters two, combining marks none, a stray byte one; a cut splits nothing.
TEST(TextWidth, ColumnsAndCutsThatKeepCharactersWhole) {
  const struct {
    std::string text;
    size_t columns, limit;
    std::string head, tail;
  } rows[] = {{"abc", 3, 2, "ab", "bc"},
              {"\xE6\x97\xA5\xE6\x9C\xAC", 4, 3, "\xE6\x97\xA5", "\xE6\x9C\xAC"},
              {"xe\xCC\x81y", 3, 2, "xe\xCC\x81", "e\xCC\x81y"},
              {"e\xCC\x81y", 2, 1, "e\xCC\x81", "y"},
              {"\xFF\xE6\x97", 3, 1, "\xFF", "\x97"},
              {"\xF0\x9F\x8E\xB5"
               "a",
               3, 2, "\xF0\x9F\x8E\xB5", "a"}};
  for (const auto& row : rows) {
    EXPECT_EQ(text_columns(row.text), row.columns) << row.text;
    EXPECT_EQ(head_within(row.text, row.limit), row.head) << row.text;
    EXPECT_EQ(tail_within(row.text, row.limit), row.tail) << row.text;
  }
}

TEST(ProgressText, TimesInWholeSecondsThePassOnlyInALoopWhatTheKeysChangedAndNoMoreThanTheBufferHolds) {
  const struct {
    double seconds, total;
    StatusFields fields;
    size_t size;
    std::string text;
  } rows[] = {
      {3725.9, 3600, {2, 4}, 80, "bar 9:1.000  1:02:05 / 1:00:00  90.0 bpm  pass 2 of 4"},
      {-1, std::nan(""), {3, 0}, 80, "bar 9:1.000  0:00:00 / 0:00:00  90.0 bpm  pass 3"},
      {0, 0, {3, 0}, 46, "bar 9:1.000  0:00:00 / 0:00:00  90.0 bpm  pas"},
      {0, 0, {1, 1}, 52, "bar 9:1.000  0:00:00 / 0:00:00  90.0 bpm  pass 1 of"},
      {0, 0, {1, 1}, 12, "bar 9:1.000"},
      {0,
       0,
       {1, 0, 85, -2, 0b1010, 9, 17, true},
       120,
       "bar 9:1.000  0:00:00 / 0:00:00  90.0 bpm  pass 1  85%  key -2  silent 1 3  loop 9-17  paused"}};
  for (const auto& row : rows) {
    char text[120];
    EXPECT_EQ(format_progress(text, row.size, "9:1.000", row.seconds, row.total, 90, row.fields),
              row.text.size());
    EXPECT_EQ(text, row.text);
  }
}

}  // namespace
}  // namespace tactus::player::testing
