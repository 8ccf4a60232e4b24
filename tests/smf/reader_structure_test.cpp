// The file around the events: header, RIFF wrapper, chunk walk, division.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <thread>

#if defined(__unix__)
#include <sys/stat.h>
#endif

#include "smf/reader.h"
#include "support/midi_bytes.h"
#include "tactus/smf.h"
#include "tests/smf/reader_compare.h"

namespace tactus::test {
namespace {

SequencePtr load(const MidiBytes& file) {
  return SequencePtr(internal::load_sequence_from_memory(file.begin(), file.size()));
}

// One note at `tick`, so each track can be told apart by its note.
MidiBytes one_note_track(int note, uint32_t tick = 0) {
  MidiBytes events;
  events.vlq(tick).bytes({0x90, note, 100}).end_of_track(10);
  return events;
}

int32_t first_note(Track* track) { return note_on_get_note(track_get_first_event(track)); }

MidiBytes two_track_file() {
  return MidiBytes().header(1, 2, 0x01E0).track(one_note_track(60)).track(one_note_track(62, 5));
}

TEST(ReaderRiffWrapper, GivesTheSameSequenceAsThePlainFileWhateverItsLengths) {
  SequencePtr plain = load(two_track_file());
  for (uint32_t length : {0u, 12u, 0xFFFFFFFFu}) {
    SequencePtr wrapped = load(rmid_wrapped(two_track_file(), length, length));
    expect_same_sequence(wrapped.get(), plain.get());
  }
}

TEST(ReaderRiffWrapper, RefusesAnyOtherLayout) {
  MidiBytes file = two_track_file();
  EXPECT_EQ(load(MidiBytes().chunk_head("RIFF", 0).ascii("WAVE").chunk_head("data", 0).append(file)),
            nullptr);
  EXPECT_EQ(load(MidiBytes().chunk_head("RIFF", 0).ascii("RMID").chunk_head("LIST", 0).append(file)),
            nullptr);
  // Another chunk between "RMID" and "data".
  EXPECT_EQ(load(MidiBytes()
                     .chunk_head("RIFF", 0)
                     .ascii("RMID")
                     .chunk("INFO", {1, 2})
                     .chunk_head("data", 0)
                     .append(file)),
            nullptr);
  // Something other than the header right after the "data" head.
  EXPECT_EQ(load(rmid_wrapped(MidiBytes().chunk("JUNK", {}).append(file), 0, 0)), nullptr);
  EXPECT_EQ(load(MidiBytes().chunk_head("RIFF", 0).ascii("RMI")), nullptr);
}

TEST(ReaderHeader, RefusesAFileNotStartingWithAHeaderChunk) {
  EXPECT_EQ(load(MidiBytes().chunk("MTrk", one_note_track(60)).append(two_track_file())), nullptr);
  EXPECT_EQ(load(MidiBytes().ascii("Mthd").u32(6).bytes({0, 0, 0, 1, 0, 96})), nullptr);
}

TEST(ReaderHeader, StoresFormatAndDeclaredCountAsUpperBound) {
  SequencePtr sequence = load(MidiBytes().header(7, 5, 0x0060).track(one_note_track(60)));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(sequence_get_format(sequence.get()), 7);
  EXPECT_EQ(sequence_get_track_count(sequence.get()), 1);  // the file ends after one
}

TEST(ReaderHeader, SkipsTheExtraBytesOfALongerHeader) {
  MidiBytes file;
  file.chunk_head("MThd", 8).u16(1).u16(1).u16(0x01E0).bytes({0x4D, 0x54});  // "MT" to lure the reader
  file.track(one_note_track(64));
  SequencePtr sequence = load(file);
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence_get_track_count(sequence.get()), 1);
  EXPECT_EQ(first_note(sequence_get_first_track(sequence.get())), 64);
  EXPECT_EQ(sequence_get_resolution(sequence.get()), 480);
}

TEST(ReaderHeader, RefusesAHeaderShorterThanItsFields) {
  for (uint32_t length : {0u, 5u}) {
    MidiBytes file;
    file.chunk_head("MThd", length).u16(1).u16(1).u16(0x01E0).track(one_note_track(60));
    EXPECT_EQ(load(file), nullptr) << length;
  }
}

TEST(ReaderHeader, RefusesAHeaderCutShortWithinItsFields) {
  MidiBytes file = MidiBytes().header(0, 1, 96);
  for (size_t size = 0; size < file.size(); ++size) EXPECT_EQ(load(file.prefix(size)), nullptr) << size;
  EXPECT_NE(load(file), nullptr);
}

struct DivisionCase {
  uint32_t word;
  int32_t type;
  int32_t resolution;
  int32_t beat_resolution;
};

void PrintTo(const DivisionCase& division, std::ostream* out) { *out << std::hex << "0x" << division.word; }

class ReaderDivision : public ::testing::TestWithParam<DivisionCase> {};

TEST_P(ReaderDivision, DecodesTheDivisionWord) {
  const DivisionCase& expected = GetParam();
  SequencePtr sequence = load(MidiBytes().header(0, 0, expected.word));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(sequence_get_division_type(sequence.get()), expected.type);
  EXPECT_EQ(sequence_get_resolution(sequence.get()), expected.resolution);
  EXPECT_EQ(sequence_get_beat_resolution(sequence.get()), expected.beat_resolution);
}

INSTANTIATE_TEST_SUITE_P(
    FramesAndQuarters, ReaderDivision,
    ::testing::Values(
        DivisionCase{0x01E0, DIVISION_PPQ, 480, 480}, DivisionCase{0x0000, DIVISION_PPQ, 0, 0},
        DivisionCase{0xE728, DIVISION_SMPTE25, 40, 960}, DivisionCase{0xE850, DIVISION_SMPTE24, 80, 960},
        DivisionCase{0xE3FF, DIVISION_SMPTE30DROP, 255, 960}, DivisionCase{0xE204, DIVISION_SMPTE30, 4, 960},
        // Other first bytes with the top bit set are quarter-note resolutions.
        DivisionCase{0xE600, DIVISION_PPQ, 58880, 58880}, DivisionCase{0x8000, DIVISION_PPQ, 32768, 32768},
        DivisionCase{0xFFFF, DIVISION_PPQ, 65535, 65535}));

TEST(ReaderChunks, DeclaredCountZeroReadsNoTrack) {
  SequencePtr sequence = load(MidiBytes().header(1, 0, 96).track(one_note_track(60)));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(sequence_get_track_count(sequence.get()), 0);
  EXPECT_EQ(sequence_get_first_event(sequence.get()), nullptr);
}

TEST(ReaderChunks, DeclaredCountBoundsTheTracksRead) {
  MidiBytes file = MidiBytes().header(1, 2, 96);
  for (int note : {60, 61, 62}) file.track(one_note_track(note));
  SequencePtr sequence = load(file);
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence_get_track_count(sequence.get()), 2);
  EXPECT_EQ(first_note(sequence_get_first_track(sequence.get())), 60);
  EXPECT_EQ(first_note(sequence_get_last_track(sequence.get())), 61);
  EXPECT_EQ(track_get_number(sequence_get_last_track(sequence.get())), 1);
}

TEST(ReaderChunks, SkipsOtherChunksWithoutCountingThem) {
  MidiBytes file = MidiBytes().header(1, 2, 96);
  file.chunk("XFIH", {1, 2, 3}).track(one_note_track(60)).chunk("MTrK", one_note_track(70));
  file.chunk("junk", {}).track(one_note_track(61)).chunk("XFKM", {0xFF});
  SequencePtr sequence = load(file);
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence_get_track_count(sequence.get()), 2);
  EXPECT_EQ(first_note(sequence_get_first_track(sequence.get())), 60);
  EXPECT_EQ(first_note(sequence_get_last_track(sequence.get())), 61);
}

TEST(ReaderChunks, AnEmptyTrackChunkGivesAnEmptyTrack) {
  SequencePtr sequence = load(MidiBytes().header(1, 2, 96).track({}).track(one_note_track(60)));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence_get_track_count(sequence.get()), 2);
  Track* empty = sequence_get_first_track(sequence.get());
  EXPECT_EQ(track_get_first_event(empty), nullptr);
  EXPECT_EQ(track_get_end_tick(empty), 0);
}

TEST(ReaderFiles, LoadsFromDiskWhatItLoadsFromMemory) {
  MidiBytes file = rmid_wrapped(two_track_file(), 1, 2);
  TempFile on_disk("two-tracks.rmi", file);
  SequencePtr from_disk(sequence_load(on_disk.path()));
  expect_same_sequence(from_disk.get(), load(file).get());
}

TEST(ReaderFiles, GivesNullForWhatIsNoMidiFile) {
  EXPECT_EQ(sequence_load(nullptr), nullptr);
  EXPECT_EQ(sequence_load(TempFile::unique_path("missing.mid").c_str()), nullptr);
  EXPECT_EQ(sequence_load(::testing::TempDir().c_str()), nullptr);  // a directory
  TempFile empty("empty.mid", {});
  EXPECT_EQ(sequence_load(empty.path()), nullptr);
  TempFile text("text.mid", MidiBytes().ascii("This is no MIDI file\n"));
  EXPECT_EQ(sequence_load(text.path()), nullptr);
  EXPECT_EQ(internal::load_sequence_from_memory(nullptr, 0), nullptr);
  EXPECT_EQ(internal::load_sequence_from_memory(nullptr, 14), nullptr);
}

#if defined(__unix__)
// A device without end is read only as far as the header check: this test
// would hang (or exhaust memory) if the reader read the whole stream first.
TEST(ReaderFiles, ReadsADeviceWithoutEndOnlyAsFarAsNeeded) { EXPECT_EQ(sequence_load("/dev/zero"), nullptr); }

TEST(ReaderFiles, ReadsFromAPipe) {
  const std::string path = TempFile::unique_path("pipe.mid");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const MidiBytes file = two_track_file();
  std::thread writer([&] {
    // Opening a pipe for writing waits for the reader.
    std::FILE* pipe = std::fopen(path.c_str(), "wb");
    if (pipe == nullptr) return;
    std::fwrite(file.begin(), 1, file.size(), pipe);
    std::fclose(pipe);
  });
  SequencePtr from_pipe(sequence_load(path.c_str()));
  writer.join();
  std::remove(path.c_str());
  expect_same_sequence(from_pipe.get(), load(file).get());
}
#endif

}  // namespace
}  // namespace tactus::test
