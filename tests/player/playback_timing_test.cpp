// When playback sends: due times through the tempo map, the clock origin,
// clock wrap-around, and waits that end early.
#include <gtest/gtest.h>

#include <limits>

#include "playback_fixture.h"
#include "player/core/due_time.h"

namespace tactus::player::testing {
namespace {

using PlaybackTiming = PlaybackTest;

TEST_F(PlaybackTiming, TheFirstWaitedEventIsDueAtOnceHoweverLateItLies) {
  const unsigned char name[] = {'L', 'e', 'a', 'd'};
  meta_new(track0, 0, 0x03, 4, name);
  tempo_new(track0, 0, 120.0f);
  control_change_new(track0, 1920, 0, 7, 100);
  control_change_new(track0, 2400, 0, 7, 90);
  play();
  EXPECT_EQ(platform.sent,
            (std::vector<SentMessage>{short_at(0, word(0xB0, 7, 100)), short_at(500, word(0xB0, 7, 90))}));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{500}));
}

TEST_F(PlaybackTiming, DueTimesFollowTheTempoMap) {
  // 120 bpm for two beats (1000 ms), then 60 bpm: a beat lasts 1000 ms.
  tempo_new(track0, 0, 120.0f);
  tempo_new(track0, 960, 60.0f);
  control_change_new(track0, 0, 0, 1, 0);
  control_change_new(track0, 960, 0, 2, 0);
  control_change_new(track0, 1440, 0, 3, 0);
  control_change_new(track0, 1500, 0, 4, 0);  // 60 ticks at 1000 ms a beat: 125 ms
  play();
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0xB0, 1)),
                               short_at(1000, word(0xB0, 2)),
                               short_at(2000, word(0xB0, 3)),
                               short_at(2125, word(0xB0, 4)),
                           }));
}

// The clock reads 1000 at the first waited event, which is due at 1000 ms:
// the origin is clock value 0 and must hold for the next event.
class OriginAtClockZero : public PlaybackTest {
 protected:
  OriginAtClockZero() : PlaybackTest(1000) {}
};

TEST_F(OriginAtClockZero, HoldsForTheLaterEvents) {
  control_change_new(track0, 960, 0, 1, 0);
  control_change_new(track0, 1440, 0, 2, 0);
  play();
  EXPECT_EQ(platform.sent,
            (std::vector<SentMessage>{short_at(0, word(0xB0, 1)), short_at(500, word(0xB0, 2))}));
}

TEST_F(PlaybackTiming, DueTimesAreTruncatedNotRounded) {
  // A tick lasts 500/480 ms: tick 13 lies at 13.54 ms, tick 23 at 23.96 ms.
  control_change_new(track0, 0, 0, 1, 0);
  control_change_new(track0, 13, 0, 2, 0);
  control_change_new(track0, 23, 0, 3, 0);
  play();
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{short_at(0, word(0xB0, 1)), short_at(13, word(0xB0, 2)),
                                                     short_at(23, word(0xB0, 3))}));
}

TEST(PlaybackDueTime, WrapsModulo2To32AndCountsNonFiniteTimesAsZero) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  const struct {
    double seconds;
    uint32_t ms;
  } cases[] = {
      // clang-format off
      {0.0019, 1}, {0.0, 0}, {1.5, 1500}, {4294967.25, 4294967250u},
      {4294967.5, 204},  // 4294967500 - 2^32
      // A negative time truncates toward zero, then wraps: -1 ms is 2^32 - 1.
      {-0.0015, 4294967295u}, {-0.5, 4294966796u},
      // 2^30 s is 2^32 * 250000 ms; 10^15 s is 10^18 ms.
      {1073741824.0, 0}, {1073741824.5, 500}, {1e15, 2808348672u},
      // 1e308 s has more milliseconds than a double holds.
      {kNaN, 0}, {kInfinity, 0}, {-kInfinity, 0}, {1e308, 0},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(due_time_ms(c.seconds), c.ms);
  }
}

class PlaybackNearClockWrap : public PlaybackTest {
 protected:
  PlaybackNearClockWrap() : PlaybackTest(0xFFFFFFFFu - 120) {}
};

TEST_F(PlaybackNearClockWrap, ClockWrapDoesNotDisturbTheTiming) {
  for (int32_t i = 0; i < 5; ++i) control_change_new(track0, i * 96, 0, 1, i);
  play(-1, -1, 0.5f);
  std::vector<SentMessage> expected;
  for (uint32_t i = 0; i < 5; ++i) expected.push_back(short_at(i * 100, word(0xB0, 1, i)));
  EXPECT_EQ(platform.sent, expected);
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{100, 100, 100, 100, 500}));
  EXPECT_EQ(platform.now(), 900u);
}

TEST_F(PlaybackTiming, AWaitWokenEarlyWaitsForTheRest) {
  control_change_new(track0, 0, 0, 1, 0);
  control_change_new(track0, 96, 0, 2, 0);
  platform.wake_at(30);
  play();
  EXPECT_EQ(platform.sent,
            (std::vector<SentMessage>{short_at(0, word(0xB0, 1)), short_at(100, word(0xB0, 2))}));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{100, 70}));
}

TEST_F(PlaybackTiming, AnEventWhoseTimeHasPassedIsSentAtOnce) {
  // A long message that takes 250 ms to complete delays the walk; the event
  // due at 100 ms is then late and goes out at once, nothing is skipped.
  const unsigned char sysex[] = {0xF0, 0x01, 0xF7};
  platform.long_messages = LongMessages::kDoneLater;
  platform.long_message_delay = 250;
  sysex_new(track0, 0, 3, sysex);
  control_change_new(track0, 96, 0, 1, 0);
  control_change_new(track0, 480, 0, 2, 0);
  play();
  EXPECT_EQ(platform.sent,
            (std::vector<SentMessage>{long_at(0, {0xF0, 0x01, 0xF7}), short_at(250, word(0xB0, 1)),
                                      short_at(500, word(0xB0, 2))}));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{kWaitForever, 250}));
}

TEST_F(PlaybackTiming, ExtraTimeIsNotShortenedByAStrayWakeUp) {
  // The long message completes inside send, so its wake-up is still pending
  // when the extra time begins.
  const unsigned char sysex[] = {0xF0, 0x01, 0xF7};
  sysex_new(track0, 0, 3, sysex);
  platform.wake_at(700);
  play(-1, -1, 1.0f);
  EXPECT_EQ(platform.now(), 1000u);
  ASSERT_GE(platform.waits.size(), 2u);
  EXPECT_EQ(platform.waits.back().end, 1000u);
}

TEST(PlaybackExtraTime, LimitsOfTheWait) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  for (float none : {0.0f, -1.0f, kNaN, -kInfinity}) EXPECT_FALSE(has_extra_time(none)) << none;
  EXPECT_TRUE(has_extra_time(0.0001f));
  const struct {
    float seconds;
    uint32_t ms;
  } cases[] = {{0.0001f, 0},
               {1.5f, 1500},
               {0.0019f, 1},
               {4294967.0f, 4294967000u},
               // Beyond 32 bits of milliseconds: the longest wait that still has a limit.
               {4294968.0f, kLongestTimedWait},
               {1e30f, kLongestTimedWait},
               {kInfinity, kLongestTimedWait}};
  for (const auto& c : cases) EXPECT_EQ(extra_time_ms(c.seconds), c.ms) << c.seconds;
}

TEST_F(PlaybackTiming, ExtraTimeBelowOneMillisecondWaitsWithALimitOfZero) {
  play(-1, -1, 0.0004f);
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{0}));
}

}  // namespace
}  // namespace tactus::player::testing
