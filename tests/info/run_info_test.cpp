// tactus-info in-process: its whole output on a small file, its exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/captured_run.h"
#include "player/info/info.h"
#include "support/midi_bytes.h"

namespace tactus::info {
namespace {

using test::MidiBytes;
using test::Outcome;
using test::TempFile;

test::Outcome run(std::vector<std::string> arguments) {
  return test::run_captured(run_info, "tactus-info", std::move(arguments));
}

// Two bars at 96 ticks a quarter: a bar of 3/4 at 120 beats per minute
// (1.5 s), then one at 60 (3 s). Track 1's note end repeats the status of
// its note start across a text event, at byte 103.
MidiBytes two_bar_song() {
  MidiBytes conductor =
      MidiBytes().meta(0, 0x03, MidiBytes().ascii("Song")).meta(0, 0x51, {0x07, 0xA1, 0x20});
  conductor.meta(0, 0x58, {3, 2, 24, 8}).meta(0, 0x59, {0xFF, 0}).meta(0, 0x06, {'A'});
  conductor.meta(288, 0x51, {0x0F, 0x42, 0x40}).meta(0, 0x06, {'B'}).end_of_track(288);
  MidiBytes lead = MidiBytes().meta(0, 0x03, MidiBytes().ascii("Lead")).bytes({0, 0xC2, 10, 0, 0x92, 60, 64});
  lead.meta(0, 0x01, {'x'}).bytes({96, 60, 0}).vlq(192).bytes({0x92, 60, 64}).vlq(96).bytes({0x82, 60, 0});
  return MidiBytes().header(1, 2, 96).track(conductor).track(lead.end_of_track(192));
}

TEST(RunInfo, DescribesTheFileThenTellsTheRemarks) {
  TempFile song("song.mid", two_bar_song());
  const std::string path = song.path();
  const std::string remark = path + ":103: track 1: running status 0x92 carried across a meta event\n";
  EXPECT_EQ(run({path}).out, "file: " + path +
                                 "\n"
                                 "format: 1\n"
                                 "division: 96 ticks per quarter note\n"
                                 "tracks: 2\n"
                                 "events: 14\n"
                                 "length: 576 ticks\n"
                                 "length mbt: 3:1:0.000\n"
                                 "length hms: 0:00:04.500\n"
                                 "tempo at start: 120.000 bpm\n"
                                 "tempo lowest: 60.000 bpm\n"
                                 "tempo highest: 120.000 bpm\n"
                                 "tempo changes: 1\n"
                                 "time signature at start: 3/4\n"
                                 "time signature changes: 0\n"
                                 "key signature: F major\n"
                                 "track\tnotes\tchannels\tprograms\tname\n"
                                 "0\t0\t-\t-\tSong\n"
                                 "1\t2\t3\t11\tLead\n"
                                 "marker: 1:1.000 0:00:00.000 A\n"
                                 "marker: 2:1.000 0:00:01.500 B\n" +
                                 remark);
  EXPECT_EQ(run({"--check", path}).out, remark);
}

TEST(RunInfo, ExitStatusSaysWhetherEveryFileWasReadWithoutARemark) {
  TempFile clean("clean.mid", MidiBytes().header(0, 1, 96).track(MidiBytes().end_of_track(0)));
  TempFile remarked("remarked.mid", MidiBytes().header(0, 1, 96).track({}));
  const std::string missing = TempFile::unique_path("missing.mid");
  const std::string cannot_open = "Error:  Cannot open \"" + missing + "\".\n";
  const std::string usage = "Usage:  tactus-info [ --check ] [ -- ] <filename.mid> ...\n";
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string err;
  } rows[] = {
      {"clean", {clean.path()}, 0, ""},
      {"remarks", {clean.path(), remarked.path()}, 1, ""},
      {"unreadable", {remarked.path(), missing}, 2, cannot_open},
      {"no file", {"--check"}, 2, usage},
      {"unknown option", {"--quiet", clean.path()}, 2, usage},
      {"help", {"--help"}, 0, ""},
  };
  for (const auto& row : rows) {
    const Outcome outcome = run(row.arguments);
    EXPECT_EQ(outcome.status, row.status) << row.name;
    EXPECT_EQ(outcome.err, row.err) << row.name;
  }
}

}  // namespace
}  // namespace tactus::info
