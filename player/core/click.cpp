#include "player/core/click.h"

#include <algorithm>
#include <cmath>

#include "player/core/transpose.h"
#include "tactus/timing.h"

namespace tactus::player {

namespace {
constexpr uint32_t kAccentNote = 76, kBeatNote = 77;  // high and low wood block
constexpr uint32_t kAccentVelocity = 110, kBeatVelocity = 80;
}  // namespace

// Time signatures count in the first track only, as in every time conversion;
// before the first, 4/4.
Click::Click(Sequence* sequence, MidiPort* port, bool on) : sequence_(sequence), port_(port), on_(on) {}

// Read at the first use: a run without clicks spends no time on them.
void Click::read_signatures() const {
  if (!signatures_.empty()) return;
  signatures_.push_back({0, 0.0, 4, 4});
  for (Event* event = track_get_first_event(sequence_get_first_track(sequence_)); event != nullptr;
       event = event_get_next_in_track(event)) {
    if (!event_is_time_signature(event)) continue;
    const int32_t numerator = time_signature_get_numerator(event);
    const int32_t denominator = time_signature_get_denominator(event);
    if (numerator <= 0 || denominator <= 0) continue;
    const int32_t tick = event_get_tick(event);
    if (tick == signatures_.back().tick) signatures_.pop_back();
    signatures_.push_back({tick, sequence_get_beat_from_tick(sequence_, tick), numerator, denominator});
  }
}

const Click::Signature& Click::signature_at(int32_t tick) const {
  read_signatures();
  auto after = std::upper_bound(signatures_.begin(), signatures_.end(), tick,
                                [](int32_t wanted, const Signature& s) { return wanted < s.tick; });
  return after == signatures_.begin() ? signatures_.front() : *std::prev(after);
}

int32_t Click::beat_tick(const Signature& signature, int64_t n) const {
  const double quarters = signature.beat + static_cast<double>(n) * 4.0 / signature.denominator;
  return sequence_get_tick_from_beat(sequence_, static_cast<float>(quarters));
}

Click::Meter Click::meter_at(int32_t tick) const {
  const Signature& signature = signature_at(tick);
  const double beat = sequence_get_beat_from_tick(sequence_, tick) + 4.0 / signature.denominator;
  const double seconds = sequence_get_seconds_from_tick(
                             sequence_, sequence_get_tick_from_beat(sequence_, static_cast<float>(beat))) -
                         sequence_get_seconds_from_tick(sequence_, tick);
  return {signature.numerator, seconds};
}

int32_t Click::beat_at_or_after(int32_t tick) const {
  const Signature& signature = signature_at(tick);
  const double beats =
      (sequence_get_beat_from_tick(sequence_, tick) - signature.beat) * signature.denominator / 4.0;
  int64_t n = static_cast<int64_t>(std::max(0.0, std::floor(beats)));
  while (beat_tick(signature, n) < tick) ++n;
  const int32_t found = beat_tick(signature, n);
  // A new signature starts a bar of its own.
  const Signature* next = &signature + 1;
  if (next != signatures_.data() + signatures_.size() && found >= next->tick) return next->tick;
  return found < tick ? kNoBeat : found;
}

bool Click::is_bar_start(int32_t beat_tick_value) const {
  const Signature& signature = signature_at(beat_tick_value);
  const double beats = (sequence_get_beat_from_tick(sequence_, beat_tick_value) - signature.beat) *
                       signature.denominator / 4.0;
  const int64_t n = static_cast<int64_t>(std::llround(beats));
  return n % signature.numerator == 0;
}

void Click::set_on(bool on, Platform& platform) {
  on_ = on;
  if (!on) silence(platform);
}

void Click::sound_next(Platform& platform) {
  sound(platform, is_bar_start(next_beat_));
  next_beat_ = beat_at_or_after(next_beat_ + 1);
}

void Click::sound(Platform& platform, bool accented) {
  if (port_ == nullptr) return;
  silence(platform);
  sounding_note_ = static_cast<int32_t>(accented ? kAccentNote : kBeatNote);
  const uint32_t velocity = accented ? kAccentVelocity : kBeatVelocity;
  platform.send_short_message(
      port_, 0x90 | kPercussionChannel | static_cast<uint32_t>(sounding_note_) << 8 | velocity << 16);
}

void Click::silence(Platform& platform) {
  if (port_ == nullptr || sounding_note_ < 0) return;
  platform.send_short_message(port_, 0x80 | kPercussionChannel | static_cast<uint32_t>(sounding_note_) << 8);
  sounding_note_ = -1;
}

}  // namespace tactus::player
