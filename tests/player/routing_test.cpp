// Devices and routing: which device each track plays to, which devices are
// opened and when, solo and mute.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace tactus::player::testing {
namespace {

class Routing : public ::testing::Test {
 protected:
  Routing() { platform.device_names = {"first", "second", "third"}; }

  // The device that received each track's tag message, by track; -2 for a
  // track that sent nothing.
  std::vector<int32_t> devices_of_tracks(int track_count) const {
    std::vector<int32_t> devices(static_cast<size_t>(track_count), -2);
    for (const SentMessage& message : platform.sent) {
      for (int t = 0; t < track_count; ++t) {
        if (message.word == tag_of_track(static_cast<uint32_t>(t))) devices[t] = message.device;
      }
    }
    return devices;
  }

  void expect_run(std::vector<std::string> arguments) {
    const RunResult result = run_tactus(platform, arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
  }

  void expect_failure(std::vector<std::string> arguments, const std::string& out, const std::string& err) {
    const RunResult result = run_tactus(platform, arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err);
    EXPECT_TRUE(platform.sent.empty());
  }

  TestPlatform platform;
  test::TempFile one_track{"one.mid", tagged_tracks_file(1)};
  test::TempFile three_tracks{"three.mid", tagged_tracks_file(3)};
  test::TempFile four_tracks{"four.mid", tagged_tracks_file(4)};
};

constexpr int32_t kDefault = kDefaultDevice;
constexpr int32_t kSilent = -2;

TEST_F(Routing, WithoutOptionsEveryTrackPlaysToTheDefaultDevice) {
  expect_run({three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{kDefault, kDefault, kDefault}));
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open default", "install", "remove", "close default"}));
}

TEST_F(Routing, NoDefaultDevice) {
  platform.default_device_available = false;
  expect_failure({three_tracks.path()}, "", "Error:  Cannot open default MIDI output port.\n");
}

TEST_F(Routing, OutFindsADeviceByNameOrNumber) {
  expect_run({"--out", "second", three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{1, 1, 1}));
  platform.sent.clear();
  expect_run({"--out", " +2 and more", three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{2, 2, 2}));
}

TEST_F(Routing, ANameMatchWinsOverANumber) {
  platform.device_names = {"x", "0", "2"};
  expect_run({"--out", "2", one_track.path()});
  EXPECT_EQ(devices_of_tracks(1), (std::vector<int32_t>{2}));
  platform.sent.clear();
  expect_run({"--out", "0", one_track.path()});
  EXPECT_EQ(devices_of_tracks(1), (std::vector<int32_t>{1}));
}

TEST_F(Routing, NamesMatchWholeAndCaseSensitive) {
  expect_failure({"--out", "First", one_track.path()}, "Error:  No such MIDI output device \"First\".\n", "");
  expect_failure({"--out", "firs", one_track.path()}, "Error:  No such MIDI output device \"firs\".\n", "");
}

TEST_F(Routing, TheDefaultDeviceCannotBeChosenByNumber) {
  expect_failure({"--out", "-1", one_track.path()}, "Error:  No such MIDI output device \"-1\".\n", "");
  expect_failure({"--track-out", "0", "-1", one_track.path()}, "Error:  No such MIDI output device \"-1\".\n",
                 "");
  expect_failure({"--out", "", one_track.path()}, "Error:  No such MIDI output device \"\".\n", "");
  EXPECT_TRUE(platform.log.empty());
}

TEST_F(Routing, TwoOutOptionsOpenOnlyTheLastAfterLoading) {
  expect_run({"--out", "0", "--out", "1", one_track.path()});
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open 1", "install", "remove", "close 1"}));
  platform.log.clear();
  platform.sent.clear();
  expect_failure({"--out", "0", "--out", "1", "missing.mid"}, "", "Error:  Cannot open \"missing.mid\".\n");
  EXPECT_TRUE(platform.log.empty());
}

TEST_F(Routing, TheFirstOutThatNamesNoDeviceEndsTheRun) {
  expect_failure({"--out", "nowhere", "--out", "1", one_track.path()},
                 "Error:  No such MIDI output device \"nowhere\".\n", "");
  // The run stops at the first failure: later arguments are not examined.
  expect_failure({"--out", "nowhere", "--help"}, "Error:  No such MIDI output device \"nowhere\".\n", "");
}

TEST_F(Routing, ANumberWithoutADeviceFailsWhenItsPortIsOpened) {
  expect_failure({"--out", "7", one_track.path()}, "", "Error:  Cannot open MIDI output port #7.\n");
  expect_failure({"--out", "99999999999", one_track.path()}, "",
                 "Error:  Cannot open MIDI output port #2147483647.\n");
  platform.unopenable = {1};
  expect_failure({"--out", "second", one_track.path()}, "", "Error:  Cannot open MIDI output port #1.\n");
  // A track output fails while parsing, before the file is read.
  expect_failure({"--track-out", "0", "7", "missing.mid"}, "", "Error:  Cannot open MIDI output port #7.\n");
}

TEST_F(Routing, TrackOutputsAreOpenedWhileParsingAndSharedWithOut) {
  expect_run({"--track-out", "2", "1", "--out", "1", three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{1, 1, 1}));
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open 1", "install", "remove", "close 1"}));
}

TEST_F(Routing, TrackOutputsForTracksTheFileDoesNotHaveAreKeptButUnused) {
  expect_run({"--track-out", "9", "0", three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{kDefault, kDefault, kDefault}));
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open 0", "open default", "install", "remove", "close 0",
                                                    "close default"}));
}

TEST_F(Routing, HugeTrackNumbersCostNothing) {
  expect_run({"--track-out", "2147483647", "0", "--track-out", "99999999999", "1", "--track-out", "1", "2",
              three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{kDefault, 2, kDefault}));
}

TEST_F(Routing, ALaterRouteForATrackReplacesTheEarlierOne) {
  expect_run({"--track-out", "1", "0", "--track-out", "1", "2", three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{kDefault, 2, kDefault}));
  // Device 0 stays open until shutdown; devices close in ascending order.
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open 0", "open 2", "open default", "install", "remove",
                                                    "close 0", "close 2", "close default"}));
}

TEST_F(Routing, DevicesCloseInAscendingOrderWhateverTheOrderOfOpening) {
  expect_run({"--track-out", "2", "2", "--track-out", "0", "1", "--out", "0", three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{1, 0, 2}));
  EXPECT_EQ(platform.log, (std::vector<std::string>{"open 2", "open 1", "open 0", "install", "remove",
                                                    "close 0", "close 1", "close 2"}));
}

TEST_F(Routing, ATrackNumberWithoutDigitsRoutesTrackZero) {
  expect_run({"--track-out", "drums", "1", three_tracks.path()});
  EXPECT_EQ(devices_of_tracks(3), (std::vector<int32_t>{1, kDefault, kDefault}));
}

TEST_F(Routing, ANegativeTrackNumberIsRefusedWithTheUsage) {
  for (const char* track : {"-1", "-99999999999", " -2x"}) {
    SCOPED_TRACE(track);
    const RunResult result = run_tactus(platform, {"--track-out", track, "0", three_tracks.path()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("Usage:  tactus [ --out <device id> ]", 0), 0u);
  }
  EXPECT_TRUE(platform.log.empty());
}

TEST_F(Routing, SoloLeavesTrackZeroAndTheSoloTracksSounding) {
  expect_run({"--solo-track", "2", four_tracks.path()});
  EXPECT_EQ(devices_of_tracks(4), (std::vector<int32_t>{kDefault, kSilent, kDefault, kSilent}));
}

TEST_F(Routing, SeveralSoloTracks) {
  expect_run({"--solo-track", "3", "--solo-track", "1", "--solo-track", "7", four_tracks.path()});
  EXPECT_EQ(devices_of_tracks(4), (std::vector<int32_t>{kDefault, kDefault, kSilent, kDefault}));
}

TEST_F(Routing, MuteSilencesTheMutedTracksButNeverTrackZero) {
  expect_run({"--mute-track", "0", "--mute-track", "2", four_tracks.path()});
  EXPECT_EQ(devices_of_tracks(4), (std::vector<int32_t>{kDefault, kDefault, kSilent, kDefault}));
}

TEST_F(Routing, SoloWinsOverMute) {
  expect_run({"--mute-track", "2", "--solo-track", "2", four_tracks.path()});
  EXPECT_EQ(devices_of_tracks(4), (std::vector<int32_t>{kDefault, kSilent, kDefault, kSilent}));
}

TEST_F(Routing, OnAOneTrackFileSoloAndMuteChangeNothing) {
  expect_run({"--solo-track", "5", one_track.path()});
  expect_run({"--mute-track", "0", one_track.path()});
  EXPECT_EQ(platform.sent.size(), 2u);
}

TEST_F(Routing, SoloAppliesToRoutedTracksToo) {
  expect_run(
      {"--track-out", "1", "first", "--track-out", "3", "third", "--solo-track", "3", four_tracks.path()});
  EXPECT_EQ(devices_of_tracks(4), (std::vector<int32_t>{kDefault, kSilent, kSilent, 2}));
}

}  // namespace
}  // namespace tactus::player::testing
