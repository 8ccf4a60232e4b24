// The platform object of a Windows build: its clock, wake-up object and
// console streams.
#include "player/backends/windows/windows_platform.h"

#include <io.h>

namespace tactus::player {

static_assert(kWaitForever == INFINITE, "a wait without limit passes straight through");

WindowsPlatform::WindowsPlatform() : playback_over_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

WindowsPlatform::~WindowsPlatform() {
  stop_keys();
  restore_timer_resolution();
  CloseHandle(playback_over_event_);
}

uint32_t WindowsPlatform::clock_ms() { return timeGetTime(); }

// Keys are read on the same wait as the wake-ups, so that neither is lost
// and no thread is added.
void WindowsPlatform::wait(uint32_t timeout_ms) {
  if (keys_input_ == nullptr) {
    wake_event_.wait(timeout_ms);
    return;
  }
  const HANDLE objects[] = {wake_event_.handle(), keys_input_};
  WaitForMultipleObjects(2, objects, FALSE, timeout_ms);
  read_console_keys();
}

void WindowsPlatform::wake() { wake_event_.wake(); }

bool WindowsPlatform::is_terminal(std::FILE* stream) {
  return stream != nullptr && _isatty(_fileno(stream)) != 0;
}

// The default timer granularity of about 15.6 ms would make a timed wait late
// by up to that much; 1 ms keeps every due time within a millisecond.
void WindowsPlatform::raise_timer_resolution() {
  if (!timer_resolution_raised_) timer_resolution_raised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

void WindowsPlatform::restore_timer_resolution() {
  if (timer_resolution_raised_) timeEndPeriod(1);
  timer_resolution_raised_ = false;
}

Platform& system_platform() {
  static WindowsPlatform platform;
  return platform;
}

}  // namespace tactus::player
