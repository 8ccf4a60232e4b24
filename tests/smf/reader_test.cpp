// What the reader makes of files the writer would not make, and the remarks
// it tells of each deviation from the format.
#include "support/guard_table.h"
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

MidiBytes note_track(int note) { return MidiBytes().vlq(0).bytes({0x90, note, 100}).end_of_track(10); }

TEST(ReaderHeader, RiffWrapperGivesThePlainFileAndAnythingElseIsRefused) {
  const MidiBytes file = MidiBytes().header(1, 2, 0x01E0).track(note_track(60)).track(note_track(62));
  const std::string plain = describe_sequence(load(file).get());
  for (uint32_t length : {0u, 12u, 0xFFFFFFFFu})
    EXPECT_EQ(describe_sequence(load(rmid_wrapped(file, length, length)).get()), plain);
  for (auto end = file.data().begin(); end < file.data().begin() + 14; ++end)
    EXPECT_EQ(load(Bytes(file.data().begin(), end)), nullptr) << end - file.data().begin();
  const std::string missing = TempFile::unique_path("missing.mid");
  const std::string folder = std::filesystem::temp_directory_path().string();
  const MidiBytes riff = MidiBytes().chunk_head("RIFF", 0);
  expect_guards({
      GUARD(load(MidiBytes(riff).ascii("RMIX").chunk_head("data", 0).append(file)) == nullptr, 1),
      GUARD(load(MidiBytes(riff).ascii("RMID").chunk_head("LIST", 0).append(file)) == nullptr, 1),
      GUARD(load(rmid_wrapped(MidiBytes().chunk("JUNK", {}).append(file), 0, 0)) == nullptr, 1),
      GUARD(load(MidiBytes().chunk("MTrk", note_track(60)).append(file)) == nullptr, 1),
      GUARD(load(MidiBytes().chunk("MThd", {0, 1, 0, 1, 0}).track(note_track(60))) == nullptr, 1),
      GUARD(sequence_load(nullptr) == nullptr, 1),
      GUARD(sequence_load_with_remarks(nullptr, list_remark, nullptr) == nullptr, 1),
      GUARD(sequence_load_from_memory(nullptr, 1) == nullptr, 1),
      GUARD(sequence_load_from_memory_with_remarks(nullptr, 1, list_remark, nullptr) == nullptr, 1),
      GUARD(sequence_load(missing.c_str()) == nullptr, 1), GUARD(sequence_load(folder.c_str()) == nullptr, 1),
      GUARD(sequence_load("/dev/zero") == nullptr, 1),  // read only as far as the header check
  });
}

// A note and an end of track: 12 bytes, its chunk at 14..34 after a header.
const MidiBytes kNote = MidiBytes().vlq(0).bytes({0x90, 60, 64}).vlq(96).bytes({0x80, 60, 0}).end_of_track(0);

MidiBytes plain(uint32_t format, uint32_t tracks) { return MidiBytes().header(format, tracks, 96); }
MidiBytes one_track(const MidiBytes& events) { return plain(0, 1).track(events); }

TEST(ReaderRemarks, EachDeviationIsToldWithItsPlace) {
  // Running status between channel messages only, around meta and sysex events.
  const MidiBytes clean = plain(1, 2).track(kNote).track(
      {0,  0x90, 60, 64, 10,   60, 0,    0,    0xFF, 6,    1, 'A', 0,    0x90, 62, 64,
       10, 62,   0,  0,  0xF0, 2,  0x7E, 0xF7, 0,    0xC0, 5, 0,   0xFF, 0x2F, 0});
  const struct {
    const char* name;
    MidiBytes file;
    const char* remarks;          // a line each: offset, track, code, text
    const char* track = nullptr;  // if given, the first track's events and end
  } rows[] = {
      {"clean",
       rmid_wrapped(clean, static_cast<uint32_t>(clean.size() + 12), static_cast<uint32_t>(clean.size())),
       ""},
      {"header of 7 bytes", MidiBytes().chunk_head("MThd", 7).u16(1).u16(1).u16(96).byte(0).track(kNote),
       "14 -1 1 header chunk is 7 bytes long, not 6: 1 byte skipped\n"},
      {"format 0 with 2 tracks, a foreign chunk",
       plain(0, 2).chunk("X \"\\", {1, 2}).track(kNote).track(kNote),
       "10 -1 2 format 0 declares 2 track chunks, not 1: all read\n"
       "14 -1 3 chunk \"X \\x22\\x5C\" is not a track: skipped\n"},
      {"missing track", plain(1, 2).track(kNote),
       "34 -1 4 the header declares 2 track chunks, the file has 1\n"},
      {"extra track", plain(1, 1).track(kNote).track(kNote).chunk("X YZ", {}),
       "34 -1 5 track chunk after the 1 declared: not read\n54 -1 3 chunk \"X YZ\" is not a track: "
       "skipped\n"},
      {"event past its chunk", plain(1, 1).chunk_head("MTrk", 3).bytes({0, 0x90, 60, 64}),
       "22 0 8 event runs 1 byte past the end of its chunk: read whole\n25 0 6 no end-of-track event\n"
       "25 -1 13 1 byte after the last chunk: not read\n"},
      {"event past the file", plain(1, 1).track({0, 0x90, 60}),
       "22 0 8 event runs past the end of its chunk and of the file: lost\n"},
      {"chunk past the file, cut in an event",
       plain(1, 1).chunk_head("MTrk", 0x12345678).bytes({0, 0x90, 60}),
       "14 0 9 chunk \"MTrk\" claims 305419896 bytes, the file holds 3: cut short\n"},
      {"sysex past the file", plain(1, 1).track(MidiBytes({0, 0xF0, 5, 1})),
       "22 0 9 system-exclusive length 5 runs past the end of the file: event lost\n"},
      {"no status", plain(1, 1).track(MidiBytes({0, 0x3C}).append(kNote)),
       "23 0 10 data byte 0x3C with no status to repeat: skipped\n"
       "24 0 10 data byte 0x00 with no status to repeat: skipped\n"},
      {"system messages",
       plain(1, 1).track(
           MidiBytes({0, 0xF1, 0x7F, 0, 0xF2, 1, 2, 0, 0xF3, 3, 0, 0xF8, 0, 0x3C}).append(kNote)),
       "23 0 12 system message 0xF1 in a track: skipped with its 1 data byte\n"
       "26 0 12 system message 0xF2 in a track: skipped with its 2 data bytes\n"
       "30 0 12 system message 0xF3 in a track: skipped with its 1 data byte\n"
       "33 0 12 system message 0xF8 in a track: skipped\n"
       "35 0 12 data byte 0x3C repeats system status 0xF8: skipped\n"
       "36 0 12 data byte 0x00 repeats system status 0xF8: skipped\n"},
      {"bytes after the last chunk", plain(1, 1).track(MidiBytes(kNote).byte(0)).ascii("XFIH").bytes({0, 0}),
       "34 0 7 1 byte after the end-of-track event: not read\n35 -1 13 6 bytes after the last chunk: not "
       "read\n"},
      {"no chunk after the last", plain(1, 1).track(kNote).ascii("XFI").bytes({1, 0, 0, 0, 0}),
       "34 -1 13 8 bytes after the last chunk: not read\n"},
      {"RIFF data short", rmid_wrapped(plain(1, 1).track(kNote), 46, 10),
       "12 -1 14 \"data\" chunk claims 10 bytes, its MIDI chunks take 34: size not used\n"},
      {"RIFF sizes", rmid_wrapped(plain(1, 1).track(kNote), 0, 1000),
       "0 -1 14 RIFF chunk claims 0 bytes, the file holds 46 after its head: size not used\n"
       "12 -1 14 \"data\" chunk claims 1000 bytes, the file holds 34 after its head: size not used\n"},
      {"data bytes taken whole", one_track({0x00, 0x90, 0x80, 0xFF, 0x00, 0xE0, 0x7F, 0xFF}),
       "24 0 15 data byte above 127 (0x80): kept\n25 0 15 data byte above 127 (0xFF): kept\n"
       "29 0 15 data byte above 127 (0xFF): kept\n30 0 6 no end-of-track event\n",
       "0 NOTE_ON 0 128 255, 0 PITCH_WHEEL 0 32767; end 0"},
      // A data byte after a meta event is the next meta number; after a sysex, its count.
      {"meta and sysex status repeated",
       one_track({0x00, 0xFF, 0x03, 0x02, 'P',  'i',  0x07, 0x06, 0x01, 'M',  0x00, 0xF0,
                  0x03, 0x43, 0x12, 0xF7, 0x05, 0xF7, 0x01, 0x43, 0x00, 0x00, 0x00, 0xFF,
                  0x7F, 0x00, 0x00, 0xFF, 0x51, 0x00, 0x00, 0xFF, 0x58, 0x01, 0x07}),
       "29 0 11 data byte 0x06 repeats status 0xFF: read as a meta event\n"
       "43 0 11 data byte 0x00 repeats status 0xF7: read as a system-exclusive event\n"
       "57 0 6 no end-of-track event\n",
       "0 META 3 2 506900, 7 META 6 1 4D00, 7 SYSEX 4 F04312F7, 12 SYSEX 2 F743, 12 SYSEX 1 F7, "
       "12 META 127 0 00, 12 META 81 0 00, 12 META 88 1 0700; end 12"},
      // One data byte or two; a zero velocity stays a NOTE_ON.
      {"running status across sysex and meta events",
       one_track({0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x00, 0x00, 0xF0, 0x05, 0x7E, 0x7F,
                  0x06, 0x01, 0xF7, 0x00, 0x40, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x41,
                  0x40, 0x00, 0xC1, 0x05, 0x00, 0xF7, 0x01, 0x43, 0x00, 0x06}),
       "38 0 11 running status 0x90 carried across a system-exclusive event\n"
       "45 0 11 running status 0x90 carried across a meta event\n"
       "55 0 11 running status 0xC1 carried across a system-exclusive event\n56 0 6 no end-of-track event\n",
       "0 NOTE_ON 0 60 64, 0 NOTE_ON 0 62 0, 0 SYSEX 6 F07E7F0601F7, 0 NOTE_ON 0 64 64, 0 META 1 0 00, "
       "0 NOTE_ON 0 65 64, 0 PROGRAM_CHANGE 1 5, 0 SYSEX 2 F743, 0 PROGRAM_CHANGE 1 6; end 0"},
      // Five bytes, a bit beyond 32 lost; leading zero groups; the sum saturates.
      {"long delta times", one_track({0x90, 0x80, 0x80, 0x80, 0x05, 0xC0, 3,    0x80, 0x80, 0x80, 0x80,
                                      0x80, 0x80, 0x07, 0xC0, 4,    0x87, 0xFF, 0xFF, 0xFF, 0x70, 0xC0,
                                      1,    0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 2,    1,    0xFF, 0x2F, 0}),
       "",
       "5 PROGRAM_CHANGE 0 3, 12 PROGRAM_CHANGE 0 4, 2147483644 PROGRAM_CHANGE 0 1, "
       "2147483647 PROGRAM_CHANGE 0 2; end 2147483647"},
      {"end of track with a payload",
       one_track({0x00, 0x90, 0x3C, 0x40, 0x87, 0x40, 0xFF, 0x2F, 0x02, 0x90, 0x3C, 0x00, 0xC0, 0x01}),
       "33 0 7 3 bytes after the end-of-track event: not read\n", "0 NOTE_ON 0 60 64; end 960"},
      {"trailing deltas", one_track({0x00, 0x90, 0x3C, 0x40, 0x82, 0x2C, 0x3C, 0x00, 0x7F, 0xF8, 0x10}),
       nullptr, "0 NOTE_ON 0 60 64, 300 NOTE_ON 0 60 0; end 300"},
  };
  for (const auto& row : rows) {
    const SequencePtr sequence = load(row.file);
    const Bytes bytes = row.file.data();
    RemarkListing remarks{bytes.size(), "", ""};
    SequencePtr(sequence_load_from_memory_with_remarks(bytes.data(), bytes.size(), list_remark, &remarks));
    if (row.remarks != nullptr) {
      EXPECT_EQ(remarks.text, row.remarks) << row.name;
    }
    if (row.track != nullptr) {
      EXPECT_EQ(track_texts(sequence.get()), std::vector<std::string>{row.track}) << row.name;
    }
  }
}

}  // namespace
}  // namespace tactus::test
