// A click on every beat, on the percussion channel, following the first
// track's time signatures: a high wood block on a bar's first beat, a low one
// on the others. Each click sounds until the next one, or until stopped.
#ifndef TACTUS_PLAYER_CORE_CLICK_H
#define TACTUS_PLAYER_CORE_CLICK_H

#include <cstdint>
#include <limits>
#include <vector>

#include "player/platform.h"
#include "tactus/model.h"

namespace tactus::player {

inline constexpr int32_t kNoBeat = std::numeric_limits<int32_t>::max();

class Click {
 public:
  // Nothing sounds without a port.
  Click(Sequence* sequence, MidiPort* port, bool on);

  // Whether the beats of playback are clicked.
  bool on() const { return on_; }
  void set_on(bool on, Platform& platform);

  // The next beat to click, from the first at or after `tick` on; none
  // while the beats are not clicked.
  void restart_at(int32_t tick) { next_beat_ = on_ ? beat_at_or_after(tick) : kNoBeat; }
  int32_t next_beat() const { return next_beat_; }
  // Clicks the next beat, accented on a bar's first, and goes on to the one after.
  void sound_next(Platform& platform);

  // The meter in effect at a tick: beats to a bar and the length of a beat
  // in the file's seconds at the tempo there.
  struct Meter {
    int32_t beats_per_bar;
    double beat_seconds;
  };
  Meter meter_at(int32_t tick) const;

  // The first beat at or after `tick`; kNoBeat if the sequence has no beats.
  int32_t beat_at_or_after(int32_t tick) const;
  bool is_bar_start(int32_t beat_tick) const;

  // Ends the click sounding, if any, and sounds one, accented or not: a
  // count-in's, whether the beats are clicked or not.
  void sound(Platform& platform, bool accented);
  void silence(Platform& platform);

 private:
  struct Signature {
    int32_t tick;
    double beat;  // in quarter notes
    int32_t numerator, denominator;
  };
  void read_signatures() const;
  const Signature& signature_at(int32_t tick) const;
  // Beat n of a signature's stretch (n from 0), as a tick.
  int32_t beat_tick(const Signature& signature, int64_t n) const;

  Sequence* sequence_;
  MidiPort* port_;
  bool on_;
  int32_t next_beat_ = kNoBeat;
  mutable std::vector<Signature> signatures_;  // by tick; the first at tick 0
  int32_t sounding_note_ = -1;
};

}  // namespace tactus::player

#endif
