// The console control handler that ends playback on Ctrl+C, Ctrl+Break and
// the closing of the console, for the span of playback.
#include <atomic>

#include "player/backends/windows/windows_platform.h"

namespace tactus::player {

namespace {

std::atomic<InterruptRoutine> interrupt_routine{nullptr};

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
  const InterruptRoutine routine = interrupt_routine.load();
  if (routine != nullptr) routine();
  // For these events the process ends as soon as the handler returns, which
  // would leave notes hanging: hold it until the player has released them.
  if (ends_process_on_return(control_type)) WaitForSingleObject(playback_over.load(), kWindDownLimitMs);
  return TRUE;
}

// The handler's span is exactly that of playback, so the raised timer
// resolution follows it too.
void WindowsPlatform::install_interrupt_handler(InterruptRoutine routine) {
  raise_timer_resolution();
  ResetEvent(playback_over_event_);
  playback_over.store(playback_over_event_);
  interrupt_routine.store(routine);
  SetConsoleCtrlHandler(&console_control_handler, TRUE);
}

void WindowsPlatform::remove_interrupt_handler() {
  SetEvent(playback_over_event_);
  SetConsoleCtrlHandler(&console_control_handler, FALSE);
  interrupt_routine.store(nullptr);
  restore_timer_resolution();
}

}  // namespace tactus::player
