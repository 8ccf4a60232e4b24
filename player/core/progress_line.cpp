#include "player/core/progress_line.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "common/song_end.h"
#include "common/terminal_text.h"
#include "player/core/pass_plan.h"
#include "player/core/text_width.h"
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
                       double beats_per_minute, const StatusFields& fields) {
  size_t used = 0;
  const auto append = [&](const char* format, auto... values) {
    if (used >= size) return;
    const int length = std::snprintf(text + used, size - used, format, values...);
    used = length < 0 ? size : std::min(used + static_cast<size_t>(length), size);
  };
  append("bar %s  %s / %s  %.1f bpm", bar_beat, clock_text(seconds).text, clock_text(total_seconds).text,
         beats_per_minute);
  if (fields.pass > 0 && fields.pass_count > 0)
    append("  pass %" PRId64 " of %" PRId64, fields.pass, fields.pass_count);
  if (fields.pass > 0 && fields.pass_count <= 0) append("  pass %" PRId64, fields.pass);
  if (fields.tempo_percent != 100) append("  %g%%", static_cast<double>(fields.tempo_percent));
  if (fields.transpose != 0) append("  key %+d", static_cast<int>(fields.transpose));
  if (fields.silenced_tracks != 0) {
    append("  silent");
    for (int track = 1; track < 32; ++track)
      if ((fields.silenced_tracks >> track & 1) != 0) append(" %d", track);
  }
  if (fields.loop_from_bar > 0)
    append("  loop %d-%d", static_cast<int>(fields.loop_from_bar), static_cast<int>(fields.loop_to_bar));
  if (fields.paused) append("  paused");
  return std::min(used, size - 1);
}

ProgressLine::ProgressLine(Sequence* sequence, std::FILE* stream, bool in_place, const Lyrics* shared_row)
    : sequence_(sequence),
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

void ProgressLine::show(int32_t tick, const StatusFields& fields, size_t columns) {
  const char* bar_beat = sequence_get_mb_string_from_tick(sequence_, tick);
  if (bar_beat == nullptr) bar_beat = "?";
  char status[256];
  const size_t length =
      format_progress(status, sizeof status, bar_beat, sequence_get_seconds_from_tick(sequence_, tick),
                      total_seconds_, tempo_at(tick) * fields.tempo_percent / 100.0, fields);
  const int64_t pass = fields.pass;
  if (in_place_) {
    rewrite_row({status, length}, columns);
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
// a longer row before it left behind. One column stays free, as some
// terminals wrap once the last one is written.
void ProgressLine::rewrite_row(std::string_view status, size_t columns) {
  const size_t room = columns > 1 ? columns - 1 : SIZE_MAX;
  status = head_within(status, room);
  const size_t status_width = text_columns(status);
  std::fputc('\r', stream_);
  size_t width = 0;
  words_shown_ = 0;
  const std::string_view line = shared_row_ != nullptr ? shared_row_->current_line() : std::string_view{};
  if (!line.empty() && status_width + 2 < room) {
    const std::string_view words = tail_within(line, room - status_width - 2);
    common::write_text(stream_, words);
    std::fputs("  ", stream_);
    width = text_columns(words) + 2;
    words_shown_ = words.size();
  }
  std::fwrite(status.data(), 1, status.size(), stream_);
  width += status_width;
  // A row drawn before the terminal narrowed is covered only up to the new width.
  drawn_width_ = std::min(drawn_width_, room);
  pad_to_drawn_width(width);
  drawn_width_ = width;
}

// The end of the words' line that the row shows.
std::string_view ProgressLine::shown_words() const {
  const std::string_view line = shared_row_->current_line();
  return line.substr(line.size() - std::min(words_shown_, line.size()));
}

void ProgressLine::pad_to_drawn_width(size_t width) {
  for (; width < drawn_width_; ++width) std::fputc(' ', stream_);
}

void ProgressLine::clear_for_words() {
  if (shared_row_ == nullptr || !drawn_) return;
  const std::string_view words = shown_words();
  std::fputc('\r', stream_);
  common::write_text(stream_, words);
  pad_to_drawn_width(text_columns(words));
  std::fputc('\r', stream_);
  common::write_text(stream_, words);
  drawn_width_ = text_columns(words);
  std::fflush(stream_);
}

void ProgressLine::clear() {
  if (!in_place_ || !drawn_) return;
  std::fputc('\r', stream_);
  pad_to_drawn_width(0);
  std::fputc('\r', stream_);
  drawn_width_ = 0;
  words_shown_ = 0;
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
