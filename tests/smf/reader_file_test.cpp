// The file around the events: RIFF wrapper, header, division, chunk walk,
// and files that are damaged, cut short or lie about their lengths.
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

using Texts = std::vector<std::string>;

// One note at tick 0, so each track can be told apart by its note.
MidiBytes note_track(int note) { return MidiBytes().vlq(0).bytes({0x90, note, 100}).end_of_track(10); }
std::string note_text(int note) { return "0 NOTE_ON 0 " + std::to_string(note) + " 100; end 10"; }

TEST(ReaderHeader, RiffWrapperGivesThePlainFileAndAnythingElseIsRefused) {
  const MidiBytes file = MidiBytes().header(1, 2, 0x01E0).track(note_track(60)).track(note_track(62));
  const std::string plain = describe_sequence(load(file).get());
  for (uint32_t length : {0u, 12u, 0xFFFFFFFFu})
    EXPECT_EQ(describe_sequence(load(rmid_wrapped(file, length, length)).get()), plain);
  for (const MidiBytes& refused :
       {MidiBytes().chunk_head("RIFF", 0).ascii("RMIX").chunk_head("data", 0).append(file),
        MidiBytes().chunk_head("RIFF", 0).ascii("RMID").chunk_head("LIST", 0).append(file),
        rmid_wrapped(MidiBytes().chunk("JUNK", {}).append(file), 0, 0),
        MidiBytes().chunk("MTrk", note_track(60)).append(file),
        MidiBytes().chunk_head("MThd", 5).u16(1).u16(1).u16(0x01E0).track(note_track(60))})
    EXPECT_EQ(load(refused), nullptr);
  for (size_t size = 0; size < 14; ++size) EXPECT_EQ(load(file.prefix(size)), nullptr) << size;
  EXPECT_EQ(sequence_load(nullptr), sequence_load_from_memory(nullptr, 1));
  EXPECT_EQ(sequence_load(TempFile::unique_path("missing.mid").c_str()), nullptr);
  EXPECT_EQ(sequence_load(std::filesystem::temp_directory_path().string().c_str()), nullptr);
  EXPECT_EQ(sequence_load("/dev/zero"), nullptr);  // read only as far as the header check
}

TEST(ReaderHeader, DecodesFormatAndDivisionAndSkipsTheRestOfALongerHeader) {
  const std::tuple<uint32_t, int32_t, int32_t> rows[] = {
      {0x01E0, DIVISION_PPQ, 480},         {0xE728, DIVISION_SMPTE25, 40}, {0xE850, DIVISION_SMPTE24, 80},
      {0xE3FF, DIVISION_SMPTE30DROP, 255}, {0xE204, DIVISION_SMPTE30, 4},  {0xE600, DIVISION_PPQ, 58880},
      {0x8000, DIVISION_PPQ, 32768},       {0xFFFF, DIVISION_PPQ, 65535}};
  for (const auto& [word, type, resolution] : rows) {
    SequencePtr expected(sequence_new(0xABCD, type, resolution));
    EXPECT_EQ(describe_sequence(load(MidiBytes().header(0xABCD, 0, word)).get()),
              describe_sequence(expected.get()));
    MidiBytes longer = MidiBytes().chunk_head("MThd", 8).u16(0xABCD).u16(1).u16(word).ascii("MT");
    EXPECT_EQ(track_texts(load(longer.track(note_track(64))).get()), Texts{note_text(64)}) << word;
  }
}

// 300 tracks: a declared count above 255 takes both of its bytes.
TEST(ReaderChunks, TheDeclaredCountBoundsTheTrackChunksReadAndOthersAreSkipped) {
  EXPECT_EQ(track_texts(load(MidiBytes().header(1, 0, 96).track(note_track(60))).get()), Texts{});
  MidiBytes file = MidiBytes().header(1, 3, 96).chunk("XFIH", {1, 2}).track({}).chunk("MTrK", note_track(70));
  file.track(note_track(61)).chunk("junk", {}).track(note_track(62)).track(note_track(63));
  EXPECT_EQ(track_texts(load(file).get()), (Texts{"end 0", note_text(61), note_text(62)}));
  MidiBytes many = MidiBytes().header(1, 300, 96);
  Texts notes;
  for (int track = 0; track < 301; ++track)
    many.track(note_track(track % 128)), notes.push_back(note_text(track % 128));
  notes.pop_back();
  EXPECT_EQ(track_texts(load(many).get()), notes);
}

// The first chunk claims 3 bytes; its note on takes its velocity from the
// next chunk's identifier ('M'). The second chunk has no status: 0x3C is read
// again as a delta, then 0x40.
TEST(ReaderChunks, AMessageRunningPastItsChunkIsReadWholeAndTheNextChunkStartsAfresh) {
  MidiBytes file = MidiBytes().header(1, 3, 96).chunk_head("MTrk", 3).bytes({0x00, 0x90, 0x3C});
  EXPECT_EQ(track_texts(load(file.track({0x10, 0x3C, 0x40}).track({0x04, 0xC2, 0x09})).get()),
            (Texts{"0 NOTE_ON 0 60 77; end 0", "end 0", "4 PROGRAM_CHANGE 2 9; end 4"}));
  // A track that ends with its chunk reads nothing of the next chunk ("A>P "
  // would be a note on by running status).
  EXPECT_EQ(
      track_texts(load(MidiBytes().header(1, 1, 96).track({0x00, 0x90, 0x3C, 0x40}).chunk("A>P ", {})).get()),
      Texts{"0 NOTE_ON 0 60 64; end 0"});
}

// The events of every track, one track after the other.
Texts events_track_by_track(Sequence* sequence) {
  Texts events;
  for (const std::string& track : track_texts(sequence)) {
    for (size_t start = 0, end;
         (end = std::min(track.find(", ", start), track.find("; ", start))) != track.npos; start = end + 2)
      events.push_back(track.substr(start, end - start));
  }
  return events;
}

// A file cut anywhere, on disk and in memory, gives the events of the whole
// file up to some point, track after track, and never more.
TEST(ReaderDamage, AFileCutShortGivesWhatCouldBeRead) {
  MidiBytes conductor = MidiBytes().meta(0, 0x03, MidiBytes().ascii("Title")).meta(0, 0x51, {7, 0xA1, 0x20});
  MidiBytes melody = MidiBytes().vlq(0).bytes({0xC0, 0x05, 0x00, 0x90, 0x3C, 0x40}).vlq(120).bytes({0x3C, 0});
  melody.sysex(10, 0xF0, {0x43, 0x12, 0x00, 0xF7}).vlq(5).bytes({0xE0, 0x00, 0x40}).end_of_track(30);
  MidiBytes bass = MidiBytes().vlq(60).bytes({0x91, 0x24, 0x50, 0x83, 0x00, 0x24, 0x00}).sysex(0, 0xF7, {1});
  const MidiBytes file = rmid_wrapped(MidiBytes()
                                          .header(1, 3, 0x60)
                                          .track(conductor.end_of_track(0))
                                          .chunk("XFIH", {9})
                                          .track(melody)
                                          .track(bass),
                                      0, 0);
  const Texts all = events_track_by_track(load(file).get());
  ASSERT_EQ(all.size(), 10u);
  for (size_t size = 0; size < file.size(); ++size) {
    const Texts read = events_track_by_track(load(file.prefix(size)).get());
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
      track_texts(load(MidiBytes().header(1, 2, 96).chunk_head("XFIH", 0xFFFFFFFF).track(events)).get()),
      Texts{});
  for (const MidiBytes& message :
       {MidiBytes().byte(0xF0).bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x7F}), MidiBytes().byte(0xF7).vlq(0x7FFFFFFE),
        MidiBytes().byte(0xF0).vlq(0x7FFFFFFF), MidiBytes().byte(0xF0).vlq(200),
        MidiBytes().bytes({0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}),
        MidiBytes().bytes({0xFF, 0x01}).vlq(0x80000000), MidiBytes().bytes({0xFF, 0x2F}).vlq(0x7FFFFFFF)}) {
    MidiBytes first = MidiBytes().vlq(0).bytes({0xC0, 0x01, 0x00}).append(message).fill(92, 0);
    EXPECT_EQ(track_texts(load(MidiBytes().header(1, 2, 96).track(first).track({0x07, 0xC1, 0x02})).get()),
              (Texts{"0 PROGRAM_CHANGE 0 1; end 0", "7 PROGRAM_CHANGE 1 2; end 7"}));
  }
  // The public loader reads a file in growing blocks (64 KB first): a file
  // ending inside a message beyond the first block reads as from memory.
  MidiBytes many = MidiBytes().header(0, 1, 96).chunk_head("MTrk", 0x7FFFFFF0).bytes({0, 0xC3, 0});
  for (int i = 1; i < 60000; ++i) many.vlq(1).byte(i & 0x7F);
  EXPECT_EQ(events_track_by_track(load(many.bytes({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01})).get()).size(),
            60000u);
}

}  // namespace
}  // namespace tactus::test
