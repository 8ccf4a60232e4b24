#include "player/backends/posix/interrupt_signals.h"

#include <sched.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

namespace tactus::player::posix {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The one pointer through which a signal handler reaches the player's
// state. Read in signal context, so it must be lock-free.
std::atomic<const Notification*> installed_interrupt{nullptr};
static_assert(std::atomic<const Notification*>::is_always_lock_free);
// Handlers between loading the pointer and returning from the notification.
std::atomic<int> handlers_running{0};

struct sigaction previous_actions[kSignalCount];
bool actions_replaced = false;

extern "C" void on_interrupt_signal(int) {
  int saved_errno = errno;
  handlers_running.fetch_add(1);
  const Notification* interrupt = installed_interrupt.load();
  if (interrupt != nullptr) (*interrupt)();
  handlers_running.fetch_sub(1);
  errno = saved_errno;
}

}  // namespace

void install_interrupt_signals(const Notification* interrupt) {
  installed_interrupt.store(interrupt);
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
  installed_interrupt.store(nullptr);
  // A handler that loaded the pointer before it was cleared counts itself
  // first, so it is seen here, and its notification's state must outlive it.
  while (handlers_running.load() != 0) sched_yield();
}

}  // namespace tactus::player::posix
