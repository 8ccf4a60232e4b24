#include "player/core/progress_line.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdlib>

#include "common/song_end.h"
#include "common/terminal_text.h"
#include "tactus/timing.h"

namespace tactus::player {

namespace {

constexpr double kDefaultBeatsPerMinute = 120;

struct ClockText {
  char text[32];
};

// h:mm:ss, truncated to whole seconds.
ClockText clock_text(double seconds) {
  const double whole = std::isfinite(seconds) ? std::clamp(std::trunc(seconds), 0.0, 1e15) : 0.0;
  const auto total = static_cast<int64_t>(whole);
  ClockText clock;
  std::snprintf(clock.text, sizeof clock.text, "%" PRId64 ":%02d:%02d", total / 3600,
                static_cast<int>(total / 60 % 60), static_cast<int>(total % 60));
  return clock;
}

}  // namespace

size_t format_progress(char* text, size_t size, const char* bar_beat, double seconds, double total_seconds,
                       double beats_per_minute, int64_t pass, int64_t pass_count) {
  int length = std::snprintf(text, size, "bar %s  %s / %s  %.1f bpm", bar_beat, clock_text(seconds).text,
                             clock_text(total_seconds).text, beats_per_minute);
  if (length >= 0 && static_cast<size_t>(length) < size && pass > 0) {
    const size_t used = static_cast<size_t>(length);
    length += pass_count > 0 ? std::snprintf(text + used, size - used, "  pass %" PRId64 " of %" PRId64, pass,
                                             pass_count)
                             : std::snprintf(text + used, size - used, "  pass %" PRId64, pass);
  }
  return std::min(static_cast<size_t>(std::max(length, 0)), size - 1);
}

ProgressLine::ProgressLine(Sequence* sequence, float tempo_percent, std::FILE* stream, bool in_place,
                           const Lyrics* shared_row)
    : sequence_(sequence),
      tempo_percent_(tempo_percent),
      stream_(stream),
      in_place_(in_place),
      shared_row_(in_place ? shared_row : nullptr),
      total_seconds_(sequence_get_seconds_from_tick(sequence, common::song_end_tick(sequence))) {
  // Tempo events count in the first track only, as in every time conversion.
  for (Event* event = track_get_first_event(sequence_get_first_track(sequence)); event != nullptr;
       event = event_get_next_in_track(event)) {
    if (event_is_tempo(event)) tempos_.emplace_back(event_get_tick(event), tempo_get_beats_per_minute(event));
  }
}

double ProgressLine::tempo_at(int32_t tick) const {
  auto after = std::upper_bound(tempos_.begin(), tempos_.end(), tick,
                                [](int32_t wanted, const auto& tempo) { return wanted < tempo.first; });
  return after == tempos_.begin() ? kDefaultBeatsPerMinute : std::prev(after)->second;
}

void ProgressLine::show(int32_t tick, int64_t pass, int64_t pass_count) {
  const char* bar_beat = sequence_get_mb_string_from_tick(sequence_, tick);
  if (bar_beat == nullptr) bar_beat = "?";
  char status[160];
  const size_t length =
      format_progress(status, sizeof status, bar_beat, sequence_get_seconds_from_tick(sequence_, tick),
                      total_seconds_, tempo_at(tick) * tempo_percent_ / 100.0, pass, pass_count);
  if (in_place_) {
    rewrite_row(status, length);
  } else {
    // The mb text begins with the bar number.
    const long bar = std::strtol(bar_beat, nullptr, 10);
    if (drawn_ && bar == last_bar_ && pass == last_pass_) return;
    std::fprintf(stream_, "%s\n", status);
    last_bar_ = bar;
    last_pass_ = pass;
  }
  drawn_ = true;
  std::fflush(stream_);
}

// The row is written whole from its start, words first; spaces cover what
// a longer row before it left behind.
void ProgressLine::rewrite_row(const char* status, size_t length) {
  std::fputc('\r', stream_);
  size_t width = 0;
  if (shared_row_ != nullptr && !shared_row_->current_line().empty()) {
    const std::string_view words = shared_row_->current_line();
    common::write_text(stream_, words);
    std::fputs("  ", stream_);
    width = words.size() + 2;
  }
  std::fwrite(status, 1, length, stream_);
  width += length;
  pad_to_drawn_width(width);
  drawn_width_ = width;
}

void ProgressLine::pad_to_drawn_width(size_t width) {
  for (; width < drawn_width_; ++width) std::fputc(' ', stream_);
}

void ProgressLine::clear_for_words() {
  if (shared_row_ == nullptr || !drawn_) return;
  const std::string_view words = shared_row_->current_line();
  std::fputc('\r', stream_);
  common::write_text(stream_, words);
  pad_to_drawn_width(words.size());
  std::fputc('\r', stream_);
  common::write_text(stream_, words);
  drawn_width_ = words.size();
  std::fflush(stream_);
}

void ProgressLine::finish() {
  if (!in_place_ || !drawn_) return;
  std::fputc('\n', stream_);
  std::fflush(stream_);
  drawn_ = false;
  drawn_width_ = 0;
}

}  // namespace tactus::player
