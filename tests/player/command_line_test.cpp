// The command line: usage text, option arguments, file names, and the
// messages of a run that cannot start, with their streams and status.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace tactus::player::testing {
namespace {

const std::string kUsage =
    "Usage:  tactus [ --out <device id> ] [ --track-out <n> <device id> ] ... [ --from ( tick:<tick> | "
    "beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | "
    "marker:<marker> ) ] [ --to ( tick:<tick> | beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | "
    "hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | marker:<marker> ) ] [ ( --solo-track <n> ) ... | ( "
    "--mute-track <n> ) ... ] [ --extra-time <seconds> ] [ -- ] <filename.mid>\n";

class CommandLine : public ::testing::Test {
 protected:
  CommandLine() : song("song.mid", tagged_tracks_file(2)) { platform.device_names = {"first", "second"}; }

  void expect_usage(std::vector<std::string> arguments) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const RunResult result = run_tactus(platform, arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, kUsage);
    EXPECT_TRUE(platform.sent.empty());
  }

  TestPlatform platform;
  test::TempFile song;
};

TEST_F(CommandLine, EveryHelpWordShowsTheUsageEvenAmongValidArguments) {
  for (const char* help : {"--help", "-h", "/help", "/h", "/?"}) {
    SCOPED_TRACE(help);
    expect_usage({help});
    expect_usage({"--out", "0", song.path(), help});
  }
}

TEST_F(CommandLine, TheUsageNamesTheProgramAsItWasCalled) {
  char name[] = "/opt/bin/player";
  char help[] = "-h";
  char* argv[] = {name, help, nullptr};
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(run_player(2, argv, platform, out, err), 1);
  EXPECT_EQ(read_all(out), "");
  EXPECT_EQ(read_all(err), "Usage:  /opt/bin/player" + kUsage.substr(std::string("Usage:  tactus").size()));
}

TEST_F(CommandLine, NoFileNameTwoFileNamesOrAMissingArgumentShowTheUsage) {
  // An unknown word counts as a second file name, before or after the file.
  const std::vector<std::string> runs[] = {{},
                                           {"--extra-time", "1"},
                                           {song.path(), song.path()},
                                           {"a.mid", "--", "b.mid"},
                                           {"--loop", song.path()},
                                           {song.path(), "-x"},
                                           {song.path(), "--track-out", "1"}};
  for (const std::vector<std::string>& arguments : runs) expect_usage(arguments);
  for (const char* option :
       {"--out", "--track-out", "--from", "--to", "--solo-track", "--mute-track", "--extra-time"}) {
    expect_usage({song.path(), option});
  }
}

TEST_F(CommandLine, AfterTwoDashesEveryWordIsAFileName) {
  RunResult result = run_tactus(platform, {"--", "--help"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "Error:  Cannot open \"--help\".\n");
  result = run_tactus(platform, {"--", "--"});
  EXPECT_EQ(result.err, "Error:  Cannot open \"--\".\n");
  expect_usage({"--", song.path(), "--out"});
  result = run_tactus(platform, {"--", song.path()});
  EXPECT_EQ(result.status, 0);
}

TEST_F(CommandLine, OptionsTakeTheirArgumentsVerbatimAndMayFollowTheFileName) {
  EXPECT_EQ(run_tactus(platform, {song.path(), "--out", "second"}).status, 0);
  EXPECT_EQ(platform.log.front(), "open 1");
  // "--out --to" looks up a device named "--to".
  platform.device_names = {"--to"};
  platform.log.clear();
  EXPECT_EQ(run_tactus(platform, {"--out", "--to", song.path()}).status, 0);
  EXPECT_EQ(platform.log.front(), "open 0");
}

TEST_F(CommandLine, AFileThatCannotBeLoadedIsReportedOnStandardError) {
  test::TempFile not_midi("notes.txt", test::MidiBytes().ascii("These are not MIDI bytes.\n"));
  test::TempFile empty("empty.mid", test::MidiBytes());
  for (const std::string& name : {std::string(not_midi.path()), std::string(empty.path()),
                                  std::string("no/such/file.mid"), ::testing::TempDir()}) {
    SCOPED_TRACE(name);
    const RunResult result = run_tactus(platform, {name});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Error:  Cannot open \"" + name + "\".\n");
  }
  EXPECT_TRUE(platform.log.empty());
}

TEST_F(CommandLine, AFileThatCannotBeLoadedAfterATrackOutputWasOpenedFailsAllTheSame) {
  const RunResult result = run_tactus(platform, {"--track-out", "9", "0", "missing.mid"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Error:  Cannot open \"missing.mid\".\n");
  // Opened while parsing, and left to the end of the process.
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open 0"}));
}

TEST_F(CommandLine, AnInterruptedRunEndsNormally) {
  platform.interrupt_at(400);
  const RunResult result = run_tactus(platform, {"--extra-time", "10", song.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open default", "install", "remove", "close default"}));
  EXPECT_EQ(platform.now(), 400u);
}

TEST_F(CommandLine, ExtraTimeIsReadAsANumberOfSeconds) {
  EXPECT_EQ(run_tactus(platform, {"--extra-time", "1.5", song.path()}).status, 0);
  ASSERT_EQ(platform.waits.size(), 1u);
  EXPECT_EQ(platform.waits[0].limit, 1500u);
  // The last one counts; text that is no number gives no wait.
  platform.waits.clear();
  EXPECT_EQ(run_tactus(platform, {"--extra-time", "2", "--extra-time", "soon", song.path()}).status, 0);
  EXPECT_TRUE(platform.waits.empty());
}

}  // namespace
}  // namespace tactus::player::testing
