#include "player/core/playback.h"

#include <algorithm>

#include "player/core/due_time.h"
#include "player/core/sounding_notes.h"
#include "timing/tempo_cursor.h"

namespace tactus::player {

std::atomic<int> interrupted{0};
std::atomic<int> long_message_done{0};

namespace {

// The platform whose wake-up object the notification routines wake; null
// outside playback, when there is no wait to end.
std::atomic<Platform*> wake_platform{nullptr};
static_assert(std::atomic<Platform*>::is_always_lock_free, "the interrupt handler may not take a lock");

void wake_main_thread() {
  Platform* platform = wake_platform.load();
  if (platform != nullptr) platform->wake();
}

class Playback {
 public:
  Playback(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports, int32_t from_tick,
           int32_t to_tick)
      : platform_(platform),
        sequence_(sequence),
        track_ports_(track_ports),
        from_tick_(from_tick),
        to_tick_(to_tick),
        seconds_(sequence),
        sounding_notes_(track_ports) {}

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
    while (interrupted.load() == 0) {
      platform_.wait(limit - elapsed);
      elapsed = platform_.clock_ms() - start;
      if (elapsed >= limit) break;
    }
  }

  void end_sounding_notes() { sounding_notes_.end_all(platform_); }

 private:
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
    if (event_in_range && interrupted.load() == 0) {
      wait_until_due(due_time_ms(seconds_.seconds_at(tick)));
    }
    if (port == nullptr) return;
    if (kind == SYSEX) {
      send_long_message(port, event);
      return;
    }
    const bool send =
        interrupted.load() != 0 ? !event_is_note_start(event) : event_in_range || !event_is_note(event);
    if (!send) return;
    const uint32_t message = event_to_short_message(event);
    platform_.send_short_message(port, message);
    sounding_notes_.message_sent(track, message);
  }

  // The first waited event fixes the clock origin so that it is due at once;
  // every later one is due at origin + due_time. All clock arithmetic wraps
  // modulo 2^32. A wait that ends early for any reason just measures again.
  void wait_until_due(uint32_t due_time) {
    while (interrupted.load() == 0) {
      const uint32_t now = platform_.clock_ms();
      if (!clock_origin_set_) {
        clock_origin_ = now - due_time;
        clock_origin_set_ = true;
      }
      const uint32_t elapsed = now - clock_origin_;
      if (elapsed >= due_time) return;
      platform_.wait(std::min(due_time - elapsed, kLongestTimedWait));
    }
  }

  // One header serves every system-exclusive event, and at most one is
  // outstanding: the walk goes on only when the port reports it done. An
  // interrupt does not end that wait; a refused message is not waited for.
  void send_long_message(MidiPort* port, Event* event) {
    header_.data = sysex_get_data(event);
    header_.length = static_cast<size_t>(std::max(sysex_get_data_length(event), 0));
    platform_.prepare_long_message(port, header_);
    long_message_done.store(0);
    if (platform_.send_long_message(port, header_)) {
      while (long_message_done.load() == 0) platform_.wait(kWaitForever);
    }
    platform_.release_long_message(port, header_);
  }

  Platform& platform_;
  Sequence* sequence_;
  std::span<MidiPort* const> track_ports_;
  int32_t from_tick_;
  int32_t to_tick_;
  // Events come in tick order, so one forward pass over the tempo map
  // gives every due time.
  internal::SecondsCursor seconds_;
  // Any clock value can be the origin, 0 included, so whether it is set
  // is kept apart: taking 0 for "not set" would move the origin again at
  // the next event and send it early.
  uint32_t clock_origin_ = 0;
  bool clock_origin_set_ = false;
  LongMessage header_;
  SoundingNotes sounding_notes_;
};

}  // namespace

void output_done_callback() {
  long_message_done.store(1);
  wake_main_thread();
}

void console_interrupt_handler() {
  interrupted.store(1);
  wake_main_thread();
}

void play_sequence(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports,
                   int32_t from_tick, int32_t to_tick, float extra_time) {
  Playback playback(platform, sequence, track_ports, from_tick, to_tick);
  interrupted.store(0);
  wake_platform.store(&platform);
  platform.install_interrupt_handler(console_interrupt_handler);
  playback.walk();
  playback.wait_extra_time(extra_time);
  playback.end_sounding_notes();
  platform.remove_interrupt_handler();
  wake_platform.store(nullptr);
}

}  // namespace tactus::player
