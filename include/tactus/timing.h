// tactus: musical time. Ticks convert to beats (quarter notes) and seconds
// through the tempo events of the first track, and to bar/beat and clock
// positions through its time-signature events. Before the first tempo event
// the tempo is 120 beats per minute, before the first time signature 4/4.
//
// Every conversion between ticks and beats, seconds or positions costs
// O(log n) of the first track's tempo and time-signature events, and O(1)
// for ticks asked in order. For this the sequence keeps an index of those
// events, built by the first conversion that needs it and dropped by any
// change made through the library that could alter a result (events of the
// first track, the track list, the division type, resolution, beat
// resolution or frame rate); payload bytes changed in place through
// meta_get_data are not noticed. Results are bit for bit those of walking
// the first track from its first event on every call. A marker lookup reads
// the first track's meta events as they stand, in time proportional to them.
//
// Threads: conversions build and keep state inside the Sequence (the index,
// the scratch records of the text forms), so, as for every other operation,
// one thread at a time uses a Sequence, for conversions too.
#ifndef TACTUS_TIMING_H
#define TACTUS_TIMING_H

#include <cstdint>

#include "tactus/export.h"
#include "tactus/model.h"

namespace tactus {

// ---- Ticks, beats and seconds -----------------------------------------------
// -1.0 or -1 for a null sequence or a division type outside 0..4. Tick
// results truncate toward zero; NaN gives -1, values beyond the 32-bit range
// saturate.

TACTUS_API double sequence_get_beat_from_tick(Sequence* sequence, int32_t tick);
TACTUS_API int32_t sequence_get_tick_from_beat(Sequence* sequence, float beat);
TACTUS_API double sequence_get_seconds_from_tick(Sequence* sequence, int32_t tick);
TACTUS_API int32_t sequence_get_tick_from_seconds(Sequence* sequence, float seconds);

// ---- Position records ---------------------------------------------------------
// Fields are stored as given, never normalised. to_string formats the fields
// into the record's own text (at most 31 characters) and returns it; parse
// resets the fields to their start values, then reads what matches (whole
// numbers beyond the int32 range are clamped to it).

TACTUS_API int32_t mb_position_get_measure(MbPosition* position);
TACTUS_API int32_t mb_position_set_measure(MbPosition* position, int32_t measure);
TACTUS_API float mb_position_get_beat(MbPosition* position);
TACTUS_API int32_t mb_position_set_beat(MbPosition* position, float beat);
TACTUS_API const char* mb_position_to_string(MbPosition* position);  // "1:2.500"
TACTUS_API int32_t mb_position_parse(MbPosition* position, const char* text);

TACTUS_API int32_t mbt_position_get_measure(MbtPosition* position);
TACTUS_API int32_t mbt_position_set_measure(MbtPosition* position, int32_t measure);
TACTUS_API int32_t mbt_position_get_beat(MbtPosition* position);
TACTUS_API int32_t mbt_position_set_beat(MbtPosition* position, int32_t beat);
TACTUS_API float mbt_position_get_tick(MbtPosition* position);
TACTUS_API int32_t mbt_position_set_tick(MbtPosition* position, float tick);
TACTUS_API const char* mbt_position_to_string(MbtPosition* position);  // "1:2:240.000"
TACTUS_API int32_t mbt_position_parse(MbtPosition* position, const char* text);

TACTUS_API int32_t hms_position_get_hours(HmsPosition* position);
TACTUS_API int32_t hms_position_set_hours(HmsPosition* position, int32_t hours);
TACTUS_API int32_t hms_position_get_minutes(HmsPosition* position);
TACTUS_API int32_t hms_position_set_minutes(HmsPosition* position, int32_t minutes);
TACTUS_API float hms_position_get_seconds(HmsPosition* position);
TACTUS_API int32_t hms_position_set_seconds(HmsPosition* position, float seconds);
TACTUS_API const char* hms_position_to_string(HmsPosition* position);  // "0:01:40.000"
TACTUS_API int32_t hms_position_parse(HmsPosition* position, const char* text);

TACTUS_API int32_t hmsf_position_get_hours(HmsfPosition* position);
TACTUS_API int32_t hmsf_position_set_hours(HmsfPosition* position, int32_t hours);
TACTUS_API int32_t hmsf_position_get_minutes(HmsfPosition* position);
TACTUS_API int32_t hmsf_position_set_minutes(HmsfPosition* position, int32_t minutes);
TACTUS_API int32_t hmsf_position_get_seconds(HmsfPosition* position);
TACTUS_API int32_t hmsf_position_set_seconds(HmsfPosition* position, int32_t seconds);
TACTUS_API float hmsf_position_get_frames(HmsfPosition* position);
TACTUS_API int32_t hmsf_position_set_frames(HmsfPosition* position, float frames);
TACTUS_API const char* hmsf_position_to_string(HmsfPosition* position);  // "0:00:01:7.500"
TACTUS_API int32_t hmsf_position_parse(HmsfPosition* position, const char* text);

// ---- Ticks and positions ------------------------------------------------------
// tick -> record: 0, or -1 if the sequence or record is null.
// record -> tick: the tick, or -1 if either is null.

TACTUS_API int32_t sequence_get_mb_from_tick(Sequence* sequence, int32_t tick, MbPosition* position);
TACTUS_API int32_t sequence_get_tick_from_mb(Sequence* sequence, MbPosition* position);
TACTUS_API int32_t sequence_get_mbt_from_tick(Sequence* sequence, int32_t tick, MbtPosition* position);
TACTUS_API int32_t sequence_get_tick_from_mbt(Sequence* sequence, MbtPosition* position);
TACTUS_API int32_t sequence_get_hms_from_tick(Sequence* sequence, int32_t tick, HmsPosition* position);
TACTUS_API int32_t sequence_get_tick_from_hms(Sequence* sequence, HmsPosition* position);
TACTUS_API int32_t sequence_get_hmsf_from_tick(Sequence* sequence, int32_t tick, HmsfPosition* position);
TACTUS_API int32_t sequence_get_tick_from_hmsf(Sequence* sequence, HmsfPosition* position);

// Text forms through the sequence's own scratch records: a returned text
// stays valid until the next conversion of the same notation on the sequence.
TACTUS_API const char* sequence_get_mb_string_from_tick(Sequence* sequence, int32_t tick);
TACTUS_API const char* sequence_get_mbt_string_from_tick(Sequence* sequence, int32_t tick);
TACTUS_API const char* sequence_get_hms_string_from_tick(Sequence* sequence, int32_t tick);
TACTUS_API const char* sequence_get_hmsf_string_from_tick(Sequence* sequence, int32_t tick);
TACTUS_API int32_t sequence_get_tick_from_mb_string(Sequence* sequence, const char* text);
TACTUS_API int32_t sequence_get_tick_from_mbt_string(Sequence* sequence, const char* text);
TACTUS_API int32_t sequence_get_tick_from_hms_string(Sequence* sequence, const char* text);
TACTUS_API int32_t sequence_get_tick_from_hmsf_string(Sequence* sequence, const char* text);

// The tick of the first marker in the first track whose text equals `name`
// exactly; -1 if there is none (or the name is null).
TACTUS_API int32_t sequence_get_tick_from_marker(Sequence* sequence, const char* name);

}  // namespace tactus

#endif
