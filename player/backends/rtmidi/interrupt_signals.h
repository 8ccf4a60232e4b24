// The console interrupt hook on POSIX: SIGINT (Ctrl+C), SIGTERM and SIGHUP
// (terminal closed) all call one routine, in signal context.
#ifndef TACTUS_PLAYER_BACKENDS_RTMIDI_INTERRUPT_SIGNALS_H
#define TACTUS_PLAYER_BACKENDS_RTMIDI_INTERRUPT_SIGNALS_H

#include "player/platform.h"

namespace tactus::player::rtmidi {

// Replaces the actions of the three signals; a second install only changes
// the routine.
void install_interrupt_signals(InterruptRoutine routine);

// Restores the actions that install found.
void remove_interrupt_signals();

}  // namespace tactus::player::rtmidi

#endif
