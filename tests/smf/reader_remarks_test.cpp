// What the loaders with remarks tell about files that deviate from the
// format: each remark's offset, track, code and text.
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

// A note and an end of track: 12 bytes, its chunk at 14..34 after a header.
const MidiBytes kNote = MidiBytes().vlq(0).bytes({0x90, 60, 64}).vlq(96).bytes({0x80, 60, 0}).end_of_track(0);

MidiBytes plain(uint32_t format, uint32_t tracks) { return MidiBytes().header(format, tracks, 96); }

// load() checks that the Sequence is the one loaded without remarks, and
// that a file gives the same remarks as memory.
TEST(ReaderRemarks, EachDeviationIsToldWithItsPlace) {
  // Running status between channel messages only, around meta and sysex events.
  MidiBytes running =
      MidiBytes({0, 0x90, 60, 64, 10, 60, 0}).meta(0, 6, {'A'}).bytes({0, 0x90, 62, 64, 10, 62, 0});
  const MidiBytes clean = plain(1, 2)
                              .track(running.sysex(0, 0xF0, {0x7E, 0xF7}).bytes({0, 0xC0, 5}).end_of_track(0))
                              .track(kNote);
  const struct {
    const char* name;
    MidiBytes file;
    const char* remarks;  // a line each: offset, track, code, text
  } rows[] = {
      {"clean",
       rmid_wrapped(clean, static_cast<uint32_t>(clean.size() + 12), static_cast<uint32_t>(clean.size())),
       ""},
      {"header of 7 bytes", MidiBytes().chunk_head("MThd", 7).u16(1).u16(1).u16(96).byte(0).track(kNote),
       "14 -1 1 header chunk is 7 bytes long, not 6: 1 byte skipped\n"},
      {"format 0 with 2 tracks", plain(0, 2).track(kNote).track(kNote),
       "10 -1 2 format 0 declares 2 track chunks, not 1: all read\n"},
      {"foreign chunk", plain(1, 1).chunk("X \"\\", {1, 2}).track(kNote),
       "14 -1 3 chunk \"X \\x22\\x5C\" is not a track: skipped\n"},
      {"missing track", plain(1, 2).track(kNote),
       "34 -1 4 the header declares 2 track chunks, the file has 1\n"},
      {"extra track", plain(1, 1).track(kNote).track(kNote).chunk("X YZ", {}),
       "34 -1 5 track chunk after the 1 declared: not read\n54 -1 3 chunk \"X YZ\" is not a track: "
       "skipped\n"},
      {"no end of track", plain(1, 1).track({0, 0x90, 60, 64}), "26 0 6 no end-of-track event\n"},
      {"after end of track", plain(1, 1).track(MidiBytes(kNote).byte(0)),
       "34 0 7 1 byte after the end-of-track event: not read\n"},
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
      {"running status across a meta event",
       plain(1, 1).track(MidiBytes({0, 0x90, 60, 64}).meta(0, 1, {'x'}).bytes({10, 60, 0}).end_of_track(0)),
       "32 0 11 running status 0x90 carried across a meta event\n"},
      {"system messages",
       plain(1, 1).track(MidiBytes({0, 0xF1, 0x7F, 0, 0xF2, 1, 2, 0, 0xF3, 3}).append(kNote)),
       "23 0 12 system message 0xF1 in a track: skipped with its 1 data byte\n"
       "26 0 12 system message 0xF2 in a track: skipped with its 2 data bytes\n"
       "30 0 12 system message 0xF3 in a track: skipped with its 1 data byte\n"},
      {"data bytes after a system message", plain(1, 1).track(MidiBytes({0, 0xF8, 0, 0x3C}).append(kNote)),
       "23 0 12 system message 0xF8 in a track: skipped\n"
       "25 0 12 data byte 0x3C repeats system status 0xF8: skipped\n"
       "26 0 12 data byte 0x00 repeats system status 0xF8: skipped\n"},
      {"data byte after a sysex",
       plain(1, 1).track(MidiBytes().sysex(0, 0xF0, {0xF7}).bytes({0, 1, 0x43}).append(kNote)),
       "27 0 11 data byte 0x01 repeats status 0xF0: read as a system-exclusive event\n"},
      {"bytes after the last chunk", plain(1, 1).track(kNote).ascii("XFIH").bytes({0, 0}),
       "34 -1 13 6 bytes after the last chunk: not read\n"},
      {"no chunk after the last", plain(1, 1).track(kNote).ascii("XFI").bytes({1, 0, 0, 0, 0}),
       "34 -1 13 8 bytes after the last chunk: not read\n"},
      {"RIFF data short", rmid_wrapped(plain(1, 1).track(kNote), 46, 10),
       "12 -1 14 \"data\" chunk claims 10 bytes, its MIDI chunks take 34: size not used\n"},
      {"RIFF sizes", rmid_wrapped(plain(1, 1).track(kNote), 0, 1000),
       "0 -1 14 RIFF chunk claims 0 bytes, the file holds 46 after its head: size not used\n"
       "12 -1 14 \"data\" chunk claims 1000 bytes, the file holds 34 after its head: size not used\n"},
  };
  for (const auto& row : rows) {
    load(row.file);
    const Bytes bytes = row.file.data();
    RemarkListing remarks{bytes.size(), "", ""};
    SequencePtr(sequence_load_from_memory_with_remarks(bytes.data(), bytes.size(), list_remark, &remarks));
    EXPECT_EQ(remarks.text, row.remarks) << row.name;
  }
}

}  // namespace
}  // namespace tactus::test
