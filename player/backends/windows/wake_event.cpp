#include "player/backends/windows/wake_event.h"

namespace tactus::player {

WakeEvent::WakeEvent() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

WakeEvent::~WakeEvent() { CloseHandle(event_); }

bool WakeEvent::wait(DWORD limit_ms) { return WaitForSingleObject(event_, limit_ms) == WAIT_OBJECT_0; }

void WakeEvent::wake() { SetEvent(event_); }

}  // namespace tactus::player
