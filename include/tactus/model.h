// tactus: the in-memory form of a MIDI file.
//
// A Sequence owns Tracks; a Track owns Events. Every Event sits in two lists
// at once: its track's list and the sequence's list of all events, both kept
// in tick order (equal ticks stay in insertion order). All records are opaque
// and released with their explicit free operation.
//
// Conventions: a null record, or an event of the wrong kind for a typed
// accessor, gives -1 (integers), -1.0 (floats) or null (records, buffers,
// texts) and changes nothing. Setters return 0 on success; predicates 1 or 0.
// Bytes and texts handed in are copied. Nothing here prints or throws. An
// operation that needs memory and cannot have it fails the same way (null
// or -1) and changes nothing.
//
// Threads: a Sequence with everything in it is used by one thread at a
// time; different sequences may be used on different threads at once.
//
// Memory: an event costs 36 bytes, a system-exclusive message of more than
// 11 bytes or a meta payload of more than 8 bytes (or with a number beyond
// 255) its length and a few bytes more. The event memory of a freed sequence
// (up to 66 MiB) is kept for the next sequences of the thread that freed it,
// so that loading file after file does not wait for fresh memory; it is
// released when that thread ends.
#ifndef TACTUS_MODEL_H
#define TACTUS_MODEL_H

#include <cstdint>

#include "tactus/export.h"

namespace tactus {

struct Sequence;
struct Track;
struct Event;
struct MbPosition;
struct MbtPosition;
struct HmsPosition;
struct HmsfPosition;

enum EventKind : int32_t {
  NOTE_OFF = 0,      // 0x80
  NOTE_ON,           // 0x90; velocity 0 counts as a note end
  KEY_PRESSURE,      // 0xA0
  CONTROL_CHANGE,    // 0xB0
  PROGRAM_CHANGE,    // 0xC0
  CHANNEL_PRESSURE,  // 0xD0
  PITCH_WHEEL,       // 0xE0
  SYSEX,             // 0xF0 or 0xF7
  META               // 0xFF
};

enum DivisionType : int32_t {
  DIVISION_PPQ = 0,      // resolution = ticks per quarter note
  DIVISION_SMPTE24,      // resolution = ticks per frame at 24 fps
  DIVISION_SMPTE25,      // ... 25 fps
  DIVISION_SMPTE30DROP,  // ... 29.97 fps
  DIVISION_SMPTE30       // ... 30 fps
};

// Called once per event by the visiting operations; the result is ignored.
// The visitor may free or move the event it is given.
using EventVisitor = int (*)(Event* event, void* user_data);

// ---- Sequence ---------------------------------------------------------------

// A new empty sequence. Beat resolution and frame rate follow the division
// type: PPQ takes the resolution and 30 fps; the SMPTE types 960 ticks per
// beat and their own frame rate (29.97 as a float for SMPTE30DROP).
TACTUS_API Sequence* sequence_new(int32_t format, int32_t division_type, int32_t resolution);
// Frees the sequence with its tracks, events and position scratch records.
TACTUS_API int32_t sequence_free(Sequence* sequence);

TACTUS_API int32_t sequence_get_format(Sequence* sequence);
TACTUS_API int32_t sequence_set_format(Sequence* sequence, int32_t format);
TACTUS_API int32_t sequence_get_division_type(Sequence* sequence);
TACTUS_API int32_t sequence_set_division_type(Sequence* sequence, int32_t division_type);
// Ticks per quarter note (PPQ) or ticks per frame (SMPTE).
TACTUS_API int32_t sequence_get_resolution(Sequence* sequence);
TACTUS_API int32_t sequence_set_resolution(Sequence* sequence, int32_t resolution);
// Ticks per beat for the tick part of bar/beat/tick positions.
TACTUS_API int32_t sequence_get_beat_resolution(Sequence* sequence);
TACTUS_API int32_t sequence_set_beat_resolution(Sequence* sequence, int32_t beat_resolution);
// Frames per second for hours/minutes/seconds/frames positions; -1.0 on null.
TACTUS_API float sequence_get_frame_rate(Sequence* sequence);
TACTUS_API int32_t sequence_set_frame_rate(Sequence* sequence, float frame_rate);

TACTUS_API int32_t sequence_get_track_count(Sequence* sequence);
TACTUS_API Track* sequence_get_first_track(Sequence* sequence);
TACTUS_API Track* sequence_get_last_track(Sequence* sequence);
// First and last event of the whole sequence, in tick order.
TACTUS_API Event* sequence_get_first_event(Sequence* sequence);
TACTUS_API Event* sequence_get_last_event(Sequence* sequence);
// Appends a new empty track numbered after the last one. Null when memory
// is exhausted or the sequence holds 16,777,215 tracks, the most it can.
TACTUS_API Track* sequence_add_track(Sequence* sequence);
// The track numbered `number`; with `create` set, missing tracks up to it
// are appended. Null for a negative number or a missing track without create.
TACTUS_API Track* sequence_get_track_by_number(Sequence* sequence, int32_t number, int create);
// Calls the visitor for every event in sequence order; 0, or -1 on null.
TACTUS_API int32_t sequence_visit_events(Sequence* sequence, EventVisitor visitor, void* user_data);

// ---- Position records (their accessors and text forms are in timing.h) ------

TACTUS_API MbPosition* mb_position_new();    // 1:1.0
TACTUS_API MbtPosition* mbt_position_new();  // 1:1:0.0
TACTUS_API HmsPosition* hms_position_new();  // 0:00:00.0
TACTUS_API HmsfPosition* hmsf_position_new();  // 0:00:00:0.0
TACTUS_API int32_t mb_position_free(MbPosition* position);
TACTUS_API int32_t mbt_position_free(MbtPosition* position);
TACTUS_API int32_t hms_position_free(HmsPosition* position);
TACTUS_API int32_t hmsf_position_free(HmsfPosition* position);

// ---- Track ------------------------------------------------------------------

// Frees the track and its events; later tracks are renumbered down by one.
TACTUS_API int32_t track_free(Track* track);
TACTUS_API Sequence* track_get_sequence(Track* track);
TACTUS_API int32_t track_get_number(Track* track);
// The tick at which the track ends (where the writer puts end-of-track).
TACTUS_API int32_t track_get_end_tick(Track* track);
// Refused (-1) when the track has events and the tick is below the last one.
TACTUS_API int32_t track_set_end_tick(Track* track, int32_t tick);
// Inserts a new empty track before this one, which is renumbered up by one.
TACTUS_API Track* track_new_before(Track* track);
TACTUS_API Track* track_get_previous(Track* track);
TACTUS_API Track* track_get_next(Track* track);
TACTUS_API Event* track_get_first_event(Track* track);
TACTUS_API Event* track_get_last_event(Track* track);
// Calls the visitor for every event of the track in track order.
TACTUS_API int32_t track_visit_events(Track* track, EventVisitor visitor, void* user_data);

// ---- Event creation ---------------------------------------------------------
// Each creator inserts the new event into its track and the sequence after
// every event of the same or a lower tick. Values are stored as given.

TACTUS_API Event* note_off_new(Track* track, int32_t tick, int32_t channel, int32_t note, int32_t velocity);
TACTUS_API Event* note_on_new(Track* track, int32_t tick, int32_t channel, int32_t note, int32_t velocity);
TACTUS_API Event* key_pressure_new(Track* track, int32_t tick, int32_t channel, int32_t note, int32_t amount);
TACTUS_API Event* control_change_new(Track* track, int32_t tick, int32_t channel, int32_t number, int32_t value);
TACTUS_API Event* program_change_new(Track* track, int32_t tick, int32_t channel, int32_t number);
TACTUS_API Event* channel_pressure_new(Track* track, int32_t tick, int32_t channel, int32_t amount);
// `value` is the 14-bit bend, 0 to 16383 with 8192 at the centre.
TACTUS_API Event* pitch_wheel_new(Track* track, int32_t tick, int32_t channel, int32_t value);
// `bytes` begins with the status byte 0xF0 or 0xF7. Null when count < 1 or
// bytes is null.
TACTUS_API Event* sysex_new(Track* track, int32_t tick, int32_t count, const unsigned char* bytes);
// A meta event; the payload is copied and followed by a 0 byte. Null for a
// negative length, or null bytes with a positive length.
TACTUS_API Event* meta_new(Track* track, int32_t tick, int32_t number, int32_t length, const unsigned char* bytes);
// A channel event decoded from a short message word; null when the status
// is not a channel status.
TACTUS_API Event* event_new_from_short_message(Track* track, int32_t tick, uint32_t message);

// ---- Event ------------------------------------------------------------------

// Removes the event from both lists and frees it with its data.
TACTUS_API int32_t event_free(Event* event);
TACTUS_API Track* event_get_track(Event* event);
TACTUS_API Event* event_get_previous_in_track(Event* event);
TACTUS_API Event* event_get_next_in_track(Event* event);
TACTUS_API Event* event_get_previous_in_sequence(Event* event);
TACTUS_API Event* event_get_next_in_sequence(Event* event);
// Same as the _in_track forms.
TACTUS_API Event* event_get_previous(Event* event);
TACTUS_API Event* event_get_next(Event* event);
TACTUS_API int32_t event_get_tick(Event* event);
// Moves the event behind every event of tick <= `tick` in both lists.
TACTUS_API int32_t event_set_tick(Event* event, int32_t tick);
// An EventKind, or -1 on null.
TACTUS_API int32_t event_get_kind(Event* event);

// ---- Typed fields -----------------------------------------------------------

TACTUS_API int32_t note_off_get_channel(Event* event);
TACTUS_API int32_t note_off_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t note_off_get_note(Event* event);
TACTUS_API int32_t note_off_set_note(Event* event, int32_t note);
TACTUS_API int32_t note_off_get_velocity(Event* event);
TACTUS_API int32_t note_off_set_velocity(Event* event, int32_t velocity);
TACTUS_API int32_t note_on_get_channel(Event* event);
TACTUS_API int32_t note_on_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t note_on_get_note(Event* event);
TACTUS_API int32_t note_on_set_note(Event* event, int32_t note);
TACTUS_API int32_t note_on_get_velocity(Event* event);
TACTUS_API int32_t note_on_set_velocity(Event* event, int32_t velocity);
TACTUS_API int32_t key_pressure_get_channel(Event* event);
TACTUS_API int32_t key_pressure_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t key_pressure_get_note(Event* event);
TACTUS_API int32_t key_pressure_set_note(Event* event, int32_t note);
TACTUS_API int32_t key_pressure_get_amount(Event* event);
TACTUS_API int32_t key_pressure_set_amount(Event* event, int32_t amount);
TACTUS_API int32_t control_change_get_channel(Event* event);
TACTUS_API int32_t control_change_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t control_change_get_number(Event* event);
TACTUS_API int32_t control_change_set_number(Event* event, int32_t number);
TACTUS_API int32_t control_change_get_value(Event* event);
TACTUS_API int32_t control_change_set_value(Event* event, int32_t value);
TACTUS_API int32_t program_change_get_channel(Event* event);
TACTUS_API int32_t program_change_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t program_change_get_number(Event* event);
TACTUS_API int32_t program_change_set_number(Event* event, int32_t number);
TACTUS_API int32_t channel_pressure_get_channel(Event* event);
TACTUS_API int32_t channel_pressure_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t channel_pressure_get_amount(Event* event);
TACTUS_API int32_t channel_pressure_set_amount(Event* event, int32_t amount);
TACTUS_API int32_t pitch_wheel_get_channel(Event* event);
TACTUS_API int32_t pitch_wheel_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t pitch_wheel_get_value(Event* event);
TACTUS_API int32_t pitch_wheel_set_value(Event* event, int32_t value);

// The bytes of a SYSEX event, status byte included; owned by the event and
// valid until it is freed or its data replaced.
TACTUS_API int32_t sysex_get_data_length(Event* event);
TACTUS_API unsigned char* sysex_get_data(Event* event);
// Replaces the bytes with a copy; `bytes` may point into the current buffer.
TACTUS_API int32_t sysex_set_data(Event* event, int32_t count, const unsigned char* bytes);

TACTUS_API int32_t meta_get_number(Event* event);
// Any number is kept as given; -1 also when memory is exhausted.
TACTUS_API int32_t meta_set_number(Event* event, int32_t number);
// The payload, always followed by a 0 byte not counted in its length. Change
// it with meta_set_data: the time conversions do not notice bytes changed in
// place (timing.h).
TACTUS_API int32_t meta_get_data_length(Event* event);
TACTUS_API unsigned char* meta_get_data(Event* event);
// Replaces the payload (length >= 1) with a copy; `bytes` may point into it.
TACTUS_API int32_t meta_set_data(Event* event, int32_t length, const unsigned char* bytes);

// ---- Predicates (1 or 0; 0 for null) ----------------------------------------

TACTUS_API int event_is_note(Event* event);        // NOTE_OFF or NOTE_ON
TACTUS_API int event_is_note_start(Event* event);  // NOTE_ON, velocity > 0
TACTUS_API int event_is_note_end(Event* event);    // NOTE_OFF, or NOTE_ON with velocity 0
TACTUS_API int event_is_voice(Event* event);       // any channel kind
TACTUS_API int event_is_tempo(Event* event);       // META 0x51
TACTUS_API int event_is_time_signature(Event* event);  // META 0x58
TACTUS_API int event_is_lyric(Event* event);       // META 0x05
TACTUS_API int event_is_marker(Event* event);      // META 0x06

// ---- Decoded meta values ----------------------------------------------------

// The tempo and time-signature getters read payload bytes missing from a
// short payload as 0.

// 60000000 / microseconds per quarter note; -1.0 if not a tempo event.
// A tempo of 0 microseconds gives +infinity, as the division in double does.
TACTUS_API float tempo_get_beats_per_minute(Event* event);
TACTUS_API int32_t time_signature_get_numerator(Event* event);
// 1 to 128; -1 for a stored power above 7.
TACTUS_API int32_t time_signature_get_denominator(Event* event);
TACTUS_API const char* lyric_get_text(Event* event);
TACTUS_API const char* marker_get_text(Event* event);

// ---- Meta text as UTF-8 -----------------------------------------------------
// A file states no encoding for its texts (names, words, markers). The rule
// here: a payload that is well-formed UTF-8 is kept as it is; any other is
// read as Windows-1252, byte by byte, its five undefined bytes (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) becoming U+FFFD. Control characters are kept: leaving
// them out is the business of whoever shows the text.

// 1 when the payload of a META event is well-formed UTF-8 (plain ASCII and an
// empty payload included); 0 when it is not, and for null or another kind.
TACTUS_API int meta_text_is_utf8(Event* event);

// Writes the payload of a META event as UTF-8 into the caller's `buffer` of
// `size` bytes: as many whole characters as fit before a terminating 0 byte,
// never part of one. Returns the length in bytes of the whole text without
// the 0 byte, so a result of `size` or more tells that the text was cut; a
// size of 0 (the buffer may then be null) asks for that length only. A 0
// byte in the payload is a character like any other. -1, with nothing
// written, for null or another kind, a negative size, a null buffer with a
// positive size, or a text longer than INT32_MAX bytes.
TACTUS_API int32_t meta_get_utf8_text(Event* event, char* buffer, int32_t size);

// ---- Short messages ---------------------------------------------------------

// Status in bits 0-7, first data byte in 8-15, second in 16-23; 0 for SYSEX,
// META and null.
TACTUS_API uint32_t event_to_short_message(Event* event);

// ---- Notes as start/end pairs -----------------------------------------------
// A note start is a NOTE_ON with velocity > 0; a note end a NOTE_OFF or a
// NOTE_ON with velocity 0. Pairs are found by searching the same track for
// the same channel and note.

TACTUS_API int32_t note_start_get_channel(Event* event);
TACTUS_API int32_t note_start_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t note_start_get_note(Event* event);
TACTUS_API int32_t note_start_set_note(Event* event, int32_t note);
TACTUS_API int32_t note_start_get_velocity(Event* event);
// A velocity of 0 makes the event a note end (it stays a NOTE_ON).
TACTUS_API int32_t note_start_set_velocity(Event* event, int32_t velocity);
// The first matching note end after the start in its track, or null.
TACTUS_API Event* note_start_get_note_end(Event* event);

TACTUS_API int32_t note_end_get_channel(Event* event);
TACTUS_API int32_t note_end_set_channel(Event* event, int32_t channel);
TACTUS_API int32_t note_end_get_note(Event* event);
TACTUS_API int32_t note_end_set_note(Event* event, int32_t note);
TACTUS_API int32_t note_end_get_velocity(Event* event);
// On a zero-velocity NOTE_ON this replaces the event by a NOTE_OFF at the
// same tick (placed after the other events of that tick) and frees it.
TACTUS_API int32_t note_end_set_velocity(Event* event, int32_t velocity);
// The nearest matching note start before the end in its track, or null.
TACTUS_API Event* note_end_get_note_start(Event* event);

// ---- Builders ---------------------------------------------------------------

// A NOTE_ON at start_tick and a NOTE_OFF at end_tick; returns the NOTE_ON.
TACTUS_API Event* note_pair_new(Track* track, int32_t start_tick, int32_t end_tick, int32_t channel,
                                int32_t note, int32_t velocity, int32_t end_velocity);
// Null when the tempo gives no valid microseconds per quarter note.
TACTUS_API Event* tempo_new(Track* track, int32_t tick, float beats_per_minute);
TACTUS_API int32_t tempo_set_beats_per_minute(Event* event, float beats_per_minute);
// The denominator must be a power of two from 1 to 128.
TACTUS_API Event* time_signature_new(Track* track, int32_t tick, int32_t numerator, int32_t denominator);
TACTUS_API int32_t time_signature_set(Event* event, int32_t numerator, int32_t denominator);
TACTUS_API Event* lyric_new(Track* track, int32_t tick, const char* text);
TACTUS_API int32_t lyric_set_text(Event* event, const char* text);
TACTUS_API Event* marker_new(Track* track, int32_t tick, const char* text);
TACTUS_API int32_t marker_set_text(Event* event, const char* text);

}  // namespace tactus

#endif
