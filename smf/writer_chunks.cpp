#include "smf/writer_chunks.h"

#include <cstdint>

#include "model/midi_messages.h"
#include "model/time_division.h"

namespace tactus::internal {

namespace {

// Division word of each SMPTE type: the negative frame rate as the first
// byte, ticks per frame as the second.
bool put_division(WriterSink& sink, int32_t division_type, int32_t resolution) {
  if (division_type == DIVISION_PPQ) {
    sink.put_u16(static_cast<uint32_t>(resolution));
    return true;
  }
  const unsigned smpte_byte = smpte_code_of(division_type);
  if (smpte_byte == 0) return false;
  sink.put_byte(smpte_byte);
  sink.put_byte(static_cast<uint32_t>(resolution));
  return true;
}

// Channel messages take the channel's low four bits and seven bits of each
// data value; nothing else fits the wire format.
void put_channel_message(WriterSink& sink, uint32_t status, int32_t channel, int32_t data) {
  const unsigned char bytes[2] = {
      static_cast<unsigned char>(status | (static_cast<uint32_t>(channel) & 0x0F)),
      static_cast<unsigned char>(static_cast<uint32_t>(data) & 0x7F)};
  sink.put_bytes(bytes, sizeof bytes);
}

void put_channel_message(WriterSink& sink, uint32_t status, int32_t channel, int32_t data1, int32_t data2) {
  const unsigned char bytes[3] = {
      static_cast<unsigned char>(status | (static_cast<uint32_t>(channel) & 0x0F)),
      static_cast<unsigned char>(static_cast<uint32_t>(data1) & 0x7F),
      static_cast<unsigned char>(static_cast<uint32_t>(data2) & 0x7F)};
  sink.put_bytes(bytes, sizeof bytes);
}

// The stored first byte (F0 or F7) is the status; the rest follows its count.
bool put_sysex(WriterSink& sink, Event* event) {
  const int32_t length = sysex_get_data_length(event);
  const unsigned char* bytes = sysex_get_data(event);
  if (length < 1 || bytes == nullptr) return false;
  sink.put_byte(bytes[0]);
  if (!sink.put_vlq(length - 1)) return false;
  sink.put_bytes(bytes + 1, static_cast<size_t>(length - 1));
  return true;
}

// The zero byte the model keeps after a payload is not part of it.
bool put_meta(WriterSink& sink, Event* event) {
  const int32_t length = meta_get_data_length(event);
  const unsigned char* bytes = meta_get_data(event);
  if (length > 0 && bytes == nullptr) return false;
  sink.put_byte(kMetaStatus);
  sink.put_byte(static_cast<uint32_t>(meta_get_number(event)) & 0x7F);
  if (!sink.put_vlq(length)) return false;
  if (length > 0) sink.put_bytes(bytes, static_cast<size_t>(length));
  return true;
}

bool put_message(WriterSink& sink, Event* event) {
  const int32_t kind = event_get_kind(event);
  const uint32_t status = status_of_kind(kind);
  switch (kind) {
    case NOTE_OFF:
      put_channel_message(sink, status, note_off_get_channel(event), note_off_get_note(event),
                          note_off_get_velocity(event));
      return true;
    case NOTE_ON:
      put_channel_message(sink, status, note_on_get_channel(event), note_on_get_note(event),
                          note_on_get_velocity(event));
      return true;
    case KEY_PRESSURE:
      put_channel_message(sink, status, key_pressure_get_channel(event), key_pressure_get_note(event),
                          key_pressure_get_amount(event));
      return true;
    case CONTROL_CHANGE:
      put_channel_message(sink, status, control_change_get_channel(event), control_change_get_number(event),
                          control_change_get_value(event));
      return true;
    case PROGRAM_CHANGE:
      put_channel_message(sink, status, program_change_get_channel(event), program_change_get_number(event));
      return true;
    case CHANNEL_PRESSURE:
      put_channel_message(sink, status, channel_pressure_get_channel(event),
                          channel_pressure_get_amount(event));
      return true;
    case PITCH_WHEEL: {
      const int32_t value = pitch_wheel_get_value(event);
      put_channel_message(sink, status, pitch_wheel_get_channel(event), value, value >> 7);
      return true;
    }
    case SYSEX:
      return put_sysex(sink, event);
    case META:
      return put_meta(sink, event);
    default:
      return false;
  }
}

}  // namespace

bool writer_put_header(WriterSink& sink, Sequence* sequence) {
  const int32_t track_count = sequence_get_track_count(sequence);
  if (track_count < 0 || track_count > 0xFFFF) return false;
  sink.put_bytes(reinterpret_cast<const unsigned char*>("MThd"), 4);
  sink.put_u32(6);
  sink.put_u16(static_cast<uint32_t>(sequence_get_format(sequence)));
  sink.put_u16(static_cast<uint32_t>(track_count));
  return put_division(sink, sequence_get_division_type(sequence), sequence_get_resolution(sequence));
}

bool writer_put_track_content(WriterSink& sink, Track* track) {
  // Deltas are taken in 64 bits: the difference of two 32-bit ticks may not
  // fit in 32. The track starts at tick 0 and its events are sorted, so a
  // negative tick shows as a negative delta, which put_vlq refuses.
  int64_t previous_tick = 0;
  for (Event* event = track_get_first_event(track); event != nullptr;
       event = event_get_next_in_track(event)) {
    const int64_t tick = event_get_tick(event);
    if (!sink.put_vlq(tick - previous_tick) || !put_message(sink, event)) return false;
    previous_tick = tick;
  }
  if (!sink.put_vlq(int64_t{track_get_end_tick(track)} - previous_tick)) return false;
  const unsigned char end_of_track[3] = {kMetaStatus, kEndOfTrackMeta, 0x00};
  sink.put_bytes(end_of_track, sizeof end_of_track);
  return true;
}

}  // namespace tactus::internal
