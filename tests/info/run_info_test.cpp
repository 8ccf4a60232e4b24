// tactus-info in-process: its whole output on a small file, the lines that
// differ on another, its exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text_decoder.h"
#include "info/info.h"
#include "support/captured_run.h"
#include "support/midi_bytes.h"

namespace tactus::info {
namespace {

using test::MidiBytes;
using test::TempFile;

test::Outcome run(std::vector<std::string> arguments) {
  return test::run_captured(run_info, "bin/tactus-info", std::move(arguments));
}

// Two bars at 96 ticks a quarter: a bar of 3/4 at 120 beats per minute (1.5 s), then one at 60 (3 s). Track
// 1's note end repeats the status of its note start across a text event, at byte 122.
MidiBytes two_bar_song() {
  MidiBytes conductor =
      MidiBytes().meta(0, 0x03, MidiBytes().ascii("Song")).meta(0, 0x51, {0x07, 0xA1, 0x20});
  conductor.meta(0, 0x03, MidiBytes().ascii("Not the name"));
  conductor.meta(0, 0x58, {3, 2, 24, 8}).meta(0, 0x59, {0xF9, 0}).meta(0, 0x06, {'A'});
  conductor.meta(288, 0x51, {0x0F, 0x42, 0x40}).meta(0, 0x06, {'B'}).end_of_track(288);
  MidiBytes lead =
      MidiBytes().meta(0, 0x03, MidiBytes().ascii("Lead 1\t")).bytes({0, 0xC2, 10, 0, 0x92, 60, 64});
  lead.meta(0, 0x01, {'x'}).bytes({96, 60, 0}).vlq(192).bytes({0x92, 60, 64}).vlq(96).bytes({0x82, 60, 0});
  return MidiBytes().header(1, 2, 96).track(conductor).track(lead.end_of_track(192));
}

TEST(RunInfo, DescribesEachFileThenTellsTheRemarksAndTheStatusSaysHowTheyRead) {
  TempFile song("song.mid", two_bar_song());
  const std::string path = song.path();
  TempFile clean("clean.mid", MidiBytes().header(0, 1, 96).track(MidiBytes().end_of_track(0)));
  TempFile remarked("remarked.mid", MidiBytes().header(0, 1, 96).track({}));
  const std::string missing = TempFile::unique_path("missing.mid");
  // Each byte of the track a remark: the first 1,000 told, the rest counted.
  TempFile noisy("noisy.mid", MidiBytes().header(0, 1, 96).track(MidiBytes().fill(1001, 0)));
  std::string noise;
  for (int offset = 23; offset < 1023; ++offset)
    noise += noisy.path() +
             (":" + std::to_string(offset) + ": track 0: data byte 0x00 with no status to repeat: skipped\n");
  const std::string no_end = remarked.path() + std::string(":22: track 0: no end-of-track event\n");
  const std::string usage =
      "Usage:  bin/tactus-info [ --check ] [ --encoding <name> ] [ -- ] <filename.mid> ...\n";
  const auto cannot_open = [](const std::string& path) { return "Error:  Cannot open \"" + path + "\".\n"; };
  const std::string description = "file: " + path +
                                  "\nformat: 1\n"
                                  "division: 96 ticks per quarter note\n"
                                  "tracks: 2\n"
                                  "events: 15\n"
                                  "length: 576 ticks\n"
                                  "length mbt: 3:1:0.000\n"
                                  "length hms: 0:00:04.500\n"
                                  "tempo at start: 120.000 bpm\n"
                                  "tempo lowest: 60.000 bpm\n"
                                  "tempo highest: 120.000 bpm\n"
                                  "tempo changes: 1\n"
                                  "time signature at start: 3/4\n"
                                  "time signature changes: 0\n"
                                  "key signature: Cb major\n"
                                  "track\tnotes\tchannels\tprograms\tname\n"
                                  "0\t0\t-\t-\tSong\n"
                                  "1\t2\t3\t11\tLead 1?\n"
                                  "marker: 1:1.000 0:00:00.000 A\n"
                                  "marker: 2:1.000 0:00:01.500 B\n" +
                                  song.path() +
                                  ":122: track 1: running status 0x92 carried across a meta event\n";
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string out, err;
  } rows[] = {
      {"described", {path, path}, 1, description + "\n" + description, ""},
      {"clean", {"--check", clean.path()}, 0, "", ""},
      {"remarks", {"--check", clean.path(), remarked.path()}, 1, no_end, ""},
      {"many remarks", {"--check", noisy.path()}, 1, noise + noisy.path() + ": … and 1 more remark\n", ""},
      {"unreadable", {"--check", remarked.path(), missing}, 2, no_end, cannot_open(missing)},
      {"a dash is a file name", {"-"}, 2, "", cannot_open("-")},
      {"after --, an option word is too", {"--", "--check"}, 2, "", cannot_open("--check")},
      {"no file", {}, 2, "", usage},
      {"unknown option", {"--quiet", clean.path()}, 2, "", usage},
      {"unknown encoding",
       {"--encoding", "no such", clean.path()},
       2,
       "",
       "Error:  Unknown text encoding \"no such\".\n"},
      {"no encoding", {clean.path(), "--encoding"}, 2, "", usage},
      {"help", {"--help"}, 0, usage, ""},
      {"short help", {"-h"}, 0, usage, ""},
  };
  for (const auto& row : rows) {
    const test::Outcome outcome = run(row.arguments);
    EXPECT_EQ(outcome.status, row.status) << row.name;
    EXPECT_EQ(outcome.out, row.out) << row.name;
    EXPECT_EQ(outcome.err, row.err) << row.name;
  }
  // Frames instead of beats, a key of no scale.
  TempFile frames("frames.mid",
                  MidiBytes().header(0, 1, 0xE728).track(MidiBytes().meta(0, 0x59, {2, 2}).end_of_track(0)));
  const std::string out = run({frames.path()}).out;
  for (const char* line :
       {"division: 25 frames per second, 40 ticks per frame", "key signature: unknown (0x02 0x02)"})
    EXPECT_NE(out.find(std::string("\n") + line + "\n"), std::string::npos) << line;
}

// Names and markers by rule, with the tracks whose texts are not UTF-8; or all in the encoding named.
TEST(RunInfo, TextsAreReadByRuleOrInTheEncodingNamedWithoutControlCharacters) {
  MidiBytes conductor =
      MidiBytes().meta(0, 0x03, MidiBytes().ascii("Caf\xE9")).meta(0, 0x06, {'M', 0xC2, 0x9B, '1'});
  MidiBytes lead = MidiBytes().meta(0, 0x03, {0x82, 0xB3, 0x82, 0xAD, 0x82, 0xE7});
  TempFile texts("texts.mid",
                 MidiBytes().header(1, 2, 96).track(conductor.end_of_track(0)).track(lead.end_of_track(0)));
  const std::string by_rule = run({texts.path()}).out;
  for (const char* line : {"0\t0\t-\t-\tCafé\n", "1\t0\t-\t-\t‚³‚\u00AD‚ç\n", "track 0 text: Windows-1252\n",
                           "track 1 text: Windows-1252\n", "marker: 1:1.000 0:00:00.000 M?1\n"})
    EXPECT_NE(by_rule.find(line), std::string::npos) << line;
  if (common::open_encoding_converter("SHIFT_JIS") == nullptr)
    GTEST_SKIP() << "the system's converter knows no SHIFT_JIS";
  const std::string shift_jis = run({"--encoding", "SHIFT_JIS", texts.path()}).out;
  EXPECT_NE(shift_jis.find("\n1\t0\t-\t-\tさくら\n"), std::string::npos);
  EXPECT_EQ(shift_jis.find("text:"), std::string::npos);
}

}  // namespace
}  // namespace tactus::info
