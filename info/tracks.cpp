#include <set>
#include <string>

#include "info/summary.h"
#include "tactus/timing.h"

namespace tactus::info {
namespace {

constexpr int32_t kTrackNameMeta = 0x03;

// A meta event's text on one line: control characters become '?'.
std::string text_on_one_line(Event* meta) {
  const unsigned char* data = meta_get_data(meta);
  std::string text(reinterpret_cast<const char*>(data), static_cast<size_t>(meta_get_data_length(meta)));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

// Channels and programs are numbered from 1, as General MIDI lists them.
std::string numbers_from_one(const std::set<int32_t>& numbers) {
  if (numbers.empty()) return "-";
  std::string text;
  for (int32_t number : numbers) text += (text.empty() ? "" : ",") + std::to_string(number + 1);
  return text;
}

void print_track_row(Track* track, std::FILE* out) {
  std::set<int32_t> channels, programs;
  long notes = 0;
  std::string name;
  bool named = false;
  for (Event* event = track_get_first_event(track); event != nullptr;
       event = event_get_next_in_track(event)) {
    if (event_is_voice(event)) channels.insert(static_cast<int32_t>(event_to_short_message(event) & 0x0F));
    if (event_get_kind(event) == PROGRAM_CHANGE) programs.insert(program_change_get_number(event));
    notes += event_is_note_start(event);
    if (!named && meta_get_number(event) == kTrackNameMeta) {
      name = text_on_one_line(event);
      named = true;
    }
  }
  std::fprintf(out, "%d\t%ld\t%s\t%s\t%s\n", static_cast<int>(track_get_number(track)), notes,
               numbers_from_one(channels).c_str(), numbers_from_one(programs).c_str(), name.c_str());
}

}  // namespace

void print_tracks_and_markers(Sequence* sequence, std::FILE* out) {
  std::fprintf(out, "track\tnotes\tchannels\tprograms\tname\n");
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track))
    print_track_row(track, out);
  // The markers that the library's marker lookup finds: the first track's.
  Track* first = sequence_get_first_track(sequence);
  for (Event* event = track_get_first_event(first); event != nullptr;
       event = event_get_next_in_track(event)) {
    if (!event_is_marker(event)) continue;
    const int32_t tick = event_get_tick(event);
    std::fprintf(out, "marker: %s %s %s\n", sequence_get_mb_string_from_tick(sequence, tick),
                 sequence_get_hms_string_from_tick(sequence, tick), text_on_one_line(event).c_str());
  }
}

}  // namespace tactus::info
