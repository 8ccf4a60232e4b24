// What the reader makes of the parts of a file that the writer's files do
// not show: the RIFF wrapper, other headers, running status, whole data
// bytes, long delta times. Chunks that disagree with their lengths or the
// file are pinned by the remarks they draw.
#include "support/guard_table.h"
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

// One note at tick 0, so each track can be told apart by its note.
MidiBytes note_track(int note) { return MidiBytes().vlq(0).bytes({0x90, note, 100}).end_of_track(10); }

TEST(ReaderHeader, RiffWrapperGivesThePlainFileAndAnythingElseIsRefused) {
  const MidiBytes file = MidiBytes().header(1, 2, 0x01E0).track(note_track(60)).track(note_track(62));
  const std::string plain = describe_sequence(load(file).get());
  for (uint32_t length : {0u, 12u, 0xFFFFFFFFu})
    EXPECT_EQ(describe_sequence(load(rmid_wrapped(file, length, length)).get()), plain);
  const std::pair<const char*, MidiBytes> refused[] = {
      {"RIFF form not RMID",
       MidiBytes().chunk_head("RIFF", 0).ascii("RMIX").chunk_head("data", 0).append(file)},
      {"RIFF without data",
       MidiBytes().chunk_head("RIFF", 0).ascii("RMID").chunk_head("LIST", 0).append(file)},
      {"RIFF data not a header", rmid_wrapped(MidiBytes().chunk("JUNK", {}).append(file), 0, 0)},
      {"track before the header", MidiBytes().chunk("MTrk", note_track(60)).append(file)},
      {"header of 5 bytes",
       MidiBytes().chunk_head("MThd", 5).u16(1).u16(1).u16(0x01E0).track(note_track(60))}};
  for (const auto& [name, bytes] : refused) EXPECT_EQ(load(bytes), nullptr) << name;
  for (auto end = file.data().begin(); end < file.data().begin() + 14; ++end)
    EXPECT_EQ(load(Bytes(file.data().begin(), end)), nullptr) << end - file.data().begin();
}

TEST(ReaderGuards, NothingToReadGivesNull) {
  const std::string missing = TempFile::unique_path("missing.mid");
  const std::string folder = std::filesystem::temp_directory_path().string();
  expect_guards({
      GUARD(sequence_load(nullptr) == nullptr, 1),
      GUARD(sequence_load_with_remarks(nullptr, list_remark, nullptr) == nullptr, 1),
      GUARD(sequence_load_from_memory(nullptr, 1) == nullptr, 1),
      GUARD(sequence_load_from_memory_with_remarks(nullptr, 1, list_remark, nullptr) == nullptr, 1),
      GUARD(sequence_load(missing.c_str()) == nullptr, 1), GUARD(sequence_load(folder.c_str()) == nullptr, 1),
      GUARD(sequence_load("/dev/zero") == nullptr, 1),  // read only as far as the header check
  });
}

// Each file holds `events` as its one track chunk.
TEST(ReaderTrackChunk, DecodesEachMessageAsTheFileHoldsIt) {
  const struct {
    MidiBytes events;
    const char* track;
  } rows[] = {
      // Data bytes are taken whole.
      {{0x00, 0x90, 0x80, 0xFF, 0x00, 0xE0, 0xFF, 0xFF}, "0 NOTE_ON 0 128 255, 0 PITCH_WHEEL 0 32767; end 0"},
      // Running status, a zero velocity kept as a NOTE_ON, one and two data bytes.
      {{0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00, 0x00, 0xC1, 0x05, 0x01, 0x06, 0x00, 0xB1, 0x07, 0x64, 0x02,
        0x0A},
       "0 NOTE_ON 0 60 64, 16 NOTE_ON 0 60 0, 16 PROGRAM_CHANGE 1 5, 17 PROGRAM_CHANGE 1 6, "
       "17 CONTROL_CHANGE 1 7 100; end 17"},
      // After a meta event a data byte is the next meta number; after a
      // sysex, the next count. Each keeps its status byte.
      {{0x00, 0xFF, 0x03, 0x02, 'P',  'i',  0x07, 0x06, 0x01, 'M',  0x00, 0xF0,
        0x03, 0x43, 0x12, 0xF7, 0x05, 0xF7, 0x01, 0x43, 0x00, 0x00, 0x00, 0xFF,
        0x7F, 0x00, 0x00, 0xFF, 0x51, 0x00, 0x00, 0xFF, 0x58, 0x01, 0x07},
       "0 META 3 2 506900, 7 META 6 1 4D00, 7 SYSEX 4 F04312F7, 12 SYSEX 2 F743, 12 SYSEX 1 F7, "
       "12 META 127 0 00, 12 META 81 0 00, 12 META 88 1 0700; end 12"},
      // Meta and sysex events keep a channel status running.
      {{0x00, 0x92, 0x3D, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x39, 0x64, 0x00, 0xFF, 0x06, 0x01,
        'x',  0x10, 0x39, 0x00, 0x00, 0xB2, 0x07, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x0A, 0x40},
       "0 NOTE_ON 2 61 100, 0 META 1 0 00, 0 NOTE_ON 2 57 100, 0 META 6 1 7800, 16 NOTE_ON 2 57 0, "
       "16 CONTROL_CHANGE 2 7 100, 16 META 1 0 00, 16 CONTROL_CHANGE 2 10 64; end 16"},
      {{0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x40, 0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x06,
        0x01, 0xF7, 0x00, 0x40, 0x40, 0x00, 0xF7, 0x01, 0x43, 0x00, 0x41, 0x40},
       "0 NOTE_ON 0 60 64, 0 NOTE_ON 0 62 64, 0 SYSEX 6 F07E7F0601F7, 0 NOTE_ON 0 64 64, 0 SYSEX 2 F743, "
       "0 NOTE_ON 0 65 64; end 0"},
      // Five bytes, a bit beyond 32 lost; leading zero groups; the sum saturates.
      {{0x90, 0x80, 0x80, 0x80, 0x05, 0xC0, 3, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x07, 0xC0, 4},
       "5 PROGRAM_CHANGE 0 3, 12 PROGRAM_CHANGE 0 4; end 12"},
      {MidiBytes().vlq(0x7FFFFFF0).bytes({0xC0, 0x01}).vlq(0x0FFFFFFF).bytes({0xC0, 0x02}).end_of_track(1),
       "2147483632 PROGRAM_CHANGE 0 1, 2147483647 PROGRAM_CHANGE 0 2; end 2147483647"},
      // End of track, its payload read and dropped, ends the chunk.
      {{0x00, 0x90, 0x3C, 0x40, 0x87, 0x40, 0xFF, 0x2F, 0x02, 0x90, 0x3C, 0x00, 0xC0, 0x01},
       "0 NOTE_ON 0 60 64; end 960"},
      // Without it the track ends at its last event; trailing deltas do not count.
      {{0x00, 0x90, 0x3C, 0x40, 0x82, 0x2C, 0x3C, 0x00, 0x7F, 0xF8, 0x10},
       "0 NOTE_ON 0 60 64, 300 NOTE_ON 0 60 0; end 300"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(track_texts(load(MidiBytes().header(0, 1, 96).track(row.events)).get()),
              std::vector<std::string>{row.track});
}

}  // namespace
}  // namespace tactus::test
