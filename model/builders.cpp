// Builders that create events from musical values (whole notes, tempos, time
// signatures, lyrics, markers) and setters that rewrite their payloads.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/midi_messages.h"
#include "tactus/model.h"

namespace tactus {

namespace {

// Microseconds per quarter note, stored big-endian in three bytes. False for
// a tempo that has no such value: not above 0 (NaN included), or so fast or
// so slow that the stored value would be 0, which no reader can divide by.
bool encode_tempo(float beats_per_minute, unsigned char payload[3]) {
  if (!(beats_per_minute > 0.0f)) return false;
  const double quotient = std::trunc(60000000.0 / static_cast<double>(beats_per_minute));
  // fmod is exact, so this keeps the low 24 bits of quotients of any size
  // without converting an out-of-range double to an integer.
  const auto microseconds = static_cast<uint32_t>(std::fmod(quotient, 16777216.0));
  if (microseconds == 0) return false;
  payload[0] = static_cast<unsigned char>(microseconds >> 16);
  payload[1] = static_cast<unsigned char>(microseconds >> 8);
  payload[2] = static_cast<unsigned char>(microseconds);
  return true;
}

// Numerator, power of two of the denominator, MIDI clocks per beat (96 per
// whole note), 32nd notes per quarter. False unless the denominator is a
// power of two from 1 to 128.
bool encode_time_signature(int32_t numerator, int32_t denominator, unsigned char payload[4]) {
  for (int power = 0; power <= 7; ++power) {
    if (denominator == (1 << power)) {
      payload[0] = static_cast<unsigned char>(numerator & 0xFF);
      payload[1] = static_cast<unsigned char>(power);
      payload[2] = static_cast<unsigned char>(96 / denominator);
      payload[3] = 8;
      return true;
    }
  }
  return false;
}

// The length of a text that fits a meta payload, or -1 for a null text or
// one too long for the model's 32-bit lengths.
int32_t text_length(const char* text) {
  if (text == nullptr) return -1;
  const size_t length = std::strlen(text);
  return length > static_cast<size_t>(INT32_MAX) ? -1 : static_cast<int32_t>(length);
}

const unsigned char* text_bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

Event* text_event_new(Track* track, int32_t tick, int32_t number, const char* text) {
  const int32_t length = text_length(text);
  if (length < 0) return nullptr;
  return meta_new(track, tick, number, length, text_bytes(text));
}

int32_t text_event_set(Event* event, const char* text) {
  const int32_t length = text_length(text);
  if (length < 0) return -1;
  return meta_set_data(event, length, text_bytes(text));
}

}  // namespace

Event* note_pair_new(Track* track, int32_t start_tick, int32_t end_tick, int32_t channel, int32_t note,
                     int32_t velocity, int32_t end_velocity) {
  Event* note_on = note_on_new(track, start_tick, channel, note, velocity);
  if (note_on == nullptr) return nullptr;
  // Half a note would leave a note sounding forever: all or nothing.
  if (note_off_new(track, end_tick, channel, note, end_velocity) == nullptr) {
    event_free(note_on);
    return nullptr;
  }
  return note_on;
}

Event* tempo_new(Track* track, int32_t tick, float beats_per_minute) {
  unsigned char payload[3];
  if (track == nullptr || !encode_tempo(beats_per_minute, payload)) return nullptr;
  return meta_new(track, tick, internal::kTempoMeta, 3, payload);
}

int32_t tempo_set_beats_per_minute(Event* event, float beats_per_minute) {
  unsigned char payload[3];
  if (!event_is_tempo(event) || !encode_tempo(beats_per_minute, payload)) return -1;
  return meta_set_data(event, 3, payload);
}

Event* time_signature_new(Track* track, int32_t tick, int32_t numerator, int32_t denominator) {
  unsigned char payload[4];
  if (track == nullptr || !encode_time_signature(numerator, denominator, payload)) return nullptr;
  return meta_new(track, tick, internal::kTimeSignatureMeta, 4, payload);
}

// Any META event is accepted, not only time signatures: the number is kept
// and only the payload is replaced.
int32_t time_signature_set(Event* event, int32_t numerator, int32_t denominator) {
  unsigned char payload[4];
  if (!encode_time_signature(numerator, denominator, payload)) return -1;
  return meta_set_data(event, 4, payload);
}

Event* lyric_new(Track* track, int32_t tick, const char* text) {
  return text_event_new(track, tick, internal::kLyricMeta, text);
}

int32_t lyric_set_text(Event* event, const char* text) {
  if (!event_is_lyric(event)) return -1;
  return text_event_set(event, text);
}

Event* marker_new(Track* track, int32_t tick, const char* text) {
  return text_event_new(track, tick, internal::kMarkerMeta, text);
}

int32_t marker_set_text(Event* event, const char* text) {
  if (!event_is_marker(event)) return -1;
  return text_event_set(event, text);
}

}  // namespace tactus
