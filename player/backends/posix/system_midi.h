// The system's own MIDI output, beside JACK: the ALSA sequencer through
// alsa-lib on Linux (alsa_sequencer.cpp), CoreMIDI through RtMidi elsewhere
// (rtmidi_output.cpp). Everything here runs on the main thread.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_SYSTEM_MIDI_H
#define TACTUS_PLAYER_BACKENDS_POSIX_SYSTEM_MIDI_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "player/backends/posix/wake_pipe.h"
#include "player/platform.h"

namespace tactus::player::posix {

// One open destination; each implementation defines it.
struct SystemOutput;

class SystemMidi {
 public:
  SystemMidi();
  ~SystemMidi();
  SystemMidi(const SystemMidi&) = delete;
  SystemMidi& operator=(const SystemMidi&) = delete;

  // `failed` is called when an output fails. A send that waits
  // for a full destination watches `wake_fd` (the player's wake-up pipe)
  // without reading it: a wake-up shortens that wait and stays for the
  // player. Set both before the first open.
  void notify_when_failed(Notification failed, int wake_fd);

  // The destinations' names, in the system's order, from a sequencer client
  // named `client_name`; none, silently, where the system has no MIDI.
  std::vector<std::string> destinations(const char* client_name);

  // One of the names listed; null when it cannot be connected.
  SystemOutput* open(const std::string& name);

  // Channel messages (first byte 0x80 to 0xEF) and long messages (any other
  // first byte, sent as they are). True once the destination has taken
  // every byte; false, with failure() set, when it never will, and then for
  // every later message to the same output.
  bool send(SystemOutput& output, const unsigned char* bytes, size_t length);

  // Everything sent has been handed to the destination by then; closes.
  void close(SystemOutput* output);

  // Null while every open output delivers; after a failure, the first as a
  // short sentence.
  const char* failure() const;

  // What the player's wait also watches: the system's announcements, read
  // when they come; an output that they make fail wakes the player.
  WatchedInput news();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tactus::player::posix

#endif
