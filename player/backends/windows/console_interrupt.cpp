// The console control handler that ends playback on Ctrl+C, Ctrl+Break and
// the closing of the console, for the span of playback.
#include <atomic>

#include "player/backends/windows/windows_platform.h"

namespace tactus::player {

namespace {

// The one pointer through which the handler reaches the player's state, and
// the handlers between loading it and returning from the notification.
std::atomic<const Notification*> installed_interrupt{nullptr};
std::atomic<int> handlers_running{0};

// Signalled (manual reset) once playback has wound down.
std::atomic<HANDLE> playback_over{nullptr};

// The system gives a handler about five seconds after the console closes,
// the user logs off or the machine shuts down before it ends the process.
constexpr DWORD kWindDownLimitMs = 4000;

bool ends_process_on_return(DWORD control_type) {
  return control_type == CTRL_CLOSE_EVENT || control_type == CTRL_LOGOFF_EVENT ||
         control_type == CTRL_SHUTDOWN_EVENT;
}

}  // namespace

BOOL WINAPI console_control_handler(DWORD control_type) {
  ++handlers_running;
  const Notification* interrupt = installed_interrupt.load();
  if (interrupt != nullptr) (*interrupt)();
  --handlers_running;
  // For these events the process ends as soon as the handler returns, which
  // would leave notes hanging: hold it until the player has released them.
  if (ends_process_on_return(control_type)) WaitForSingleObject(playback_over.load(), kWindDownLimitMs);
  return TRUE;
}

// The handler's span is exactly that of playback, so the raised timer
// resolution follows it too.
void WindowsPlatform::install_interrupt_handler(Notification interrupt) {
  raise_timer_resolution();
  ResetEvent(playback_over_event_);
  playback_over.store(playback_over_event_);
  interrupt_ = interrupt;
  installed_interrupt.store(&interrupt_);
  SetConsoleCtrlHandler(&console_control_handler, TRUE);
}

void WindowsPlatform::remove_interrupt_handler() {
  SetEvent(playback_over_event_);
  SetConsoleCtrlHandler(&console_control_handler, FALSE);
  installed_interrupt.store(nullptr);
  // The system runs each handler on a thread of its own: one that loaded the
  // pointer before it was cleared counts itself first, so it is seen here.
  while (handlers_running.load() != 0) Sleep(0);
  restore_timer_resolution();
}

}  // namespace tactus::player
