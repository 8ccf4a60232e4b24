// The status line of a run: bar and beat, time and the song's total, the
// tempo as played and the pass of a loop. On a terminal it is one line,
// rewritten in place; elsewhere (a file, a pipe) a line for each bar.
#ifndef TACTUS_PLAYER_CORE_PROGRESS_LINE_H
#define TACTUS_PLAYER_CORE_PROGRESS_LINE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "player/core/lyrics.h"
#include "tactus/model.h"

namespace tactus::player {

// What the status line shows besides the position.
struct StatusFields {
  int64_t pass = 0;  // 0: no loop
  int64_t pass_count = 0;
  float tempo_percent = 100;
  int32_t transpose = 0;
  uint32_t silenced_tracks = 0;  // bit t for track t
  int32_t loop_from_bar = 0;     // a loop set from the keys; 0: none
  int32_t loop_to_bar = 0;
  bool paused = false;
};

// "bar 9:1.000  0:00:16 / 0:03:05  90.0 bpm  pass 2 of 4": the bar and beat
// as mb text, the time and the total truncated to whole seconds, the tempo
// with one decimal; the pass only for a loop (pass > 0), "of" only for a
// loop with a count. Then what the keys changed, each only when it differs
// from the file: "  75%" (the tempo), "  key -2", "  silent 1 3",
// "  loop 9-17", "  paused". Returns the text's length.
size_t format_progress(char* text, size_t size, const char* bar_beat, double seconds, double total_seconds,
                       double beats_per_minute, const StatusFields& fields);

class ProgressLine {
 public:
  // With `shared_row`, the words of that Lyrics are on the same terminal:
  // the row then shows the words of their current line, then the status.
  ProgressLine(Sequence* sequence, std::FILE* stream, bool in_place, const Lyrics* shared_row);

  // Shows the status at a tick of the file. In place, the row fits within
  // `columns` (0: unknown, no limit): the words are cut first, from their
  // start, then the status from its end.
  void show(int32_t tick, const StatusFields& fields, size_t columns);

  // Takes the status off a shared row, leaving the cursor after the words,
  // so that more words can follow them.
  void clear_for_words();

  // Takes the status line off its row, leaving the cursor at its start.
  void clear();

  // Ends the status line with a line break, so that whatever follows starts
  // on a fresh line.
  void finish();

 private:
  double tempo_at(int32_t tick) const;
  void rewrite_row(std::string_view status, size_t columns);
  void pad_to_drawn_width(size_t width);
  std::string_view shown_words() const;

  Sequence* sequence_;
  std::FILE* stream_;
  bool in_place_;
  const Lyrics* shared_row_;
  double total_seconds_;
  std::vector<std::pair<int32_t, double>> tempos_;  // the first track's, by tick
  bool drawn_ = false;
  size_t drawn_width_ = 0;  // columns
  size_t words_shown_ = 0;  // bytes of the words' line, from its end, on the row
  long last_bar_ = 0;
  int64_t last_pass_ = 0;
};

}  // namespace tactus::player

#endif
