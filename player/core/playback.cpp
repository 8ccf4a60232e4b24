#include "player/core/playback.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "player/core/channel_states.h"
#include "player/core/click.h"
#include "player/core/console.h"
#include "player/core/due_time.h"
#include "player/core/event_index.h"
#include "player/core/port_table.h"
#include "player/core/song_places.h"
#include "player/core/sounding_notes.h"
#include "player/core/transport.h"
#include "player/core/transpose.h"
#include "tactus/timing.h"

namespace tactus::player {

namespace {

// The two flags are written from the platform's other threads, the
// interrupt one in signal context: they must be lock-free.
static_assert(std::atomic<bool>::is_always_lock_free);

// How often the status line is redrawn while playback waits.
constexpr uint32_t kProgressInterval = 100;
constexpr float kTempoStep = 5, kSlowest = 5, kFastest = 400;

class Playback {
 public:
  Playback(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports, int32_t from_tick,
           int32_t to_tick, const PracticeOptions& practice)
      : platform_(platform),
        sequence_(sequence),
        ports_(track_ports),
        events_(sequence),
        transport_(sequence, events_, from_tick, to_tick, practice),
        channels_(events_, ports_),
        sounding_notes_(ports_),
        console_(platform, sequence, practice),
        click_(sequence, practice.click_port, practice.click),
        places_(sequence),
        count_in_bars_(practice.count_in_bars),
        transpose_(practice.transpose),
        starts_at_range_start_(transport_.plan().repeats || practice.count_in_bars > 0) {}

  // A console interrupt is handled only for the span of playback; outside
  // it the platform's default treatment holds. The terminal gets its
  // settings back however playback ends, an exception included.
  void play(float extra_time) {
    platform_.install_interrupt_handler({&Playback::note_interrupt, this});
    struct KeysTaken {
      Console& console;
      ~KeysTaken() { console.stop_keys(); }
    } keys{console_};
    console_.start_keys();
    // Where playback can go on from elsewhere, the state is ready for it.
    if (console_.takes_keys() || transport_.plan().repeats) channels_.prepare();
    if (console_.shows_progress()) draw_progress(platform_.clock_ms());
    walk();
    wait_extra_time(extra_time);
    end_sounding();
    console_.finish(transport_.position_at(platform_.clock_ms()), status());
    console_.stop_keys();
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
    interrupted_by_failure();
  }

  bool interrupted_by_failure() {
    if (platform_.output_failure() == nullptr) return false;
    interrupted_.store(true);
    return true;
  }

  // The events in time order. A loop's pass ends at the due time of its
  // end, where the next begins at the range's start; after the last pass
  // (or an interrupt) the rest of the list goes out as after any range.
  void walk() {
    bool rest = false;
    while (true) {
      if (!rest && !interrupted_.load() && transport_.pass_over()) {
        if (!wait_until(transport_.plan().end_tick)) continue;
        if (!interrupted_.load() && !transport_.last_pass()) {
          next_pass();
          continue;
        }
        rest = true;
      }
      if (transport_.at_end()) return;
      Event* event = transport_.cursor();
      const bool in_range = transport_.in_range(event_get_tick(event));
      if (waits_for(event, in_range) && !wait_until(event_get_tick(event))) continue;
      transport_.advance();
      play_event(event, in_range);
    }
  }

  // Events in range are waited for; of the meta events only words.
  bool waits_for(Event* event, bool in_range) const {
    if (!in_range || interrupted_.load()) return false;
    return event_get_kind(event) != META || console_.carries_words(event);
  }

  void play_event(Event* event, bool in_range) {
    const int32_t kind = event_get_kind(event);
    if (kind == META) {
      if (!in_range || interrupted_.load() || !console_.carries_words(event)) return;
      console_.print_words(event);
      if (console_.shows_progress()) draw_progress(platform_.clock_ms());
      return;
    }
    const int32_t track = track_get_number(event_get_track(event));
    const int32_t port_index = ports_.index_of_track(track);
    if (port_index < 0) return;
    MidiPort* port = ports_.port(static_cast<size_t>(port_index));
    if (kind == SYSEX) {
      send_long_message(port, event);
      return;
    }
    bool send = interrupted_.load() ? !event_is_note_start(event) : in_range || !event_is_note(event);
    // A track silenced from the keys loses its note starts only, so that
    // its controllers stay right for when it is heard again.
    if (send && event_is_note_start(event) && track < 32 && (silenced_ >> track & 1) != 0) send = false;
    if (!send) return;
    uint32_t message = event_to_short_message(event);
    if (!transpose_message(message, transpose_)) return;
    platform_.send_short_message(port, message);
    sounding_notes_.message_sent(port_index, message);
    channels_.message_sent(port_index, message);
  }

  // Waits until `tick` is due, sounding the clicks due meanwhile and doing
  // what the keys ask. False when a key moved playback elsewhere. All
  // clock arithmetic wraps modulo 2^32; a wait that ends early for any
  // reason just measures again.
  bool wait_until(int32_t tick) {
    const uint64_t moves = moves_;
    float tempo = transport_.tempo_percent();
    uint32_t due = transport_.due_of(tick);
    while (!interrupted_.load()) {
      uint32_t now = platform_.clock_ms();
      if (!transport_.clock_started()) now = start_clock(now, tick);
      if (transport_.paused()) {
        wait(kWaitForever);
      } else {
        const uint32_t elapsed = transport_.elapsed(now);
        const uint32_t click_due = sound_clicks(elapsed);
        if (elapsed >= due) return true;
        const uint32_t limit = std::min({due - elapsed, click_due - elapsed, kLongestTimedWait});
        wait(console_.shows_progress() ? progress_slice(now, limit) : limit);
      }
      obey_keys();
      if (moves_ != moves) return false;
      if (transport_.tempo_percent() != tempo) {
        tempo = transport_.tempo_percent();
        due = transport_.due_of(tick);
      }
    }
    return true;
  }

  // The clock starts at the first wait: with a loop or a count-in at the
  // range's start, after the count-in, so that the first pass lasts as long
  // as the others (a rest at its start is waited for); otherwise `tick` is
  // due at once.
  uint32_t start_clock(uint32_t now, int32_t tick) {
    if (count_in_bars_ > 0) now = count_in(now);
    const int32_t first = starts_at_range_start_ ? transport_.plan().start_tick : tick;
    transport_.start_clock(now, transport_.due_of(first));
    click_.restart_at(first);
    return now;
  }

  // Bars of clicks at the meter and tempo of the range's start, so that its
  // first beat falls where the next bar would begin.
  uint32_t count_in(uint32_t start) {
    const Click::Meter meter = click_.meter_at(transport_.plan().start_tick);
    const double beat_ms = played_seconds(meter.beat_seconds, transport_.tempo_percent()) * 1000.0;
    const int64_t beats = int64_t{count_in_bars_} * meter.beats_per_bar;
    for (int64_t beat = 0; beat <= beats && !interrupted_.load(); ++beat) {
      const uint32_t due = start + due_time_ms(static_cast<double>(beat) * beat_ms / 1000.0);
      for (uint32_t now = platform_.clock_ms(); now - start < due - start && !interrupted_.load();
           now = platform_.clock_ms()) {
        wait(due - now);
        obey_quit_only();
      }
      if (beat < beats) click_.sound(platform_, beat % meter.beats_per_bar == 0);
    }
    return start + due_time_ms(static_cast<double>(beats) * beat_ms / 1000.0);
  }

  // Sounds the clicks due by `elapsed` within the pass; returns when the
  // next is due (or a time that never comes first).
  uint32_t sound_clicks(uint32_t elapsed) {
    const uint32_t never = elapsed + kLongestTimedWait;
    const int32_t limit = transport_.plan().repeats ? transport_.plan().end_tick : kNoBeat;
    while (click_.on() && click_.next_beat() < limit) {
      const uint32_t due = transport_.due_of(click_.next_beat());
      if (due > elapsed) return due;
      click_.sound_next(platform_);
    }
    return never;
  }

  void obey_keys() {
    for (KeyCommand key = console_.next_command(); key.command != Command::kNone;
         key = console_.next_command())
      obey(key);
  }

  // Where nothing is played to move about in (the count-in, the extra
  // time), only the keys that end the run count.
  void obey_quit_only() {
    for (KeyCommand key = console_.next_command(); key.command != Command::kNone;
         key = console_.next_command())
      if (key.command == Command::kQuit) interrupted_.store(true);
  }

  void obey(const KeyCommand& key) {
    const uint32_t now = platform_.clock_ms();
    const int32_t here = key_position(now);
    switch (key.command) {
      case Command::kPause:
        transport_.paused() ? resume(now) : pause(now);
        break;
      case Command::kPreviousBar:
      case Command::kNextBar:
        jump_to(places_.bar_start(places_.bar_of(here) + (key.command == Command::kNextBar ? 1 : -1)));
        break;
      case Command::kRangeStart:
        jump_to(transport_.plan().start_tick);
        break;
      case Command::kPreviousMarker:
      case Command::kNextMarker: {
        const auto marker =
            key.command == Command::kNextMarker ? places_.marker_after(here) : places_.marker_before(here);
        if (marker) jump_to(*marker);
        break;
      }
      case Command::kSlower:
      case Command::kFaster: {
        const float step = key.command == Command::kFaster ? kTempoStep : -kTempoStep;
        transport_.set_tempo(std::clamp(transport_.tempo_percent() + step, kSlowest, kFastest), now);
        break;
      }
      case Command::kLower:
      case Command::kHigher:
        // The notes sounding would end in the wrong key.
        end_sounding();
        transpose_ += key.command == Command::kHigher ? 1 : -1;
        break;
      case Command::kTrack:
        if ((silenced_ >> key.track & 1) == 0) end_sounding();
        silenced_ ^= 1u << key.track;
        break;
      case Command::kLoopStart:
      case Command::kLoopEnd:
        set_loop(key.command == Command::kLoopStart, places_.bar_of(here));
        break;
      case Command::kClick:
        click_.set_on(!click_.on(), platform_);
        click_.restart_at(here);
        break;
      case Command::kQuit:
        interrupted_.store(true);
        break;
      case Command::kShowKeys:
        console_.print_keys();
        break;
      case Command::kNone:
        break;
    }
    if (console_.shows_progress()) draw_progress(now);
  }

  // Playback stops where it is; resuming brings the state right there.
  void pause(uint32_t now) {
    end_sounding();
    transport_.pause(now);
  }

  void resume(uint32_t now) {
    transport_.resume(now);
    channels_.bring_to(transport_.cursor_index(), platform_);
    click_.restart_at(key_position(now));
  }

  // Goes on from `tick`, with the synthesizer in the state that the file
  // has there; the event waited for is left to the walk to pick anew.
  void jump_to(int32_t tick) {
    end_sounding();
    transport_.jump(tick, platform_.clock_ms());
    channels_.bring_to(transport_.cursor_index(), platform_);
    click_.restart_at(std::max(tick, transport_.plan().start_tick));
    ++moves_;
  }

  void next_pass() {
    end_sounding();
    transport_.next_pass();
    channels_.bring_to(transport_.cursor_index(), platform_);
    click_.restart_at(transport_.plan().start_tick);
    console_.start_paragraph();
  }

  void end_sounding() {
    sounding_notes_.end_all(platform_);
    click_.silence(platform_);
  }

  // A loop from the keys, from and to the first beat of bars; the other end
  // is the range's or the other key's. The ends are swapped when given the
  // wrong way round; playback that is before the loop goes to its start.
  void set_loop(bool start, int32_t bar) {
    (start ? loop_from_bar_ : loop_to_bar_) = bar;
    if (loop_from_bar_ > 0 && loop_to_bar_ > 0 && loop_from_bar_ > loop_to_bar_)
      std::swap(loop_from_bar_, loop_to_bar_);
    const int32_t from = loop_from_bar_ > 0 ? places_.bar_start(loop_from_bar_) : transport_.range_start();
    const int32_t to = loop_to_bar_ > 0 ? places_.bar_start(loop_to_bar_) : transport_.range_end();
    if (to <= from) return;
    const bool before = key_position(platform_.clock_ms()) < from;
    transport_.loop(from, to);
    if (before) jump_to(from);
    // The event waited for may lie beyond the loop's new end.
    ++moves_;
  }

  // Where playback is, for the keys: the tick just reached, so that a key
  // pressed right after a jump counts from its target.
  int32_t key_position(uint32_t now) const { return transport_.position_at(now + 1); }

  // The ports stay open for the extra time; only its limit, an interrupt or
  // the quit key ends the wait, not a wake-up left over from a long message.
  void wait_extra_time(float extra_time) {
    if (!has_extra_time(extra_time)) return;
    const uint32_t limit = extra_time_ms(extra_time);
    const uint32_t start = platform_.clock_ms();
    uint32_t elapsed = 0;
    while (!interrupted_.load()) {
      wait(limit - elapsed);
      obey_quit_only();
      elapsed = platform_.clock_ms() - start;
      if (elapsed >= limit) break;
    }
  }

  // Redraws the status line when its time has come, and cuts the wait so
  // that it ends by the next redraw.
  uint32_t progress_slice(uint32_t now, uint32_t limit) {
    uint32_t since_drawn = now - last_progress_draw_;
    if (since_drawn >= kProgressInterval) {
      draw_progress(now);
      since_drawn = 0;
    }
    return std::min(limit, kProgressInterval - since_drawn);
  }

  void draw_progress(uint32_t now) {
    last_progress_draw_ = now;
    console_.draw(transport_.position_at(now), status());
  }

  StatusFields status() const {
    StatusFields fields;
    fields.pass = transport_.plan().repeats ? transport_.pass() : 0;
    fields.pass_count = transport_.plan().count;
    fields.tempo_percent = transport_.tempo_percent();
    fields.transpose = transpose_;
    fields.silenced_tracks = silenced_;
    fields.loop_from_bar =
        loop_from_bar_ > 0 || loop_to_bar_ > 0 ? places_.bar_of(transport_.plan().start_tick) : 0;
    fields.loop_to_bar = places_.bar_of(transport_.plan().end_tick);
    fields.paused = transport_.paused();
    return fields;
  }

  // At most one long message is outstanding: the walk goes on only when the
  // port is done with the event's bytes. An interrupt does not end that
  // wait; a refused message is not waited for, nor one on an output that
  // has failed, whose completion will never come.
  void send_long_message(MidiPort* port, Event* event) {
    const size_t length = static_cast<size_t>(std::max(sysex_get_data_length(event), 0));
    long_message_done_.store(false);
    const LongMessageSent sent = platform_.send_long_message(port, sysex_get_data(event), length,
                                                             {&Playback::note_long_message_done, this});
    if (sent != LongMessageSent::kPending) return;
    while (!long_message_done_.load() && !interrupted_by_failure()) platform_.wait(kWaitForever);
  }

  Platform& platform_;
  Sequence* sequence_;
  PortTable ports_;
  EventIndex events_;
  Transport transport_;
  ChannelStates channels_;
  SoundingNotes sounding_notes_;
  Console console_;
  Click click_;
  SongPlaces places_;
  int32_t count_in_bars_;
  int32_t transpose_;
  bool starts_at_range_start_;
  uint32_t silenced_ = 0;  // bit t: track t silenced from the keys
  int32_t loop_from_bar_ = 0, loop_to_bar_ = 0;
  uint64_t moves_ = 0;  // jumps so far: a wait that sees a new one stops
  uint32_t last_progress_draw_ = 0;
  // Set from the platform's threads; never cleared once interrupted.
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> long_message_done_{false};
};

}  // namespace

void play_sequence(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports,
                   int32_t from_tick, int32_t to_tick, float extra_time, const PracticeOptions& practice) {
  // The first conversion builds the sequence's time index: done here, the
  // walk of the events allocates nothing.
  sequence_get_seconds_from_tick(sequence, 0);
  Playback(platform, sequence, track_ports, from_tick, to_tick, practice).play(extra_time);
}

}  // namespace tactus::player
