// Keys from the terminal on standard input, while playback runs: the
// terminal is put into a mode without echo and line buffering, and given its
// settings back at the end, before the process stops for Ctrl+Z (taking
// keys again once it goes on in the foreground) and on every other way out.
// Ctrl+C and the other signal keys keep their meaning.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_TERMINAL_KEYS_H
#define TACTUS_PLAYER_BACKENDS_POSIX_TERMINAL_KEYS_H

#include <cstddef>
#include <cstdint>

#include "player/platform.h"

namespace tactus::player::posix {

class TerminalKeys {
 public:
  ~TerminalKeys() { stop(); }

  // False, and nothing changed, unless standard input is a terminal of
  // which this process is in the foreground. `woken` runs, in signal
  // context, when the process goes on after a stop.
  bool start(Notification woken);
  void stop();

  // The descriptor a wait should watch for keys: -1 unless keys are taken
  // and the process is in the terminal's foreground (a process in the
  // background that read its terminal would be stopped).
  int watched_descriptor() const;
  // Reads what has come, without waiting.
  void read_available();
  // The next key typed; kNoKey when none is left. A lone Esc is told from
  // the start of an arrow key's sequence by a wait of at most 50 ms.
  int32_t next_key();

 private:
  bool fill(int timeout_ms);
  void drop(size_t count);

  bool started_ = false;
  bool input_gone_ = false;
  unsigned char buffer_[64];
  size_t length_ = 0;
};

}  // namespace tactus::player::posix

#endif
