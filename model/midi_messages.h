// The numbers of MIDI messages that the model, the file reader and the file
// writer share: status bytes of the event kinds and meta-event numbers.
#ifndef TACTUS_MODEL_MIDI_MESSAGES_H
#define TACTUS_MODEL_MIDI_MESSAGES_H

#include <cstdint>

#include "tactus/model.h"

namespace tactus::internal {

inline constexpr unsigned kSysexStatus = 0xF0;
inline constexpr unsigned kSysexContinuationStatus = 0xF7;
inline constexpr unsigned kMetaStatus = 0xFF;

inline constexpr int32_t kLyricMeta = 0x05;
inline constexpr int32_t kMarkerMeta = 0x06;
inline constexpr int32_t kEndOfTrackMeta = 0x2F;
inline constexpr int32_t kTempoMeta = 0x51;
inline constexpr int32_t kTimeSignatureMeta = 0x58;

constexpr bool is_meta_or_sysex_status(unsigned status) {
  return status == kMetaStatus || status == kSysexStatus || status == kSysexContinuationStatus;
}

// System common and real-time statuses, which make no event in a file.
constexpr bool is_system_message_status(unsigned status) {
  return status > kSysexStatus && status != kSysexContinuationStatus && status != kMetaStatus;
}

// The channel kinds follow the status nibbles in order: NOTE_OFF is 0x80,
// PITCH_WHEEL 0xE0.
constexpr uint32_t status_of_kind(int32_t kind) { return 0x80u + (static_cast<uint32_t>(kind) << 4); }

// The channel kind of a status byte (its high nibble); -1 for a data byte or
// a system status.
constexpr int32_t kind_of_status(uint32_t status) {
  const uint32_t nibble = status & 0xF0u;
  return nibble >= 0x80u && nibble <= 0xE0u ? static_cast<int32_t>((nibble - 0x80u) >> 4) : -1;
}

// Data bytes after the status: one for program change and channel pressure,
// two for the other channel kinds.
constexpr unsigned data_bytes_of_kind(int32_t kind) {
  return kind == PROGRAM_CHANGE || kind == CHANNEL_PRESSURE ? 1 : 2;
}

}  // namespace tactus::internal

#endif
