// The MIDI systems print their own diagnostics by default (JACK and ALSA to
// standard error); the player prints nothing but its own messages, so they
// are silenced here.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_QUIET_DIAGNOSTICS_H
#define TACTUS_PLAYER_BACKENDS_POSIX_QUIET_DIAGNOSTICS_H

namespace tactus::player::posix {

// Installs silent error and info handlers in libjack and libasound. Call
// before the first use of either.
void silence_system_diagnostics();

}  // namespace tactus::player::posix

#endif
