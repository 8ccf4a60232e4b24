// The wake-up object of the Windows backend: an auto-reset kernel event.
// SetEvent on an event nobody waits for leaves it signalled, so the next wait
// returns at once and no wake-up is lost (PulseEvent would lose it); a wait
// that returns consumes the wake-up, so the one after it sleeps again.
#ifndef TACTUS_PLAYER_BACKENDS_WINDOWS_WAKE_EVENT_H
#define TACTUS_PLAYER_BACKENDS_WINDOWS_WAKE_EVENT_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tactus::player {

class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  // True when woken, false when limit_ms (or INFINITE) passed first.
  bool wait(DWORD limit_ms);
  // Safe from any thread, the console handler's and the MIDI system's too.
  void wake();
  // For a wait on this and other objects at once.
  HANDLE handle() const { return event_; }

 private:
  HANDLE event_;
};

}  // namespace tactus::player

#endif
