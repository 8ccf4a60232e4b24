// The player's platform on Windows: the multimedia MIDI output API, the
// multimedia millisecond clock, a kernel event as the wake-up object and the
// console control handler.
#ifndef TACTUS_PLAYER_BACKENDS_WINDOWS_WINDOWS_PLATFORM_H
#define TACTUS_PLAYER_BACKENDS_WINDOWS_WINDOWS_PLATFORM_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <cstddef>

#include "player/backends/windows/wake_event.h"
#include "player/platform.h"

namespace tactus::player {

// One header per port: the player has at most one long message outstanding,
// and reusing the header keeps playback free of allocation. The header stays
// prepared after its message is done, until the port's next long message or
// its closing: the notification thread may not release it.
struct MidiPort {
  HMIDIOUT handle = nullptr;
  MIDIHDR header{};
  bool header_prepared = false;
  // Whom to tell when the message in flight is done; set before each send.
  Notification done;
};

class WindowsPlatform final : public Platform {
 public:
  WindowsPlatform();
  ~WindowsPlatform() override;
  WindowsPlatform(const WindowsPlatform&) = delete;
  WindowsPlatform& operator=(const WindowsPlatform&) = delete;

  int32_t output_device_count() override;
  std::string output_device_name(int32_t device) override;
  MidiPort* open_output(int32_t device) override;
  void close_output(MidiPort* port) override;
  void send_short_message(MidiPort* port, uint32_t message) override;
  LongMessageSent send_long_message(MidiPort* port, const unsigned char* data, size_t length,
                                    Notification done) override;

  uint32_t clock_ms() override;
  void wait(uint32_t timeout_ms) override;
  void wake() override;

  void install_interrupt_handler(Notification interrupt) override;
  void remove_interrupt_handler() override;

  bool is_terminal(std::FILE* stream) override;
  int32_t terminal_columns(std::FILE* stream) override;
  bool start_keys() override;
  int32_t next_key() override;
  void stop_keys() override;

 private:
  void read_console_keys();

  void raise_timer_resolution();
  void restore_timer_resolution();

  WakeEvent wake_event_;
  Notification interrupt_;
  // Manual reset: signalled when playback has wound down, which releases a
  // control handler that holds the process for it.
  HANDLE playback_over_event_;
  bool timer_resolution_raised_ = false;
  // The console's input while keys are taken, and its mode before.
  HANDLE keys_input_ = nullptr;
  DWORD saved_input_mode_ = 0;
  int32_t keys_[64];
  size_t key_count_ = 0;
};

// The notification routine of every open port; its instance value is the
// port.
void CALLBACK output_notification(HMIDIOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR parameter1,
                                  DWORD_PTR parameter2);

// The handler installed for playback: it calls the interrupt notification
// and reports every control event as handled.
BOOL WINAPI console_control_handler(DWORD control_type);

}  // namespace tactus::player

#endif
