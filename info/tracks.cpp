#include <set>
#include <string>

#include "common/terminal_text.h"
#include "info/summary.h"
#include "tactus/timing.h"

namespace tactus::info {
namespace {

constexpr int32_t kTrackNameMeta = 0x03;

// Meta events 0x01 to 0x0F carry text.
bool carries_text(Event* event) {
  const int32_t number = meta_get_number(event);
  return number >= 0x01 && number <= 0x0F;
}

// Channels and programs are numbered from 1, as General MIDI lists them.
std::string numbers_from_one(const std::set<int32_t>& numbers) {
  if (numbers.empty()) return "-";
  std::string text;
  for (int32_t number : numbers) text += (text.empty() ? "" : ",") + std::to_string(number + 1);
  return text;
}

// Returns whether some text of the track is not UTF-8, and so read by rule as
// Windows-1252.
bool print_track_row(Track* track, const common::TextDecoder& text, std::FILE* out) {
  std::set<int32_t> channels, programs;
  long notes = 0;
  Event* name = nullptr;
  bool not_utf8 = false;
  for (Event* event = track_get_first_event(track); event != nullptr;
       event = event_get_next_in_track(event)) {
    if (event_is_voice(event)) channels.insert(static_cast<int32_t>(event_to_short_message(event) & 0x0F));
    if (event_get_kind(event) == PROGRAM_CHANGE) programs.insert(program_change_get_number(event));
    notes += event_is_note_start(event);
    if (name == nullptr && meta_get_number(event) == kTrackNameMeta) name = event;
    not_utf8 = not_utf8 || (carries_text(event) && meta_text_is_utf8(event) == 0);
  }
  std::fprintf(out, "%d\t%ld\t%s\t%s\t", static_cast<int>(track_get_number(track)), notes,
               numbers_from_one(channels).c_str(), numbers_from_one(programs).c_str());
  if (name != nullptr) common::write_text(out, common::printable_text(text.text_of(name), "?"));
  std::fputc('\n', out);
  return not_utf8;
}

}  // namespace

void print_tracks_and_markers(Sequence* sequence, const common::TextDecoder& text, std::FILE* out) {
  std::fprintf(out, "track\tnotes\tchannels\tprograms\tname\n");
  std::set<int32_t> not_utf8_tracks;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track)) {
    if (print_track_row(track, text, out)) not_utf8_tracks.insert(track_get_number(track));
  }
  // What the rule read, so that a user can tell when to name an encoding.
  if (text.by_rule())
    for (int32_t track : not_utf8_tracks)
      std::fprintf(out, "track %d text: Windows-1252\n", static_cast<int>(track));
  // The markers that the library's marker lookup finds: the first track's.
  Track* first = sequence_get_first_track(sequence);
  for (Event* event = track_get_first_event(first); event != nullptr;
       event = event_get_next_in_track(event)) {
    if (!event_is_marker(event)) continue;
    const int32_t tick = event_get_tick(event);
    std::fprintf(out, "marker: %s %s ", sequence_get_mb_string_from_tick(sequence, tick),
                 sequence_get_hms_string_from_tick(sequence, tick));
    common::write_text(out, common::printable_text(text.text_of(event), "?"));
    std::fputc('\n', out);
  }
}

}  // namespace tactus::info
