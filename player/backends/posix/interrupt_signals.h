// The console interrupt hook on POSIX: SIGINT (Ctrl+C), SIGTERM and SIGHUP
// (terminal closed) all call one notification, in signal context.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_INTERRUPT_SIGNALS_H
#define TACTUS_PLAYER_BACKENDS_POSIX_INTERRUPT_SIGNALS_H

#include "player/platform.h"

namespace tactus::player::posix {

// Replaces the actions of the three signals. `interrupt` must live until
// the removal; a second install only changes the notification.
void install_interrupt_signals(const Notification* interrupt);

// Restores the actions that install found, and returns once no handler is
// still calling the notification on another thread.
void remove_interrupt_signals();

}  // namespace tactus::player::posix

#endif
