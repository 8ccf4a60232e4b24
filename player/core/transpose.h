// Playing in another key: the notes of every channel but the percussion
// channel, whose note numbers choose instruments rather than pitches.
#ifndef TACTUS_PLAYER_CORE_TRANSPOSE_H
#define TACTUS_PLAYER_CORE_TRANSPOSE_H

#include <cstdint>

namespace tactus::player {

// Channel 10, counted from 0.
inline constexpr uint32_t kPercussionChannel = 9;

// Shifts the note of a note start, note end or key pressure message by
// `semitones`; other messages and the percussion channel stay as they are.
// False when the note, shifted or not, lies outside 0 to 127: the message
// is then not to be sent at all.
bool transpose_message(uint32_t& message, int32_t semitones);

}  // namespace tactus::player

#endif
