// The MIDI systems print their own diagnostics by default (JACK and ALSA to
// standard error, RtMidi through std::cerr); the player prints nothing but
// its own messages, so all of them are silenced here.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_QUIET_DIAGNOSTICS_H
#define TACTUS_PLAYER_BACKENDS_POSIX_QUIET_DIAGNOSTICS_H

#include <streambuf>

namespace tactus::player::posix {

// Installs silent error and info handlers in libjack and libasound. Call
// before the first use of either.
void silence_system_diagnostics();

// Discards what is written to std::cerr while it lives: RtMidi prints
// there when a constructor fails, before any error callback can be set.
class QuietStandardError {
 public:
  QuietStandardError();
  ~QuietStandardError();
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  std::streambuf* saved_;
};

}  // namespace tactus::player::posix

#endif
