// What the player needs from the operating system, behind one small
// interface: MIDI output devices and ports, a millisecond clock, a wake-up
// object and the console interrupt hook. Backends: RtMidi (ALSA and JACK) on
// Linux and macOS, the multimedia MIDI API on Windows, and a recording
// backend with a virtual clock in the tests.
#ifndef TACTUS_PLAYER_PLATFORM_H
#define TACTUS_PLAYER_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace tactus::player {

// An open output port; each backend defines its own.
struct MidiPort;

// Called by a backend when a port is done with a long message. It may run on
// any thread, also while a port is being opened or closed.
using OutputDoneRoutine = void (*)();

// Called on a console interrupt (Ctrl+C, termination, console closing). It
// runs in signal context on POSIX: only async-signal-safe work.
using InterruptRoutine = void (*)();

// A system-exclusive message handed to a port: the bytes stay owned by the
// caller until release_long_message. `backend_data` is the backend's own.
struct LongMessage {
  const unsigned char* data = nullptr;
  size_t length = 0;
  void* backend_data = nullptr;
};

inline constexpr int32_t kDefaultDevice = -1;
inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

class Platform {
 public:
  virtual ~Platform() = default;

  // Output devices, numbered from 0.
  virtual int32_t output_device_count() = 0;
  virtual std::string output_device_name(int32_t device) = 0;

  // Opens a device by number, or the system's default output device for
  // kDefaultDevice. Null on failure.
  virtual MidiPort* open_output(int32_t device, OutputDoneRoutine done) = 0;
  virtual void close_output(MidiPort* port) = 0;

  // A channel message: status in bits 0-7, data bytes in 8-15 and 16-23.
  virtual void send_short_message(MidiPort* port, uint32_t message) = 0;

  // A long message: prepare, send, then release once the done routine has
  // reported completion. send_long_message returns false when the port
  // refused the message; no completion will then arrive.
  virtual void prepare_long_message(MidiPort* port, LongMessage& message) = 0;
  virtual bool send_long_message(MidiPort* port, LongMessage& message) = 0;
  virtual void release_long_message(MidiPort* port, LongMessage& message) = 0;

  // Monotonic milliseconds as an unsigned 32-bit value that wraps.
  virtual uint32_t clock_ms() = 0;

  // The wake-up object. wait() returns when woken or when timeout_ms have
  // passed (kWaitForever: no limit). A wake() that comes while nobody waits
  // is kept for the next wait, so none is lost. wake() is async-signal-safe.
  virtual void wait(uint32_t timeout_ms) = 0;
  virtual void wake() = 0;

  virtual void install_interrupt_handler(InterruptRoutine routine) = 0;
  virtual void remove_interrupt_handler() = 0;
};

// The platform of this build (RtMidi or Windows), created on first use.
Platform& system_platform();

}  // namespace tactus::player

#endif
