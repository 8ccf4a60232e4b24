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

// A header longer than 6 bytes is skipped to its end; the declared count
// bounds the track chunks read; chunks of other kinds are skipped, as far as
// they claim, the file's end at most.
TEST(ReaderChunks, TheDeclaredCountBoundsTheTrackChunksReadAndOthersAreSkipped) {
  MidiBytes longer = MidiBytes().chunk_head("MThd", 8).u16(1).u16(1).u16(96).ascii("MT");
  EXPECT_EQ(track_texts(load(longer.track(note_track(64))).get()), Texts{note_text(64)});
  EXPECT_EQ(track_texts(load(MidiBytes().header(1, 0, 96).track(note_track(60))).get()), Texts{});
  MidiBytes file = MidiBytes().header(1, 3, 96).chunk("XFIH", {1, 2}).track({}).chunk("MTrK", note_track(70));
  file.track(note_track(61)).chunk("junk", {}).track(note_track(62)).track(note_track(63));
  EXPECT_EQ(track_texts(load(file).get()), (Texts{"end 0", note_text(61), note_text(62)}));
  file = MidiBytes().header(1, 2, 96).chunk_head("XFIH", 0xFFFFFFFF).track(note_track(60));
  EXPECT_EQ(track_texts(load(file).get()), Texts{});
  file = MidiBytes()
             .header(1, 2, 96)
             .chunk_head("MTrk", 0xFFFFFFF0)
             .append(note_track(60))
             .track(note_track(61));
  EXPECT_EQ(track_texts(load(file).get()), (Texts{"0 NOTE_ON 0 60 100; end 10"}));
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

}  // namespace
}  // namespace tactus::test
