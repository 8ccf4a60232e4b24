// Ctrl+C and its kin, and the extra time: every sounding note is ended
// before the ports close, and the run ends with status 0.
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <utility>

#include "e2e_fixture.h"

namespace tactus::e2e {
namespace {

constexpr uint32_t kTicksPerSecond = 960;  // 480 a quarter at 120 a minute

// Two notes and a controller at once, a third note two seconds in, the ends
// twenty seconds in, and a controller after them.
SongBytes long_notes_song() {
  SongBytes song(1, 480);
  song.add(0, 0, {0x90, 0x3C, 0x64}).add(0, 0, {0x91, 0x40, 0x64}).add(0, 0, {0xB0, 0x07, 0x64});
  song.add(0, 2 * kTicksPerSecond, {0x92, 0x43, 0x64});
  song.add(0, 20 * kTicksPerSecond, {0x80, 0x3C, 0x00});
  song.add(0, 20 * kTicksPerSecond, {0x91, 0x40, 0x00});
  song.add(0, 20 * kTicksPerSecond, {0x82, 0x43, 0x00});
  song.add(0, 21 * kTicksPerSecond, {0xB0, 0x07, 0x20});
  return song;
}

// Note starts minus note ends, per channel and note, over all messages.
std::map<std::pair<int, int>, int> sounding_notes(const std::vector<Bytes>& messages) {
  std::map<std::pair<int, int>, int> sounding;
  for (const Bytes& message : messages) {
    const int kind = message[0] & 0xF0;
    const std::pair<int, int> key{message[0] & 0x0F, message[1]};
    if (kind == 0x90 && message[2] > 0) ++sounding[key];
    if (kind == 0x80 || (kind == 0x90 && message[2] == 0)) --sounding[key];
  }
  return sounding;
}

void expect_no_note_left_on(const std::vector<Bytes>& messages) {
  for (const auto& [note, count] : sounding_notes(messages))
    EXPECT_LE(count, 0) << "channel " << note.first << " note " << note.second << " left on";
}

class Interrupt : public EndToEnd, public ::testing::WithParamInterface<int> {};

TEST_P(Interrupt, EndsTheWaitSendsTheNoteEndsAndExitsWithZero) {
  std::unique_ptr<Process> player = start(long_notes_song(), {"--out", kPort0, "--extra-time", "30"});
  ASSERT_TRUE(await_arrivals(3));
  player->signal(GetParam());
  int status = -1;
  ASSERT_TRUE(player->wait(5000, status)) << "the interrupt did not end playback";
  EXPECT_EQ(status, 0);
  capture_->stop();
  Recording recording = capture_->recording();
  std::vector<Bytes> messages;
  for (const Arrival& arrival : recording.arrivals) messages.push_back(arrival.bytes);
  // The start two seconds in is left out; the ends and the controller after
  // them go out at once.
  const std::vector<Bytes> expected{{0x90, 0x3C, 0x64}, {0x91, 0x40, 0x64}, {0xB0, 0x07, 0x64},
                                    {0x80, 0x3C, 0x00}, {0x91, 0x40, 0x00}, {0x82, 0x43, 0x00},
                                    {0xB0, 0x07, 0x20}};
  EXPECT_EQ(messages, expected) << describe(messages);
  expect_no_note_left_on(messages);
}

std::string signal_name(const ::testing::TestParamInfo<int>& info) {
  return info.param == SIGINT ? "SIGINT" : info.param == SIGTERM ? "SIGTERM" : "SIGHUP";
}

INSTANTIATE_TEST_SUITE_P(CtrlCTerminationAndHangUp, Interrupt, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         signal_name);

double seconds_between(const Recording& recording, const Arrival& earlier, const Arrival& later) {
  return static_cast<double>(later.frame - earlier.frame) / recording.sample_rate;
}

// A note that starts in the range and ends after it is ended when playback
// is over: after the extra time, before the port closes.
TEST_F(EndToEnd, NotesSoundingAtTheEndOfTheRangeEndAfterTheExtraTime) {
  SongBytes song(1, 480);
  song.add(0, 0, {0x90, 0x3C, 0x64}).add(0, 480, {0x93, 0x3E, 0x64});
  song.add(0, 960, {0x80, 0x3C, 0x00}).add(0, 960, {0x83, 0x3E, 0x00});

  Played played = play(song, {"--out", kPort0, "--to", "tick:480", "--extra-time", "1.5"});

  EXPECT_EQ(played.run.exit_status, 0);
  const std::vector<Arrival>& arrivals = played.recording.arrivals;
  ASSERT_EQ(arrivals.size(), 4u) << describe(played.messages());
  EXPECT_EQ(arrivals[0].bytes, (Bytes{0x90, 0x3C, 0x64}));
  EXPECT_EQ(arrivals[1].bytes, (Bytes{0x93, 0x3E, 0x64}));
  expect_no_note_left_on(played.messages());
  const double waited = seconds_between(played.recording, arrivals[1], arrivals[2]);
  EXPECT_NEAR(waited, 1.5, arrival_tolerance_seconds(played.recording));
  EXPECT_EQ(arrivals[2].frame, arrivals[3].frame);
}

// The port reports a long message done while it is being sent, which leaves
// a wake-up behind; the extra time must not end at it.
TEST_F(EndToEnd, ASystemExclusiveMessageJustBeforeTheExtraTimeDoesNotShortenIt) {
  SongBytes song(1, 480);
  song.add(0, 0, {0x90, 0x3C, 0x64}).add(0, 24, sysex_event({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
  song.add(0, 960, {0x80, 0x3C, 0x00});

  Played played = play(song, {"--out", kPort0, "--to", "tick:24", "--extra-time", "1"});

  EXPECT_EQ(played.run.exit_status, 0);
  const std::vector<Arrival>& arrivals = played.recording.arrivals;
  ASSERT_EQ(arrivals.size(), 3u) << describe(played.messages());
  EXPECT_EQ(arrivals[2].bytes, (Bytes{0x80, 0x3C, 0x00}));
  EXPECT_NEAR(seconds_between(played.recording, arrivals[1], arrivals[2]), 1.0,
              arrival_tolerance_seconds(played.recording));
}

TEST_F(EndToEnd, AnInterruptEndsTheExtraTimeEarly) {
  SongBytes song(1, 480);
  song.add(0, 0, {0x90, 0x3C, 0x64}).add(0, 48, {0x80, 0x3C, 0x00});
  std::unique_ptr<Process> player = start(song, {"--out", kPort0, "--extra-time", "60"});
  ASSERT_TRUE(await_arrivals(2));
  player->signal(SIGINT);
  int status = -1;
  ASSERT_TRUE(player->wait(5000, status)) << "the interrupt did not end the extra time";
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace tactus::e2e
