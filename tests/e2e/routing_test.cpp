// Devices by name and number, the default device, routing of tracks to two
// ports, solo and mute.
#include <gtest/gtest.h>

#include <sstream>

#include "e2e_fixture.h"

namespace tactus::e2e {
namespace {

// Track t (1 to 3) plays note 60 + t on channel t; track 0 holds the tempo.
SongBytes three_track_song() {
  SongBytes song(4, 480);
  song.add(0, 0, tempo_event(500000));
  for (int track = 1; track <= 3; ++track) {
    const auto channel = static_cast<uint8_t>(track);
    const auto note = static_cast<uint8_t>(60 + track);
    song.add(track, 24 * static_cast<uint32_t>(track), {static_cast<uint8_t>(0x90 | channel), note, 0x64});
    song.add(track, 200, {static_cast<uint8_t>(0x80 | channel), note, 0x00});
  }
  return song;
}

Bytes note_start(int track) {
  return {static_cast<uint8_t>(0x90 | track), static_cast<uint8_t>(60 + track), 0x64};
}
Bytes note_end(int track) {
  return {static_cast<uint8_t>(0x80 | track), static_cast<uint8_t>(60 + track), 0x00};
}

// The tracks whose notes arrived, each start and end in order.
std::vector<Bytes> notes_of(std::initializer_list<int> tracks) {
  std::vector<Bytes> messages;
  for (int track : tracks) messages.push_back(note_start(track));
  for (int track : tracks) messages.push_back(note_end(track));
  return messages;
}

// tactus-ports' lines as (number, name).
std::vector<std::pair<std::string, std::string>> listed_devices(const std::string& listing) {
  std::vector<std::pair<std::string, std::string>> devices;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    size_t tab = line.find('\t');
    devices.emplace_back(line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1));
  }
  return devices;
}

TEST_F(EndToEnd, PortsProgramListsJackInputsNumberedAsTheyAreChosen) {
  RunResult listing = run_program(folder_, {PORTS_PROGRAM}, 10000);
  EXPECT_EQ(listing.exit_status, 0);
  EXPECT_EQ(listing.err, "");
  auto devices = listed_devices(listing.out);
  ASSERT_GE(devices.size(), 2u) << listing.out;
  // JACK's ports come after the system's; ours are the last two.
  const size_t first = devices.size() - 2;
  EXPECT_EQ(devices[first].second, kPort0);
  EXPECT_EQ(devices[first + 1].second, kPort1);
  for (size_t number = 0; number < devices.size(); ++number)
    EXPECT_EQ(devices[number].first, std::to_string(number));

  // The number in the listing is the number --out takes.
  Played played = play(three_track_song(), {"--out", devices[first + 1].first});
  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_TRUE(played.messages(0).empty());
  EXPECT_EQ(played.messages(1), notes_of({1, 2, 3})) << describe(played.messages(1));
}

TEST_F(EndToEnd, WithoutOutTheFirstDeviceThatIsNoPassThroughPlays) {
  auto devices = listed_devices(run_program(folder_, {PORTS_PROGRAM}, 10000).out);
  size_t first = 0;
  while (first < devices.size() && devices[first].second.find("Midi Through") != std::string::npos) ++first;
  ASSERT_LT(first, devices.size());
  if (devices[first].second != kPort0) GTEST_SKIP() << "this machine has a MIDI device before JACK's";

  Played played = play(three_track_song(), {});
  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_EQ(played.run.err, "");
  EXPECT_EQ(played.messages(0), notes_of({1, 2, 3})) << describe(played.messages(0));
}

TEST_F(EndToEnd, TrackOutSendsOneTrackToASecondPort) {
  Played played = play(three_track_song(), {"--out", kPort0, "--track-out", "2", kPort1});
  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_EQ(played.run.out + played.run.err, "");
  EXPECT_EQ(played.messages(0), notes_of({1, 3})) << describe(played.messages(0));
  EXPECT_EQ(played.messages(1), notes_of({2})) << describe(played.messages(1));
}

TEST_F(EndToEnd, SoloLeavesTrackZeroAndTheSoloTracks) {
  SongBytes song = three_track_song();
  song.add(0, 100, {0xB0, 0x07, 0x50});  // track 0 is never silenced
  Played played = play(song, {"--out", kPort0, "--solo-track", "2", "--mute-track", "2"});
  EXPECT_EQ(played.run.exit_status, 0);
  const std::vector<Bytes> expected{note_start(2), {0xB0, 0x07, 0x50}, note_end(2)};
  EXPECT_EQ(played.messages(0), expected) << describe(played.messages(0));
}

TEST_F(EndToEnd, MuteSilencesTheMutedTracks) {
  Played played = play(three_track_song(), {"--out", kPort0, "--mute-track", "1", "--mute-track", "3"});
  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_EQ(played.messages(0), notes_of({2})) << describe(played.messages(0));
}

TEST_F(EndToEnd, AnUnknownDeviceNameIsReportedOnStandardOutput) {
  Played played = play(three_track_song(), {"--out", "capture:in_9"});
  EXPECT_EQ(played.run.exit_status, 1);
  EXPECT_EQ(played.run.out, "Error:  No such MIDI output device \"capture:in_9\".\n");
  EXPECT_EQ(played.run.err, "");
  EXPECT_TRUE(played.recording.arrivals.empty());
}

// No JACK server at all, and no ALSA sequencer on the test machines: no
// devices, and nothing printed by JACK or RtMidi on the way.
TEST(NoMidiSystem, NoDevicesAndOnlyThePlayersOwnMessage) {
  TempDir folder;
  setenv("JACK_DEFAULT_SERVER", "tactus-e2e-no-such-server", 1);
  RunResult listing = run_program(folder, {PORTS_PROGRAM}, 10000);
  if (!listing.out.empty()) GTEST_SKIP() << "this machine has MIDI devices:\n" << listing.out;
  EXPECT_EQ(listing.exit_status, 0);
  EXPECT_EQ(listing.err, "");

  write_file(folder.file("song.mid"), three_track_song().file());
  RunResult run = run_program(folder, {TACTUS_PROGRAM, folder.file("song.mid")}, 10000);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error:  Cannot open default MIDI output port.\n");
  RunResult by_number = run_program(folder, {TACTUS_PROGRAM, "--out", "0", folder.file("song.mid")}, 10000);
  EXPECT_EQ(by_number.exit_status, 1);
  EXPECT_EQ(by_number.err, "Error:  Cannot open MIDI output port #0.\n");
}

}  // namespace
}  // namespace tactus::e2e
