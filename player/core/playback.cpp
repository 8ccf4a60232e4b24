#include "player/core/playback.h"

#include <algorithm>
#include <atomic>
#include <optional>

#include "player/core/due_time.h"
#include "player/core/lyrics.h"
#include "player/core/pass_plan.h"
#include "player/core/progress_line.h"
#include "player/core/sounding_notes.h"
#include "player/core/transpose.h"
#include "tactus/timing.h"

namespace tactus::player {

namespace {

// The two flags are written from the platform's other threads, the
// interrupt one in signal context: they must be lock-free.
static_assert(std::atomic<bool>::is_always_lock_free);

// How often the status line is redrawn while playback waits.
constexpr uint32_t kProgressInterval = 100;

class Playback {
 public:
  Playback(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports, int32_t from_tick,
           int32_t to_tick, const PracticeOptions& practice)
      : platform_(platform),
        sequence_(sequence),
        track_ports_(track_ports),
        from_tick_(from_tick),
        to_tick_(to_tick),
        practice_(practice),
        plan_(plan_passes(sequence, from_tick, to_tick, practice)),
        sounding_notes_(track_ports) {
    if (practice.lyrics != nullptr) lyrics_.emplace(sequence, practice.lyrics, practice.text);
    if (practice.progress != nullptr) {
      // Words and status share a row when both streams are the terminal.
      const bool in_place = platform.is_terminal(practice.progress);
      const bool shared = lyrics_ && platform.is_terminal(practice.lyrics);
      progress_.emplace(sequence, practice.tempo_percent, practice.progress, in_place,
                        shared ? &*lyrics_ : nullptr);
    }
  }

  // A console interrupt is handled only for the span of playback; outside
  // it the platform's default treatment holds.
  void play(float extra_time) {
    platform_.install_interrupt_handler({&Playback::note_interrupt, this});
    if (progress_) draw_progress(platform_.clock_ms());
    if (plan_.repeats) {
      play_passes();
    } else {
      walk(sequence_get_first_event(sequence_), false);
    }
    wait_extra_time(extra_time);
    sounding_notes_.end_all(platform_);
    finish_console();
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

  // Walks the list from `event` on. With stop_at_pass_end, stops at the
  // first event at or after the pass's end and returns it, unless an
  // interrupt has come: then the rest of the list goes out as in any run.
  Event* walk(Event* event, bool stop_at_pass_end) {
    for (; event != nullptr; event = event_get_next_in_sequence(event)) {
      if (stop_at_pass_end && !interrupted_.load() && event_get_tick(event) >= plan_.end_tick) return event;
      play_event(event);
    }
    return nullptr;
  }

  // Each pass walks the list from its start, so the events before the range
  // set the state again, and lasts until the due time of the range's end,
  // where the next pass begins: the passes keep the beat across the seam.
  // After the last pass (or an interrupt) the rest of the list goes out as
  // it does after any range.
  void play_passes() {
    for (pass_ = 1;; ++pass_) {
      Event* rest = walk(sequence_get_first_event(sequence_), true);
      if (!interrupted_.load()) wait_until_due(plan_.end_due);
      if (interrupted_.load() || pass_ == plan_.count) {
        walk(rest, false);
        return;
      }
      sounding_notes_.end_all(platform_);
      if (lyrics_) {
        if (progress_) progress_->clear_for_words();
        lyrics_->start_paragraph();
      }
      clock_origin_ += plan_.end_due - plan_.start_due;
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

  // A loop's passes leave out their end tick, where the next pass begins.
  bool in_range(int32_t tick) const {
    if (plan_.repeats) return tick >= plan_.start_tick && tick < plan_.end_tick;
    return (from_tick_ < 0 || tick >= from_tick_) && (to_tick_ < 0 || tick <= to_tick_);
  }

  uint32_t due_time_of(int32_t tick) const {
    return due_time_ms(
        played_seconds(sequence_get_seconds_from_tick(sequence_, tick), practice_.tempo_percent));
  }

  MidiPort* port_of_track(int32_t track) const {
    if (track < 0 || static_cast<size_t>(track) >= track_ports_.size()) return nullptr;
    return track_ports_[track];
  }

  void play_event(Event* event) {
    const int32_t kind = event_get_kind(event);
    if (kind == META) {
      show_words(event);
      return;
    }
    const int32_t tick = event_get_tick(event);
    const bool event_in_range = in_range(tick);
    const int32_t track = track_get_number(event_get_track(event));
    MidiPort* port = port_of_track(track);
    if (event_in_range && !interrupted_.load()) {
      wait_until_due(due_time_of(tick));
    }
    if (port == nullptr) return;
    if (kind == SYSEX) {
      send_long_message(port, event);
      return;
    }
    const bool send =
        interrupted_.load() ? !event_is_note_start(event) : event_in_range || !event_is_note(event);
    if (!send) return;
    uint32_t message = event_to_short_message(event);
    if (!transpose_message(message, practice_.transpose)) return;
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
      const uint32_t limit = std::min(due_time - elapsed, kLongestTimedWait);
      wait(progress_ ? progress_slice(now, limit) : limit);
    }
  }

  // Words in range are shown at their due time; none after an interrupt.
  void show_words(Event* event) {
    if (!lyrics_ || !lyrics_->carries_words(event)) return;
    const int32_t tick = event_get_tick(event);
    if (interrupted_.load() || !in_range(tick)) return;
    wait_until_due(due_time_of(tick));
    if (interrupted_.load()) return;
    write_words([event](Lyrics& lyrics) { lyrics.print(event); });
  }

  // The status line moves aside while words are written, so that neither
  // garbles the other on a shared terminal.
  template <typename Write>
  void write_words(Write write) {
    if (progress_) progress_->clear_for_words();
    write(*lyrics_);
    if (progress_) draw_progress(platform_.clock_ms());
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
    progress_->show(position_at(now), plan_.repeats ? pass_ : 0, plan_.count);
  }

  // The tick that the clock has reached, within the range; its start until
  // the clock origin is set. The clock reading is the start of its
  // millisecond: its middle keeps the conversion off a tick's lower edge.
  int32_t position_at(uint32_t now) const {
    if (!clock_origin_set_) return plan_.start_tick;
    const double played = (static_cast<double>(now - clock_origin_) + 0.5) / 1000.0;
    const int32_t tick = sequence_get_tick_from_seconds(
        sequence_, static_cast<float>(file_seconds(played, practice_.tempo_percent)));
    return std::clamp(tick, plan_.start_tick, std::max(plan_.start_tick, plan_.end_tick));
  }

  // The words' last line ends first; then the status line shows where
  // playback stopped and ends with a line break.
  void finish_console() {
    if (lyrics_) write_words([](Lyrics& lyrics) { lyrics.finish(); });
    if (progress_) {
      if (!lyrics_) draw_progress(platform_.clock_ms());
      progress_->finish();
    }
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
  std::span<MidiPort* const> track_ports_;
  int32_t from_tick_;
  int32_t to_tick_;
  const PracticeOptions& practice_;
  PassPlan plan_;
  int64_t pass_ = 1;
  // Any clock value can be the origin, 0 included, so whether it is set
  // is kept apart: taking 0 for "not set" would move the origin again at
  // the next event and send it early.
  uint32_t clock_origin_ = 0;
  bool clock_origin_set_ = false;
  SoundingNotes sounding_notes_;
  std::optional<Lyrics> lyrics_;
  std::optional<ProgressLine> progress_;
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
