// Prints a MIDI file's layout and its markers with their bar/beat/tick and
// clock positions: a small tour of reading a file with tactus.
#include <tactus/tactus.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s song.mid\n", argv[0]);
    return 2;
  }
  tactus::Sequence* song = tactus::sequence_load(argv[1]);
  if (song == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  int32_t events = 0;
  int32_t last_tick = 0;
  for (tactus::Event* e = tactus::sequence_get_first_event(song); e;
       e = tactus::event_get_next_in_sequence(e)) {
    ++events;
    last_tick = tactus::event_get_tick(e);
    if (tactus::event_is_marker(e)) {
      // The marker's text as UTF-8 whatever its file's encoding, cut to whole characters.
      char text[64];
      tactus::meta_get_utf8_text(e, text, sizeof text);
      std::printf("marker %-12s %s  %s\n", text, tactus::sequence_get_mbt_string_from_tick(song, last_tick),
                  tactus::sequence_get_hms_string_from_tick(song, last_tick));
    }
  }
  std::printf("format %d, %d tracks, %d events, %.3f seconds\n", tactus::sequence_get_format(song),
              tactus::sequence_get_track_count(song), events,
              tactus::sequence_get_seconds_from_tick(song, last_tick));
  tactus::sequence_free(song);
  return 0;
}
