// Random small songs, ports, ranges and practice options played on the
// virtual-time platform against a reference; the due-time conversion.
#include "player/core/playback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <random>

#include "player/core/due_time.h"
#include "tactus/timing.h"
#include "test_platform.h"

namespace tactus::player::testing {
namespace {

const unsigned char kSysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr int32_t kNoPort = -2;

// A random song and how it is played; tempos of 60 to 187 bpm on track 0, words on the others.
struct Case {
  Sequence* song = sequence_new(1, DIVISION_PPQ, 480);
  std::vector<int32_t> devices;  // of each track's port, by track; kNoPort: none
  int32_t from_tick, to_tick;
  uint32_t extra_ms;
  PracticeOptions practice;
  TestPlatform platform;                              // how it completes long messages
  std::vector<std::pair<uint64_t, bool>> happenings;  // a time, and whether it is the stop or a stray wake-up
  bool stop_is_failure;                               // an output failing rather than an interrupt
  ~Case() { sequence_free(song); }
};

template <typename T>
T pick(std::mt19937& random, std::initializer_list<T> values) {
  return values.begin()[random() % values.size()];
}

void random_case(std::mt19937& random, Case& c) {
  const auto below = [&](size_t n) { return static_cast<uint32_t>(random() % n); };
  c.practice.loop_count = pick(random, {-1, -1, 1, 2, 3, 0});
  std::vector<Track*> tracks(1 + below(3));
  for (Track*& track : tracks) track = sequence_add_track(c.song);
  std::vector<int32_t> ticks{0};
  for (uint32_t n = below(14); n > 0; --n) {
    Track* track = tracks[below(tracks.size())];
    int32_t& tick = ticks.emplace_back(below(25) * 60);  // 60 ticks apart, so that events often share one
    if (below(4) == 0) tick += below(60);
    // A loop's seams bring the channels' state back, which the seam property checks: here loops
    // get songs without it.
    const uint32_t status =
        c.practice.loop_count >= 0
            ? pick(random, {0x80u, 0x90u, 0x90u, 0xA0u, 0xF0u, 0xFFu})
            : pick(random, {0x80u, 0x90u, 0x90u, 0xA0u, 0xB0u, 0xC0u, 0xD0u, 0xE0u, 0xF0u, 0xFFu});
    const uint32_t first =
        status < 0xB0 ? pick(random, {0u, 3u, 5u, 60u, 62u, 125u, 126u, 127u, 188u}) : below(128);
    const uint32_t second = below(4) == 0 || (status & 0xE0) == 0xC0 ? 0 : below(128);
    if (status < 0xF0)
      event_new_from_short_message(track, tick, status | below(16) | first << 8 | second << 16);
    if (status == 0xF0) sysex_new(track, tick, sizeof kSysex, kSysex);
    if (status == 0xFF && track == tracks[0]) tempo_new(track, tick, 60.0f + second);
    if (status == 0xFF && track != tracks[0]) lyric_new(track, tick, "la");
  }
  for (size_t t = below(3) + tracks.size() - 1; t > 0; --t)
    c.devices.push_back(pick(random, {0, 1, kNoPort}));
  // Bounds often fall on an event.
  c.from_tick = pick(random, {-1, -1, ticks[below(ticks.size())], static_cast<int32_t>(below(1500))});
  c.to_tick = pick(random, {-1, -1, ticks[below(ticks.size())], static_cast<int32_t>(below(1500))});
  c.extra_ms = pick(random, {0u, 250u, 1000u});
  c.practice.tempo_percent = pick(random, {100.0f, 100.0f, 50.0f, 150.0f, 33.3f});
  c.practice.transpose = pick(random, {0, 0, 1, -5, 70, -70, INT32_MIN, INT32_MAX});
  c.platform.long_messages = static_cast<LongMessages>(below(4));
  c.platform.long_message_delay = pick(random, {0u, 130u});
  if (c.practice.loop_count == 0 || below(3) != 0) c.happenings.push_back({below(3000), true});
  if (below(2) == 0) c.happenings.push_back({below(3000), false});
  c.stop_is_failure = below(3) == 0;
}

// What playback must send and when, and how long it waits, in virtual ms: events in range
// when due by the tempo map, the first at once; the others at once, but not notes; after the
// stop all at once but note starts; notes still sounding ended between passes and at the end. A loop's
// first pass starts at the range's start, and the next pass goes on from its first event.
class Reference {
 public:
  explicit Reference(const Case& c) : c_(c), happenings_(c.happenings) {
    for (Event* e = sequence_get_first_event(c.song); e != nullptr; e = event_get_next_in_sequence(e))
      events_.push_back(e);
    end_ = c.to_tick >= 0 ? c.to_tick : events_.empty() ? 0 : event_get_tick(events_.back());
    // A loop over a range of no length plays once, as a run without a loop.
    looping_ = c.practice.loop_count >= 0 && end_ > start_ && due(end_) != due(start_);
    for (int32_t device : c.devices)
      if (device != kNoPort && std::find(ports_.begin(), ports_.end(), device) == ports_.end())
        ports_.push_back(device);
    std::stable_sort(happenings_.begin(), happenings_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  }

  std::vector<SentMessage> sent;
  std::vector<uint32_t> limits;
  uint64_t now = 0;
  std::optional<int64_t> origin;  // the virtual time at which the file's time 0 lies

  void play() {
    size_t i = 0;
    for (int64_t pass = 1;; ++pass) {
      for (; i < events_.size() && (!looping_ || stopped_ || event_get_tick(events_[i]) < end_); ++i)
        play(events_[i]);
      if (looping_) wait_due(due(end_));
      if (!looping_ || stopped_ || pass == c_.practice.loop_count) {
        for (; i < events_.size(); ++i) play(events_[i]);
        break;
      }
      end_sounding_notes();
      *origin += due(end_) - due(start_);
      for (i = 0; i < events_.size() && event_get_tick(events_[i]) < start_;) ++i;
    }
    wait_until(now + c_.extra_ms);
    end_sounding_notes();
  }

 private:
  // A loop's pass leaves out the end of the range, where the next begins.
  bool in_range(int32_t tick) const {
    if (looping_) return tick >= start_ && tick < end_;
    return (c_.from_tick < 0 || tick >= c_.from_tick) && (c_.to_tick < 0 || tick <= c_.to_tick);
  }

  int64_t due(int32_t tick) const {
    const double seconds = sequence_get_seconds_from_tick(c_.song, tick);
    const float percent = c_.practice.tempo_percent;
    return static_cast<int64_t>((percent == 100 ? seconds : seconds * 100.0 / percent) * 1000.0);
  }

  void wait_due(int64_t due) {
    if (stopped_) return;
    if (!origin) origin = static_cast<int64_t>(now) - (looping_ ? this->due(start_) : due);
    wait_until(static_cast<uint64_t>(*origin + due));
  }

  // The first scripted happening up to `until` comes: false if there is none.
  bool happen(uint64_t until) {
    if (happenings_.empty() || happenings_.front().first > until) return false;
    now = std::max(now, happenings_.front().first);
    stopped_ = stopped_ || happenings_.front().second;
    happenings_.erase(happenings_.begin());
    return true;
  }

  // A wait ends at its limit, at a happening, or at once for a completion
  // left over from a long message; then the time left is waited for again.
  void wait_until(uint64_t target) {
    while (!stopped_ && now < target) {
      limits.push_back(static_cast<uint32_t>(target - now));
      if (!std::exchange(pending_wake_, false) && !happen(target)) now = target;
    }
  }

  // The wait for a port that is slow to finish ends only at its completion,
  // or once the outputs have failed: then no completion comes.
  void send_long_message(int32_t device) {
    if (c_.platform.long_messages == LongMessages::kRefused) return;
    sent.push_back({device, now, {std::begin(kSysex), std::end(kSysex)}});
    pending_wake_ = c_.platform.long_messages == LongMessages::kDoneAtOnce;
    if (c_.platform.long_messages != LongMessages::kDoneLater) return;
    const uint64_t done = now + c_.platform.long_message_delay;
    while (!(stopped_ && c_.stop_is_failure)) {
      limits.push_back(kWaitForever);
      if (!happen(done)) {
        now = done;
        return;
      }
    }
  }

  void play(Event* e) {
    if (event_get_kind(e) == META) return;
    const bool in = in_range(event_get_tick(e));
    if (in) wait_due(due(event_get_tick(e)));
    const size_t track = static_cast<size_t>(track_get_number(event_get_track(e)));
    const int32_t device = track < c_.devices.size() ? c_.devices[track] : kNoPort;
    if (device == kNoPort) return;
    if (event_get_kind(e) == SYSEX) return send_long_message(device);
    const uint32_t message = event_to_short_message(e);
    const uint32_t kind = message & 0xF0, first = message >> 8 & 0xFF, second = message >> 16;
    const bool note = kind == 0x80 || kind == 0x90;
    if (stopped_ ? kind == 0x90 && second > 0 : !in && note) return;
    const bool keyed = kind <= 0xA0 && (message & 0x0F) != 9;
    const int64_t shifted = int64_t{first} + (keyed ? c_.practice.transpose : 0);
    if (first > 127 || shifted < 0 || shifted > 127) return;  // no MIDI note, before or after
    const unsigned char status = static_cast<unsigned char>(message),
                        key = static_cast<unsigned char>(shifted);
    sent.push_back({device, now, {status, key, static_cast<unsigned char>(second)}});
    if (note) sounding_[device][{status & 0x0F, key}] = kind == 0x90 && second != 0;
  }

  // Port by port in the order the table names them, channels and notes ascending.
  void end_sounding_notes() {
    for (int32_t device : ports_) {
      for (const auto& [note, sounding] : sounding_[device])
        if (sounding)
          sent.push_back({device, now, {static_cast<unsigned char>(0x80 | note.first), note.second, 0}});
      sounding_[device].clear();
    }
  }

  const Case& c_;
  std::vector<Event*> events_;
  bool looping_;
  const int32_t start_ = std::max(c_.from_tick, 0);
  int32_t end_;
  std::vector<int32_t> ports_;
  bool stopped_ = false;
  bool pending_wake_ = false;
  std::vector<std::pair<uint64_t, bool>> happenings_;  // time, whether it is the stop
  std::map<int32_t, std::map<std::pair<int, unsigned char>, bool>> sounding_;
};

TEST(PlaybackProperty, SendsWhatTheReferenceSendsWhenItSendsItAndWaitsAsLong) {
  for (uint32_t seed = 1; seed <= 500; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Case c;
    random_case(random, c);
    Reference reference(c);
    reference.play();
    TestPlatform& platform = c.platform;
    platform.device_names = {"first", "second"};
    // Any clock reading, near the wrap, or the one that puts time 0 of the file at clock 0.
    const uint32_t any = static_cast<uint32_t>(random());
    platform.clock_start =
        pick(random, {any, 0xFFFFFFFFu - any % 3000, static_cast<uint32_t>(-reference.origin.value_or(0))});
    for (const auto& [time, stop] : c.happenings) {
      if (!stop) platform.wake_at(time);
      if (stop) c.stop_is_failure ? platform.fail_outputs_at(time, "gone") : platform.interrupt_at(time);
    }
    MidiPort* opened[] = {platform.open_output(0), platform.open_output(1)};
    std::vector<MidiPort*> ports;
    for (int32_t device : c.devices) ports.push_back(device == kNoPort ? nullptr : opened[device]);
    ASSERT_NO_THROW(
        play_sequence(platform, c.song, ports, c.from_tick, c.to_tick, c.extra_ms / 1000.0f, c.practice));
    EXPECT_EQ(platform.sent, reference.sent);
    EXPECT_EQ(platform.wait_limits, reference.limits);
    EXPECT_EQ(platform.now(), reference.now);
    EXPECT_FALSE(platform.handler_installed());
  }
}

// Truncated toward zero and wrapped modulo 2^32; a time beyond a double's range counts as none.
TEST(PlaybackDueTime, WrapsModulo2To32AndCountsNonFiniteTimesAsZero) {
  const std::pair<double, uint32_t> rows[] = {{1.0019, 1001},
                                              {-0.0019, 0xFFFFFFFF},
                                              {4294967.2969, 0},
                                              {-4294967.2969, 0},
                                              {1e308, 0},
                                              {std::nan(""), 0},
                                              {-std::numeric_limits<double>::infinity(), 0}};
  for (const auto& [seconds, ms] : rows) EXPECT_EQ(due_time_ms(seconds), ms) << seconds;
}

}  // namespace
}  // namespace tactus::player::testing
