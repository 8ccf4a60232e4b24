// Classifying events: notes, voice events and the meta events the library
// knows by number.
#include "model/midi_messages.h"
#include "model/records.h"

namespace tactus {
namespace {

int is_meta_numbered(Event* event, int32_t number) {
  return event != nullptr && event->kind() == META && event->word1() == number ? 1 : 0;
}

}  // namespace

int event_is_note(Event* event) {
  return event != nullptr && (event->kind() == NOTE_OFF || event->kind() == NOTE_ON) ? 1 : 0;
}

int event_is_note_start(Event* event) {
  return event != nullptr && event->kind() == NOTE_ON && event->word3() > 0 ? 1 : 0;
}

int event_is_note_end(Event* event) {
  if (event == nullptr) return 0;
  return event->kind() == NOTE_OFF || (event->kind() == NOTE_ON && event->word3() == 0) ? 1 : 0;
}

int event_is_voice(Event* event) {
  return event != nullptr && event->kind() >= NOTE_OFF && event->kind() <= PITCH_WHEEL ? 1 : 0;
}

int event_is_tempo(Event* event) { return is_meta_numbered(event, internal::kTempoMeta); }

int event_is_time_signature(Event* event) { return is_meta_numbered(event, internal::kTimeSignatureMeta); }

int event_is_lyric(Event* event) { return is_meta_numbered(event, internal::kLyricMeta); }

int event_is_marker(Event* event) { return is_meta_numbered(event, internal::kMarkerMeta); }

}  // namespace tactus
