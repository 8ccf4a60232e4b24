// The console of a run: the keys a musician practises with, the words as
// they are due and the status line, sharing one terminal without garbling
// each other.
#ifndef TACTUS_PLAYER_CORE_CONSOLE_H
#define TACTUS_PLAYER_CORE_CONSOLE_H

#include <cstdint>
#include <optional>

#include "player/core/lyrics.h"
#include "player/core/practice_options.h"
#include "player/core/progress_line.h"
#include "player/platform.h"
#include "tactus/model.h"

namespace tactus::player {

enum class Command {
  kNone,
  kPause,           // Space
  kPreviousBar,     // left arrow
  kNextBar,         // right arrow
  kRangeStart,      // Home
  kPreviousMarker,  // ,
  kNextMarker,      // .
  kSlower,          // -
  kFaster,          // + =
  kLower,           // [
  kHigher,          // ]
  kTrack,           // 1 to 9
  kLoopStart,       // a
  kLoopEnd,         // b
  kClick,           // c
  kQuit,            // q Esc
  kShowKeys,        // ?
};

struct KeyCommand {
  Command command = Command::kNone;
  int32_t track = 0;  // for kTrack
};

KeyCommand command_of_key(int32_t key);

// The key table as `?` prints it.
extern const char* const kKeysHelp;

class Console {
 public:
  Console(Platform& platform, Sequence* sequence, const PracticeOptions& practice);

  // Keys are read only from a terminal of which the process is in the
  // foreground; see Platform::start_keys.
  void start_keys() { keys_ = platform_.start_keys(); }
  void stop_keys();
  bool takes_keys() const { return keys_; }
  // The next command typed, kNone when no key is left.
  KeyCommand next_command();

  bool shows_progress() const { return progress_.has_value(); }
  bool carries_words(Event* event) const { return lyrics_ && lyrics_->carries_words(event); }
  // Moves the status line aside; it is to be drawn again afterwards.
  void print_words(Event* event);
  // The words of a new pass begin on a line of their own.
  void start_paragraph();
  void draw(int32_t tick, const StatusFields& fields);
  // Above the status line.
  void print_keys();
  // The words' last line ends first; then the status line shows where
  // playback stopped and ends with a line break.
  void finish(int32_t tick, const StatusFields& fields);

 private:
  Platform& platform_;
  std::FILE* messages_;
  std::optional<Lyrics> lyrics_;
  std::optional<ProgressLine> progress_;
  int32_t last_tick_ = 0;
  StatusFields last_fields_;
  bool keys_ = false;
};

}  // namespace tactus::player

#endif
