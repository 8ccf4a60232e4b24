// Writes the seed corpora of the fuzz targets:
//   make_corpus <directory>   fills <directory>/<target>/ for each target
//
// MIDI seeds are whole files made with the library's own builders and
// writer, then damaged by hand the ways files really break: cut short,
// lengths that lie, a RIFF wrapper, running status, SMPTE divisions,
// unknown chunks and messages. Text seeds are time specs and positions,
// well-formed and not.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "tactus/smf.h"

namespace {

using namespace tactus;
using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

// ---- Byte building ------------------------------------------------------------

void put_u16(Bytes& bytes, uint32_t value) {
  bytes.push_back(static_cast<unsigned char>(value >> 8));
  bytes.push_back(static_cast<unsigned char>(value));
}

void put_u32(Bytes& bytes, uint32_t value) {
  put_u16(bytes, value >> 16);
  put_u16(bytes, value & 0xFFFF);
}

void put(Bytes& bytes, std::initializer_list<unsigned> values) {
  for (unsigned value : values) bytes.push_back(static_cast<unsigned char>(value));
}

void put(Bytes& bytes, const std::string& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

void put(Bytes& bytes, const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }

Bytes operator+(Bytes left, const Bytes& right) {
  put(left, right);
  return left;
}

Bytes header(uint32_t length, uint32_t format, uint32_t tracks, uint32_t division) {
  Bytes bytes;
  put(bytes, "MThd");
  put_u32(bytes, length);
  put_u16(bytes, format);
  put_u16(bytes, tracks);
  put_u16(bytes, division);
  return bytes;
}

// A chunk with the length given, true or not.
Bytes chunk(const std::string& identifier, uint32_t length, const Bytes& content) {
  Bytes bytes;
  put(bytes, identifier);
  put_u32(bytes, length);
  put(bytes, content);
  return bytes;
}

Bytes chunk(const std::string& identifier, const Bytes& content) {
  return chunk(identifier, static_cast<uint32_t>(content.size()), content);
}

// ---- Files made by the library ------------------------------------------------

Bytes read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the writer makes of the sequence, which is then freed.
Bytes saved(Sequence* sequence, const fs::path& scratch) {
  Bytes bytes;
  if (sequence_save(sequence, scratch.c_str()) == 0) bytes = read_file(scratch);
  sequence_free(sequence);
  fs::remove(scratch);
  return bytes;
}

// Three tracks: a conductor with tempo, meter, key and markers; a melody
// with every channel message; system-exclusive messages of both kinds.
Sequence* song(int32_t division_type, int32_t resolution) {
  Sequence* sequence = sequence_new(1, division_type, resolution);
  Track* conductor = sequence_add_track(sequence);
  tempo_new(conductor, 0, 96.0f);
  time_signature_new(conductor, 0, 3, 4);
  const unsigned char key[2] = {0xFD, 0x01};
  meta_new(conductor, 0, 0x59, 2, key);
  marker_new(conductor, 0, "Intro");
  marker_new(conductor, 1440, "Chorus");
  tempo_new(conductor, 2880, 132.0f);
  time_signature_new(conductor, 2880, 7, 8);
  track_set_end_tick(conductor, 4000);

  Track* melody = sequence_add_track(sequence);
  lyric_new(melody, 0, "la");
  program_change_new(melody, 0, 2, 19);
  control_change_new(melody, 0, 2, 7, 100);
  note_pair_new(melody, 0, 240, 2, 60, 90, 64);
  note_on_new(melody, 240, 2, 64, 80);
  note_on_new(melody, 480, 2, 64, 0);
  key_pressure_new(melody, 300, 2, 64, 30);
  channel_pressure_new(melody, 320, 2, 50);
  pitch_wheel_new(melody, 360, 2, 10000);
  note_pair_new(melody, 960, 2000, 2, 67, 127, 0);

  Track* system = sequence_add_track(sequence);
  const unsigned char reset[6] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  sysex_new(system, 0, 6, reset);
  const unsigned char escape[3] = {0xF7, 0xF8, 0xFA};
  sysex_new(system, 100, 3, escape);
  return sequence;
}

Sequence* single_track() {
  Sequence* sequence = sequence_new(0, DIVISION_PPQ, 96);
  Track* track = sequence_add_track(sequence);
  note_pair_new(track, 0, 96, 9, 36, 100, 0);
  note_pair_new(track, 96, 192, 9, 38, 100, 0);
  return sequence;
}

// ---- Hand-made damage ---------------------------------------------------------

// A track in running status, also after meta and system-exclusive messages,
// with system messages that carry nothing and a data byte before any status.
Bytes running_status_track() {
  Bytes events;
  put(events, {0x00, 0x40});  // data byte, no status yet
  put(events, {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00, 0x10, 0x3E, 0x50});
  put(events, {0x00, 0xF8, 0x05, 0x90, 0x40, 0x40});  // a clock byte, then a note
  put(events,
      {0x00, 0xFF, 0x01, 0x02, 'h', 'i', 0x00, 0x06, 0x01, 'M'});  // meta, then meta by running status
  put(events, {0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7, 0x00, 0x02, 0x01, 0x02});
  put(events, {0x00, 0xC0, 0x05, 0x00, 0x06, 0x83, 0x00, 0xE0, 0x00, 0x40, 0x00, 0x7F, 0x7F});
  put(events, {0x00, 0xFF, 0x2F, 0x00});
  return events;
}

void write(const fs::path& directory, const std::string& name, const Bytes& bytes) {
  fs::create_directories(directory);
  std::ofstream out(directory / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void write_midi_seeds(const fs::path& directory, const fs::path& scratch) {
  const Bytes ppq = saved(song(DIVISION_PPQ, 480), scratch);
  const Bytes smpte = saved(song(DIVISION_SMPTE25, 40), scratch);
  const Bytes drums = saved(single_track(), scratch);
  write(directory, "song_ppq.mid", ppq);
  write(directory, "song_smpte25.mid", smpte);
  write(directory, "drums.mid", drums);
  write(directory, "no_tracks.mid", saved(sequence_new(0, DIVISION_SMPTE30, 80), scratch));

  // Cut short: in the header, in a chunk head, inside events.
  for (size_t size : {size_t{10}, size_t{14}, size_t{20}, size_t{45}, ppq.size() / 2, ppq.size() - 1}) {
    write(directory, "cut_" + std::to_string(size) + ".mid", Bytes(ppq.begin(), ppq.begin() + size));
  }

  // The RIFF wrapper, with lengths that bound nothing.
  Bytes rmid;
  put(rmid, "RIFF");
  put_u32(rmid, 0xFFFFFFFF);
  put(rmid, "RMIDdata");
  put_u32(rmid, 3);
  put(rmid, drums);
  write(directory, "rmid.mid", rmid);

  const Bytes running = running_status_track();
  write(directory, "running_status.mid", header(6, 0, 1, 0x0060) + chunk("MTrk", running));
  // Lengths that lie: longer than the file, shorter than the events, and a
  // header longer than its fields.
  write(directory, "track_too_long.mid", header(6, 0, 1, 0x0060) + chunk("MTrk", 0x7FFFFFF0, running));
  write(directory, "track_too_short.mid",
        header(6, 0, 2, 0x0060) + chunk("MTrk", 5, running) + chunk("MTrk", running));
  Bytes long_header = header(8, 0, 1, 0x0060);
  put(long_header, {0xAA, 0xBB});
  write(directory, "header_8.mid", long_header + chunk("MTrk", running));
  write(directory, "header_huge.mid", header(0xFFFFFFFF, 0, 1, 0x0060) + chunk("MTrk", running));
  // Declared track counts that disagree with the chunks, unknown chunks.
  write(directory, "more_declared.mid", header(6, 1, 5, 0x0060) + chunk("MTrk", running));
  write(directory, "unknown_chunks.mid",
        header(6, 1, 2, 0x0060) + chunk("XFIH", {1, 2, 3}) + chunk("MTrk", running) + chunk("MTrk", {}) +
            chunk("MTrk", running));

  // Every division kind, and a top bit that makes no SMPTE rate.
  for (uint32_t division : {0xE828u, 0xE728u, 0xE30Au, 0xE250u, 0xE600u, 0x0000u, 0xFFFFu}) {
    char name[32];
    std::snprintf(name, sizeof name, "division_%04X.mid", division);
    write(directory, name, header(6, 0, 1, division) + chunk("MTrk", running));
  }

  // Counts beyond the file, five-byte quantities, events after the end.
  Bytes huge;
  put(huge, {0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0xFF, 0x01, 0x87, 0xFF, 0xFF, 0x7F});
  write(directory, "huge_counts.mid", header(6, 0, 1, 0x01E0) + chunk("MTrk", huge));
  Bytes far;
  put(far, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x3C, 0x00});
  put(far, {0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 0x3E, 0x40});
  write(directory, "far_ticks.mid", header(6, 0, 1, 0x01E0) + chunk("MTrk", far));

  // Tempo maps no song has: resolution 0, a tempo of 0, the slowest tempo,
  // meters of 0 beats and of 1/2^255, payloads too short.
  Bytes tempo_map;
  put(tempo_map, {0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x58, 0x04, 0x00, 0x02, 0x18, 0x08});
  put(tempo_map, {0x60, 0xFF, 0x06, 0x01, 'A', 0x60, 0xFF, 0x51, 0x01, 0x07, 0x00, 0xFF, 0x58, 0x00});
  put(tempo_map,
      {0x83, 0x00, 0xFF, 0x58, 0x04, 0x07, 0xFF, 0x18, 0x08, 0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF});
  put(tempo_map, {0x10, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x06, 0x01, 'A', 0x00, 0xFF, 0x2F, 0x00});
  for (uint32_t division : {0x0000u, 0x0001u, 0x01E0u, 0xE300u, 0xE8FFu}) {
    char name[32];
    std::snprintf(name, sizeof name, "tempo_map_%04X.mid", division);
    write(directory, name, header(6, 0, 1, division) + chunk("MTrk", tempo_map));
  }
}

void write_texts(const fs::path& directory, std::initializer_list<const char*> texts) {
  int index = 0;
  for (const char* text : texts) {
    const std::string value(text);
    write(directory, "text_" + std::to_string(index++), Bytes(value.begin(), value.end()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
    return 2;
  }
  const fs::path root(argv[1]);
  const fs::path scratch = fs::temp_directory_path() / "tactus-make-corpus.mid";
  write_midi_seeds(root / "reader", scratch);
  write_midi_seeds(root / "round_trip", scratch);
  write_midi_seeds(root / "file_timing", scratch);
  write_texts(root / "time_spec", {"tick:480",
                                   "tick:99999999999",
                                   "tick:-1",
                                   "tick:  +12 beats",
                                   "beat:2.5",
                                   "beat:1e308",
                                   "beat:nan",
                                   "mb:2:1.0",
                                   "mbt:2:2:240",
                                   "time:1.5",
                                   "time:-inf",
                                   "hms:0:01:02.5",
                                   "hmsf:0:00:01:12.0",
                                   "marker:Chorus",
                                   "marker:",
                                   "Tick:5",
                                   "mb:",
                                   "hms:90",
                                   "hmsf:1:2:3:1e38",
                                   "1:1.000",
                                   "1:2.5",
                                   "1:2:240",
                                   "0:01:40",
                                   "0:00:01:7.5",
                                   "3",
                                   "",
                                   "90",
                                   "-5:-3:-1.5",
                                   "2147483648:1e30",
                                   "1e400:nan",
                                   "inf:inf:inf:inf",
                                   "0x1p3:0x10",
                                   "  +7 : 2",
                                   "99999999999999999999:1:1",
                                   "1:2:3:4:5",
                                   "Chorus",
                                   "4:1",
                                   "0:00:00:29.97"});
  return 0;
}
