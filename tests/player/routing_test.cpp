// Devices and routing: which device each track plays to, which devices are
// opened and when, solo and mute.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace tactus::player::testing {
namespace {

constexpr int32_t kDefault = kDefaultDevice;

class Routing : public ::testing::Test {
 protected:
  Routing() { platform.device_names = {"first", "second", "third"}; }

  // Runs with a file of `track_count` tagged tracks; the devices each track
  // played to.
  std::vector<int32_t> route(std::vector<std::string> arguments, int track_count = 3) {
    test::TempFile file("tracks.mid", tagged_tracks_file(track_count));
    arguments.push_back(file.path());
    platform.sent.clear();
    const RunResult result = run_tactus(platform, arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out + result.err, "");
    return devices_of_tracks(platform, track_count);
  }

  void expect_failure(std::vector<std::string> arguments, const std::string& out, const std::string& err) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    platform.sent.clear();
    const RunResult result = run_tactus(platform, arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err);
    EXPECT_TRUE(platform.sent.empty());
  }

  using Log = std::vector<std::string>;
  TestPlatform platform;
  test::TempFile one_track{"one.mid", tagged_tracks_file(1)};
};

TEST_F(Routing, DevicesOfTheTracksAndTheOrderOfOpeningAndClosing) {
  struct Case {
    std::vector<std::string> arguments;
    std::vector<int32_t> devices;
    Log log;
  };
  const Case cases[] = {
      {{}, {kDefault, kDefault, kDefault}, {"open default", "install", "remove", "close default"}},
      {{"--out", "second"}, {1, 1, 1}, {"open 1", "install", "remove", "close 1"}},
      {{"--out", " +2 and more"}, {2, 2, 2}, {"open 2", "install", "remove", "close 2"}},
      // Only the last --out is opened, after loading.
      {{"--out", "0", "--out", "1"}, {1, 1, 1}, {"open 1", "install", "remove", "close 1"}},
      // Track outputs are opened while parsing and shared with --out.
      {{"--track-out", "2", "1", "--out", "1"}, {1, 1, 1}, {"open 1", "install", "remove", "close 1"}},
      // A route for a track the file does not have is kept but unused.
      {{"--track-out", "9", "0"},
       {kDefault, kDefault, kDefault},
       {"open 0", "open default", "install", "remove", "close 0", "close default"}},
      // A later route replaces the earlier one; device 0 stays open until shutdown.
      {{"--track-out", "1", "0", "--track-out", "1", "2"},
       {kDefault, 2, kDefault},
       {"open 0", "open 2", "open default", "install", "remove", "close 0", "close 2", "close default"}},
      // Devices close in ascending order whatever the order of opening.
      {{"--track-out", "2", "2", "--track-out", "0", "1", "--out", "0"},
       {1, 0, 2},
       {"open 2", "open 1", "open 0", "install", "remove", "close 0", "close 1", "close 2"}},
      // A track number without digits routes track zero.
      {{"--track-out", "drums", "1"}, {1, kDefault, kDefault}, {}},
      // Huge track numbers cost nothing.
      {{"--track-out", "2147483647", "0", "--track-out", "99999999999", "1", "--track-out", "1", "2"},
       {kDefault, 2, kDefault},
       {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    platform.log.clear();
    EXPECT_EQ(route(c.arguments), c.devices);
    if (!c.log.empty()) {
      EXPECT_EQ(platform.log, c.log);
    }
  }
}

TEST_F(Routing, NamesMatchWholeAndCaseSensitiveAndWinOverNumbers) {
  platform.device_names = {"x", "0", "2"};
  EXPECT_EQ(route({"--out", "2"}, 1), (std::vector<int32_t>{2}));
  EXPECT_EQ(route({"--out", "0"}, 1), (std::vector<int32_t>{1}));
  platform.device_names = {"first"};
  platform.log.clear();
  for (const char* name : {"First", "firs", "", "-1"}) {
    expect_failure({"--out", name, one_track.path()},
                   "Error:  No such MIDI output device \"" + std::string(name) + "\".\n", "");
  }
  // The default device cannot be chosen by number.
  expect_failure({"--track-out", "0", "-1", one_track.path()}, "Error:  No such MIDI output device \"-1\".\n",
                 "");
  // The run stops at the first failure: later arguments are not examined.
  expect_failure({"--out", "nowhere", "--out", "0", "--help"},
                 "Error:  No such MIDI output device \"nowhere\".\n", "");
  EXPECT_TRUE(platform.log.empty());
}

TEST_F(Routing, PortsThatCannotBeOpened) {
  expect_failure({"--out", "0", "--out", "1", "missing.mid"}, "", "Error:  Cannot open \"missing.mid\".\n");
  EXPECT_TRUE(platform.log.empty());
  expect_failure({"--out", "7", one_track.path()}, "", "Error:  Cannot open MIDI output port #7.\n");
  expect_failure({"--out", "99999999999", one_track.path()}, "",
                 "Error:  Cannot open MIDI output port #2147483647.\n");
  // A track output fails while parsing, before the file is read.
  expect_failure({"--track-out", "0", "7", "missing.mid"}, "", "Error:  Cannot open MIDI output port #7.\n");
  platform.unopenable = {1};
  expect_failure({"--out", "second", one_track.path()}, "", "Error:  Cannot open MIDI output port #1.\n");
  platform.default_device_available = false;
  expect_failure({one_track.path()}, "", "Error:  Cannot open default MIDI output port.\n");
}

TEST_F(Routing, ANegativeTrackNumberIsRefusedWithTheUsage) {
  for (const char* track : {"-1", "-99999999999", " -2x"}) {
    SCOPED_TRACE(track);
    const RunResult result = run_tactus(platform, {"--track-out", track, "0", one_track.path()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("Usage:  tactus [ --out <device id> ]", 0), 0u);
  }
  EXPECT_TRUE(platform.log.empty());
}

TEST_F(Routing, SoloAndMute) {
  struct Case {
    std::vector<std::string> arguments;
    std::vector<int32_t> devices;
  };
  const Case cases[] = {{{"--solo-track", "2"}, {kDefault, kSilent, kDefault, kSilent}},
                        {{"--solo-track", "3", "--solo-track", "1", "--solo-track", "7"},
                         {kDefault, kDefault, kSilent, kDefault}},
                        // Track zero is never muted.
                        {{"--mute-track", "0", "--mute-track", "2"}, {kDefault, kDefault, kSilent, kDefault}},
                        {{"--mute-track", "2", "--solo-track", "2"}, {kDefault, kSilent, kDefault, kSilent}},
                        {{"--track-out", "1", "first", "--track-out", "3", "third", "--solo-track", "3"},
                         {kDefault, kSilent, kSilent, 2}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    EXPECT_EQ(route(c.arguments, 4), c.devices);
  }
  // On a one-track file they change nothing.
  EXPECT_EQ(route({"--solo-track", "5"}, 1), (std::vector<int32_t>{kDefault}));
  EXPECT_EQ(route({"--mute-track", "0"}, 1), (std::vector<int32_t>{kDefault}));
}

}  // namespace
}  // namespace tactus::player::testing
