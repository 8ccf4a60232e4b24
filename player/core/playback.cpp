#include "player/core/playback.h"

#include <algorithm>
#include <atomic>

#include "player/core/due_time.h"
#include "player/core/sounding_notes.h"
#include "tactus/timing.h"

namespace tactus::player {

namespace {

// The two flags are written from the platform's other threads, the
// interrupt one in signal context: they must be lock-free.
static_assert(std::atomic<bool>::is_always_lock_free);

class Playback {
 public:
  Playback(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports, int32_t from_tick,
           int32_t to_tick)
      : platform_(platform),
        sequence_(sequence),
        track_ports_(track_ports),
        from_tick_(from_tick),
        to_tick_(to_tick),
        sounding_notes_(track_ports) {}

  // A console interrupt is handled only for the span of playback; outside
  // it the platform's default treatment holds.
  void play(float extra_time) {
    platform_.install_interrupt_handler({&Playback::note_interrupt, this});
    walk();
    wait_extra_time(extra_time);
    sounding_notes_.end_all(platform_);
    platform_.remove_interrupt_handler();
  }

 private:
  // Each routine stores its flag before it wakes the main thread, which
  // tests the flags after every wait: no wake-up can be lost.
  static void note_interrupt(void* playback) {
    static_cast<Playback*>(playback)->interrupted_.store(true);
    static_cast<Playback*>(playback)->platform_.wake();
  }

  static void note_long_message_done(void* playback) {
    static_cast<Playback*>(playback)->long_message_done_.store(true);
    static_cast<Playback*>(playback)->platform_.wake();
  }

  // An output that can deliver nothing any more ends the waiting as an
  // interrupt does: the rest goes out at once to the ports that still take
  // it, and the run reports the failure afterwards.
  void wait(uint32_t timeout_ms) {
    platform_.wait(timeout_ms);
    if (platform_.output_failure() != nullptr) interrupted_.store(true);
  }

  void walk() {
    for (Event* event = sequence_get_first_event(sequence_); event != nullptr;
         event = event_get_next_in_sequence(event)) {
      play_event(event);
    }
  }

  // The ports stay open for the extra time; only its limit or an interrupt
  // ends the wait, not a wake-up left over from a long message.
  void wait_extra_time(float extra_time) {
    if (!has_extra_time(extra_time)) return;
    const uint32_t limit = extra_time_ms(extra_time);
    const uint32_t start = platform_.clock_ms();
    uint32_t elapsed = 0;
    while (!interrupted_.load()) {
      wait(limit - elapsed);
      elapsed = platform_.clock_ms() - start;
      if (elapsed >= limit) break;
    }
  }

  bool in_range(int32_t tick) const {
    return (from_tick_ < 0 || tick >= from_tick_) && (to_tick_ < 0 || tick <= to_tick_);
  }

  MidiPort* port_of_track(int32_t track) const {
    if (track < 0 || static_cast<size_t>(track) >= track_ports_.size()) return nullptr;
    return track_ports_[track];
  }

  void play_event(Event* event) {
    const int32_t kind = event_get_kind(event);
    if (kind == META) return;
    const int32_t tick = event_get_tick(event);
    const bool event_in_range = in_range(tick);
    const int32_t track = track_get_number(event_get_track(event));
    MidiPort* port = port_of_track(track);
    if (event_in_range && !interrupted_.load()) {
      wait_until_due(due_time_ms(sequence_get_seconds_from_tick(sequence_, tick)));
    }
    if (port == nullptr) return;
    if (kind == SYSEX) {
      send_long_message(port, event);
      return;
    }
    const bool send =
        interrupted_.load() ? !event_is_note_start(event) : event_in_range || !event_is_note(event);
    if (!send) return;
    const uint32_t message = event_to_short_message(event);
    platform_.send_short_message(port, message);
    sounding_notes_.message_sent(track, message);
  }

  // The first waited event fixes the clock origin so that it is due at once;
  // every later one is due at origin + due_time. All clock arithmetic wraps
  // modulo 2^32. A wait that ends early for any reason just measures again.
  void wait_until_due(uint32_t due_time) {
    while (!interrupted_.load()) {
      const uint32_t now = platform_.clock_ms();
      if (!clock_origin_set_) {
        clock_origin_ = now - due_time;
        clock_origin_set_ = true;
      }
      const uint32_t elapsed = now - clock_origin_;
      if (elapsed >= due_time) return;
      wait(std::min(due_time - elapsed, kLongestTimedWait));
    }
  }

  // At most one long message is outstanding: the walk goes on only when the
  // port is done with the event's bytes. An interrupt does not end that
  // wait; a refused message is not waited for.
  void send_long_message(MidiPort* port, Event* event) {
    const size_t length = static_cast<size_t>(std::max(sysex_get_data_length(event), 0));
    long_message_done_.store(false);
    const LongMessageSent sent = platform_.send_long_message(port, sysex_get_data(event), length,
                                                             {&Playback::note_long_message_done, this});
    if (sent != LongMessageSent::kPending) return;
    while (!long_message_done_.load()) platform_.wait(kWaitForever);
  }

  Platform& platform_;
  Sequence* sequence_;
  std::span<MidiPort* const> track_ports_;
  int32_t from_tick_;
  int32_t to_tick_;
  // Any clock value can be the origin, 0 included, so whether it is set
  // is kept apart: taking 0 for "not set" would move the origin again at
  // the next event and send it early.
  uint32_t clock_origin_ = 0;
  bool clock_origin_set_ = false;
  SoundingNotes sounding_notes_;
  // Set from the platform's threads; never cleared once interrupted.
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> long_message_done_{false};
};

}  // namespace

void play_sequence(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports,
                   int32_t from_tick, int32_t to_tick, float extra_time) {
  // The first conversion builds the sequence's time index: done here, the
  // walk of the events allocates nothing.
  sequence_get_seconds_from_tick(sequence, 0);
  Playback(platform, sequence, track_ports, from_tick, to_tick).play(extra_time);
}

}  // namespace tactus::player
