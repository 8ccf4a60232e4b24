#include "player/backends/rtmidi/interrupt_signals.h"

#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

namespace tactus::player::rtmidi {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];

// Read in signal context, so it must be lock-free.
std::atomic<InterruptRoutine> installed_routine{nullptr};
static_assert(std::atomic<InterruptRoutine>::is_always_lock_free);

struct sigaction previous_actions[kSignalCount];
bool actions_replaced = false;

extern "C" void on_interrupt_signal(int) {
  int saved_errno = errno;
  InterruptRoutine routine = installed_routine.load();
  if (routine != nullptr) routine();
  errno = saved_errno;
}

}  // namespace

void install_interrupt_signals(InterruptRoutine routine) {
  installed_routine.store(routine);
  if (actions_replaced) return;
  struct sigaction action {};
  action.sa_handler = on_interrupt_signal;
  sigemptyset(&action.sa_mask);
  // Other threads' system calls (JACK's, ALSA's) resume after the handler;
  // the main thread's poll() returns early regardless, which is what wakes it.
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &previous_actions[i]);
  actions_replaced = true;
}

void remove_interrupt_signals() {
  if (!actions_replaced) return;
  for (size_t i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &previous_actions[i], nullptr);
  actions_replaced = false;
  installed_routine.store(nullptr);
}

}  // namespace tactus::player::rtmidi
