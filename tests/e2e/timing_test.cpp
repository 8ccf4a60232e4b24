// Timing on real ports: the arrival of every message, measured in JACK
// frames, against the file's tempo map computed here on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "e2e_fixture.h"

namespace tactus::e2e {
namespace {

// 480 ticks a quarter; 120 beats a minute from tick 0, 80 from tick 1920,
// 200 from tick 2880.
double seconds_at(uint32_t tick) {
  const double beats = tick / 480.0;
  if (tick < 1920) return beats * 0.5;
  if (tick < 2880) return 2.0 + (beats - 4.0) * 0.75;
  return 3.5 + (beats - 6.0) * 0.3;
}

TEST_F(EndToEnd, MessagesArriveOnTimeThroughTempoChanges) {
  SongBytes song(2, 480);
  song.add(0, 0, tempo_event(500000)).add(0, 1920, tempo_event(750000)).add(0, 2880, tempo_event(300000));
  std::vector<uint32_t> ticks;
  for (uint32_t tick = 0; tick <= 3840; tick += 160) {
    const auto step = static_cast<uint8_t>(tick / 160);
    song.add(1, tick, {0x90, static_cast<uint8_t>(40 + step), 0x64});
    song.add(1, tick + 80, {0x80, static_cast<uint8_t>(40 + step), 0x00});
    ticks.push_back(tick);
    ticks.push_back(tick + 80);
  }

  Played played = play(song, {"--out", kPort0});

  EXPECT_EQ(played.run.exit_status, 0);
  const std::vector<Arrival>& arrivals = played.recording.arrivals;
  ASSERT_EQ(arrivals.size(), ticks.size());
  const double tolerance = arrival_tolerance_seconds(played.recording);
  double total_error = 0;
  double largest_error = 0;
  for (size_t i = 0; i < arrivals.size(); ++i) {
    const double measured =
        static_cast<double>(arrivals[i].frame - arrivals[0].frame) / played.recording.sample_rate;
    const double expected = seconds_at(ticks[i]) - seconds_at(ticks[0]);
    EXPECT_NEAR(measured, expected, tolerance) << "message " << i << " at tick " << ticks[i];
    total_error += std::fabs(measured - expected);
    largest_error = std::max(largest_error, std::fabs(measured - expected));
  }
  std::printf(
      "timing error against the tempo map: mean %.2f ms, max %.2f ms over %zu messages (period %.2f ms)\n",
      1000 * total_error / static_cast<double>(arrivals.size()), 1000 * largest_error, arrivals.size(),
      1000.0 * played.recording.period / played.recording.sample_rate);
}

}  // namespace
}  // namespace tactus::e2e
