// The file around the events: RIFF wrapper, header, division, chunk walk,
// and files that are damaged, cut short or lie about their lengths.
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

// One note at `tick`, so each track can be told apart by its note.
MidiBytes note_track(int note, uint32_t tick = 0) {
  return MidiBytes().vlq(tick).bytes({0x90, note, 100}).end_of_track(10);
}

// The first note of every track read; -1 for a track without events.
std::vector<int32_t> track_notes(Sequence* sequence) {
  std::vector<int32_t> notes;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track))
    notes.push_back(track_get_first_event(track) == nullptr ? -1
                                                            : note_on_get_note(track_get_first_event(track)));
  return notes;
}

TEST(ReaderHeader, RiffWrapperGivesThePlainFileWhateverItsLengths) {
  const MidiBytes file = MidiBytes().header(1, 2, 0x01E0).track(note_track(60)).track(note_track(62, 5));
  const std::string plain = describe_sequence(load(file).get());
  for (uint32_t length : {0u, 12u, 0xFFFFFFFFu})
    EXPECT_EQ(describe_sequence(load(rmid_wrapped(file, length, length)).get()), plain);
  const MidiBytes refused[] = {
      MidiBytes().chunk_head("RIFF", 0).ascii("WAVE").chunk_head("data", 0).append(file),
      MidiBytes().chunk_head("RIFF", 0).ascii("RMID").chunk_head("LIST", 0).append(file),
      rmid_wrapped(MidiBytes().chunk("JUNK", {}).append(file), 0, 0),
      MidiBytes().chunk("MTrk", note_track(60)).append(file),
      MidiBytes().ascii("Mthd").u32(6).bytes({0, 0, 0, 1, 0, 96}),
      MidiBytes().chunk_head("MThd", 5).u16(1).u16(1).u16(0x01E0).track(note_track(60)),
  };
  for (const MidiBytes& bytes : refused)
    EXPECT_EQ(load(bytes), nullptr) << describe_sequence(load(bytes).get());
  for (size_t size = 0; size < 14; ++size) EXPECT_EQ(load(file.prefix(size)), nullptr) << size;
  EXPECT_EQ(sequence_load(nullptr), nullptr);
  EXPECT_EQ(sequence_load(TempFile::unique_path("missing.mid").c_str()), nullptr);
  EXPECT_EQ(sequence_load(std::filesystem::temp_directory_path().c_str()), nullptr);
  EXPECT_EQ(internal::load_sequence_from_memory(nullptr, 14), nullptr);
#if defined(__unix__)
  // A device without end is read only as far as the header check.
  EXPECT_EQ(sequence_load("/dev/zero"), nullptr);
#endif
}

TEST(ReaderHeader, DecodesFormatAndDivisionAndSkipsTheRestOfALongerHeader) {
  const struct {
    uint32_t word;
    int32_t type, resolution;
  } rows[] = {{0x01E0, DIVISION_PPQ, 480},    {0xE728, DIVISION_SMPTE25, 40},
              {0xE850, DIVISION_SMPTE24, 80}, {0xE3FF, DIVISION_SMPTE30DROP, 255},
              {0xE204, DIVISION_SMPTE30, 4},  {0xE600, DIVISION_PPQ, 58880},
              {0x8000, DIVISION_PPQ, 32768},  {0xFFFF, DIVISION_PPQ, 65535}};
  for (const auto& row : rows) {
    SequencePtr expected(sequence_new(0xABCD, row.type, row.resolution));
    MidiBytes longer = MidiBytes().chunk_head("MThd", 8).u16(0xABCD).u16(1).u16(row.word).bytes({0x4D, 0x54});
    EXPECT_EQ(describe_sequence(load(MidiBytes().header(0xABCD, 0, row.word)).get()),
              describe_sequence(expected.get()));
    EXPECT_EQ(track_notes(load(longer.track(note_track(64))).get()), std::vector<int32_t>{64}) << row.word;
  }
}

// 300 tracks: a declared count above 255 takes both of its bytes.
TEST(ReaderChunks, TheDeclaredCountBoundsTheTrackChunksReadAndOthersAreSkipped) {
  EXPECT_EQ(track_notes(load(MidiBytes().header(1, 0, 96).track(note_track(60))).get()),
            std::vector<int32_t>{});
  MidiBytes file = MidiBytes().header(1, 3, 96).chunk("XFIH", {1, 2}).track({}).chunk("MTrK", note_track(70));
  file.track(note_track(61)).chunk("junk", {}).track(note_track(62)).track(note_track(63));
  EXPECT_EQ(track_notes(load(file).get()), (std::vector<int32_t>{-1, 61, 62}));
  MidiBytes many = MidiBytes().header(1, 300, 96);
  std::vector<int32_t> notes;
  for (int track = 0; track < 301; ++track) {
    many.track(note_track(track % 128));
    if (track < 300) notes.push_back(track % 128);
  }
  EXPECT_EQ(track_notes(load(many).get()), notes);
}

TEST(ReaderChunks, AMessageRunningPastItsChunkIsReadWholeAndTheNextChunkStartsAfresh) {
  // The first chunk claims 3 bytes; its note on takes its velocity from the
  // next chunk's identifier ('M'). The second track has no status: 0x3C is
  // read again as a delta, then 0x40 as one.
  MidiBytes file = MidiBytes().header(1, 3, 96).chunk_head("MTrk", 3).bytes({0x00, 0x90, 0x3C});
  SequencePtr sequence = load(file.track({0x10, 0x3C, 0x40}).track({0x04, 0xC2, 0x09}));
  ASSERT_EQ(track_notes(sequence.get()), (std::vector<int32_t>{60, -1, -1}));
  EXPECT_EQ(note_on_get_velocity(sequence_get_first_event(sequence.get())), 'M');
  EXPECT_EQ(track_get_end_tick(track_get_next(sequence_get_first_track(sequence.get()))), 0);
  EXPECT_EQ(program_change_get_number(track_get_first_event(sequence_get_last_track(sequence.get()))), 9);
}

// Three tracks with every kind of message, and a chunk to skip.
MidiBytes sample_file() {
  MidiBytes conductor = MidiBytes().meta(0, 0x03, MidiBytes().ascii("Title")).meta(0, 0x51, {7, 0xA1, 0x20});
  MidiBytes melody = MidiBytes().vlq(0).bytes({0xC0, 0x05, 0x00, 0x90, 0x3C, 0x40}).vlq(120).bytes({0x3C, 0});
  melody.sysex(10, 0xF0, {0x43, 0x12, 0x00, 0xF7}).vlq(5).bytes({0xE0, 0x00, 0x40}).end_of_track(30);
  MidiBytes bass = MidiBytes().vlq(60).bytes({0x91, 0x24, 0x50, 0x83, 0x00, 0x24, 0x00}).sysex(0, 0xF7, {1});
  return MidiBytes()
      .header(1, 3, 0x0060)
      .track(conductor.end_of_track(0))
      .chunk("XFIH", {9})
      .track(melody)
      .track(bass);
}

// The events of every track, one track after the other.
std::vector<std::string> events_track_by_track(Sequence* sequence) {
  std::vector<std::string> events;
  for (const std::string& track : track_texts(sequence)) {
    for (size_t start = 0, end;
         (end = std::min(track.find(", ", start), track.find("; ", start))) != track.npos; start = end + 2)
      events.push_back(track.substr(start, end - start));
  }
  return events;
}

// A file cut anywhere gives the events of the whole file up to some point,
// track after track, and never more.
TEST(ReaderDamage, AFileCutShortGivesWhatCouldBeRead) {
  const MidiBytes file = rmid_wrapped(sample_file(), 0, 0);
  const std::vector<std::string> all = events_track_by_track(load(file).get());
  ASSERT_EQ(all.size(), 10u);
  for (size_t size = 0; size < file.size(); ++size) {
    const std::vector<std::string> read = events_track_by_track(load(file.prefix(size)).get());
    ASSERT_LE(read.size(), all.size()) << size;
    EXPECT_TRUE(std::equal(read.begin(), read.end(), all.begin())) << size;
  }
}

// A chunk longer than the file is read to the file's end; a count or length
// beyond the bytes left ends its chunk only, the next chunk is read.
TEST(ReaderDamage, LengthsAndCountsBeyondTheFileEndTheirChunkOnly) {
  const MidiBytes events = MidiBytes().vlq(0).bytes({0x90, 0x3C, 0x40}).vlq(10).bytes({0x3C, 0x00});
  MidiBytes file = MidiBytes().header(1, 2, 96).chunk_head("MTrk", 0xFFFFFFF0).append(events).append(events);
  EXPECT_EQ(events_track_by_track(load(file).get()).size(), 4u);
  EXPECT_EQ(
      track_notes(load(MidiBytes().header(1, 2, 96).chunk_head("XFIH", 0xFFFFFFFF).track(events)).get()),
      std::vector<int32_t>{});
  const MidiBytes messages[] = {MidiBytes().byte(0xF0).bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x7F}),
                                MidiBytes().byte(0xF7).vlq(0x7FFFFFFE),
                                MidiBytes().byte(0xF0).vlq(0x7FFFFFFF),
                                MidiBytes().byte(0xF0).vlq(200),
                                MidiBytes().bytes({0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}),
                                MidiBytes().bytes({0xFF, 0x01}).vlq(0x80000000),
                                MidiBytes().bytes({0xFF, 0x2F}).vlq(0x7FFFFFFF)};
  for (const MidiBytes& message : messages) {
    MidiBytes first = MidiBytes().vlq(0).bytes({0xC0, 0x01, 0x00}).append(message).fill(92, 0);
    SequencePtr sequence = load(MidiBytes().header(1, 2, 96).track(first).track({0x07, 0xC1, 0x02}));
    EXPECT_EQ(events_track_by_track(sequence.get()),
              (std::vector<std::string>{"0 PROGRAM_CHANGE 0 1", "7 PROGRAM_CHANGE 1 2"}));
  }
}

// The public loader reads a file in growing blocks (64 KB first): damage
// beyond the first block must read as it reads from memory.
TEST(ReaderDamage, DamageBeyondTheFirstBlockReadsAsFromMemory) {
  MidiBytes events = MidiBytes().vlq(0).bytes({0xC3, 0x00});
  for (int i = 1; i < 60000; ++i) events.vlq(1).byte(i & 0x7F);
  const MidiBytes lying = MidiBytes().header(0, 1, 96).chunk_head("MTrk", 0x7FFFFFF0).append(events);
  for (const MidiBytes& file : {MidiBytes(lying).bytes({0x00, 0x90}),
                                MidiBytes(lying).bytes({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x02}),
                                MidiBytes().header(1, 3, 96).track(events).ascii("MTr")})
    EXPECT_EQ(events_track_by_track(load(file).get()).size(), 60000u);
}

}  // namespace
}  // namespace tactus::test
