// What the player needs from the operating system, behind one small
// interface: MIDI output devices and ports, a millisecond clock, a wake-up
// object, the console interrupt hook, keys typed on the console and what a
// console stream is (a terminal, how wide). Backends: alsa-lib for the ALSA
// sequencer on Linux, RtMidi for CoreMIDI on macOS, each with libjack for
// JACK; the multimedia MIDI API on Windows; and a recording backend with a
// virtual clock in the tests.
#ifndef TACTUS_PLAYER_PLATFORM_H
#define TACTUS_PLAYER_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tactus::player {

// An open output port; each backend defines its own.
struct MidiPort;

// A routine and the state it acts on: how a backend reports something that
// happened on another thread. Interrupt notifications run in signal context
// on POSIX, so their routines may only do async-signal-safe work.
struct Notification {
  void (*routine)(void* context) = nullptr;
  void* context = nullptr;

  void operator()() const { routine(context); }
};

// What became of a long message handed to a port.
enum class LongMessageSent {
  kDone,     // the port is already done with the bytes (it copied them)
  kPending,  // the port still reads the bytes; it notifies once it is done
  kRefused,  // not sent; no notification will come
};

inline constexpr int32_t kDefaultDevice = -1;

// A key typed on the console: a printable character as its code, or one of
// these.
inline constexpr int32_t kNoKey = -1;
inline constexpr int32_t kKeyEscape = 0x1B;
inline constexpr int32_t kKeyLeft = 0x100;
inline constexpr int32_t kKeyRight = 0x101;
inline constexpr int32_t kKeyHome = 0x102;
inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

class Platform {
 public:
  virtual ~Platform() = default;

  // Output devices, numbered from 0.
  virtual int32_t output_device_count() = 0;
  virtual std::string output_device_name(int32_t device) = 0;

  // Opens a device by number, or the system's default output device for
  // kDefaultDevice. Null on failure.
  virtual MidiPort* open_output(int32_t device) = 0;
  // Lets everything sent reach the device first, then closes.
  virtual void close_output(MidiPort* port) = 0;

  // A channel message: status in bits 0-7, data bytes in 8-15 and 16-23.
  virtual void send_short_message(MidiPort* port, uint32_t message) = 0;

  // A system-exclusive message. The bytes stay the caller's and must stay
  // valid until the port is done with them: at once for kDone, at `done`
  // for kPending.
  virtual LongMessageSent send_long_message(MidiPort* port, const unsigned char* data, size_t length,
                                            Notification done) = 0;

  // Monotonic milliseconds as an unsigned 32-bit value that wraps.
  virtual uint32_t clock_ms() = 0;

  // The wake-up object. wait() returns when woken or when timeout_ms have
  // passed (kWaitForever: no limit). A wake() that comes while nobody waits
  // is kept for the next wait, so none is lost. wake() is async-signal-safe.
  virtual void wait(uint32_t timeout_ms) = 0;
  virtual void wake() = 0;

  // A console interrupt calls `interrupt` until the handler is removed;
  // once remove_interrupt_handler returns, no call is running or to come.
  virtual void install_interrupt_handler(Notification interrupt) = 0;
  virtual void remove_interrupt_handler() = 0;

  // Null while the open outputs can deliver; once an output can deliver
  // nothing any more (its MIDI system or its destination has gone away, or
  // the destination has stopped reading), the reason as a short sentence.
  // The platform wakes the waiting player when that happens.
  virtual const char* output_failure() { return nullptr; }

  // Whether a console stream is a terminal, where a status line can be
  // rewritten in place; a file or a pipe is not.
  virtual bool is_terminal(std::FILE* stream) = 0;

  // The width in columns of the terminal that `stream` writes to; 0 when
  // unknown. It changes when the terminal is resized, so ask again.
  virtual int32_t terminal_columns(std::FILE*) { return 0; }

  // Keys typed on the console, for the span of playback. start_keys() takes
  // them only when standard input is a terminal and this process is in its
  // foreground: the terminal then neither echoes nor waits for a line, and
  // true is returned; otherwise nothing is read and false is returned. From
  // then on a wait also ends when a key comes, and next_key() gives the keys
  // in the order typed, kNoKey when none is left. stop_keys() gives the
  // terminal its settings back; the backend does so as well before the
  // process stops (Ctrl+Z, taking keys again once it goes on) and on every
  // other way out. Main thread only.
  virtual bool start_keys() { return false; }
  virtual int32_t next_key() { return kNoKey; }
  virtual void stop_keys() {}
};

// The platform of this build (POSIX or Windows), created on first use.
Platform& system_platform();

}  // namespace tactus::player

#endif
