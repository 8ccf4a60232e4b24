// The file around the events: header, RIFF wrapper, chunk walk, division.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#if defined(__unix__)
#include <sys/stat.h>
#endif

#include "tactus/smf.h"
#include "tests/smf/reader_compare.h"

namespace tactus::test {
namespace {

// One note at `tick`, so each track can be told apart by its note.
MidiBytes note_track(int note, uint32_t tick = 0) {
  return MidiBytes().vlq(tick).bytes({0x90, note, 100}).end_of_track(10);
}

MidiBytes two_track_file() {
  return MidiBytes().header(1, 2, 0x01E0).track(note_track(60)).track(note_track(62, 5));
}

// The first note of every track read.
std::vector<int32_t> track_notes(Sequence* sequence) {
  std::vector<int32_t> notes;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    notes.push_back(track->first_event == nullptr ? -1 : track->first_event->word2);
  }
  return notes;
}

TEST(ReaderRiffWrapper, GivesThePlainFilesSequenceWhateverItsLengths) {
  SequencePtr plain = load(two_track_file());
  for (uint32_t length : {0u, 12u, 0xFFFFFFFFu}) {
    expect_same_sequence(load(rmid_wrapped(two_track_file(), length, length)).get(), plain.get());
  }
}

TEST(ReaderHeader, RefusesWhatIsNoHeaderOrWrapper) {
  const MidiBytes file = two_track_file();
  const MidiBytes refused[] = {
      MidiBytes().chunk_head("RIFF", 0).ascii("WAVE").chunk_head("data", 0).append(file),
      MidiBytes().chunk_head("RIFF", 0).ascii("RMID").chunk_head("LIST", 0).append(file),
      MidiBytes()
          .chunk_head("RIFF", 0)
          .ascii("RMID")
          .chunk("INFO", {1, 2})
          .chunk_head("data", 0)
          .append(file),
      rmid_wrapped(MidiBytes().chunk("JUNK", {}).append(file), 0, 0),
      MidiBytes().chunk_head("RIFF", 0).ascii("RMI"),
      MidiBytes().chunk("MTrk", note_track(60)).append(file),
      MidiBytes().ascii("Mthd").u32(6).bytes({0, 0, 0, 1, 0, 96}),
      // Header lengths below its three fields.
      MidiBytes().chunk_head("MThd", 0).u16(1).u16(1).u16(0x01E0).track(note_track(60)),
      MidiBytes().chunk_head("MThd", 5).u16(1).u16(1).u16(0x01E0).track(note_track(60)),
  };
  for (size_t i = 0; i < std::size(refused); ++i) EXPECT_EQ(load(refused[i]), nullptr) << i;
  const MidiBytes header = MidiBytes().header(0, 1, 96);
  for (size_t size = 0; size < header.size(); ++size) EXPECT_EQ(load(header.prefix(size)), nullptr) << size;
  EXPECT_NE(load(header), nullptr);
}

TEST(ReaderHeader, StoresFormatAndSkipsTheExtraBytesOfALongerHeader) {
  SequencePtr sequence = load(MidiBytes().header(7, 5, 0x0060).track(note_track(60)));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(sequence->format, 7);
  EXPECT_EQ(sequence->track_count, 1);  // the file ends after one of five
  MidiBytes longer;
  longer.chunk_head("MThd", 8).u16(1).u16(1).u16(0x01E0).bytes({0x4D, 0x54});  // "MT" to lure the reader
  sequence = load(longer.track(note_track(64)));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(track_notes(sequence.get()), std::vector<int32_t>{64});
  EXPECT_EQ(sequence->resolution, 480);
}

TEST(ReaderHeader, DecodesTheDivisionWord) {
  const struct {
    uint32_t word;
    int32_t type, resolution, beat_resolution;
  } cases[] = {
      {0x01E0, DIVISION_PPQ, 480, 480},
      {0x0000, DIVISION_PPQ, 0, 0},
      {0xE728, DIVISION_SMPTE25, 40, 960},
      {0xE850, DIVISION_SMPTE24, 80, 960},
      {0xE3FF, DIVISION_SMPTE30DROP, 255, 960},
      {0xE204, DIVISION_SMPTE30, 4, 960},
      // Other first bytes with the top bit set are quarter-note resolutions.
      {0xE600, DIVISION_PPQ, 58880, 58880},
      {0x8000, DIVISION_PPQ, 32768, 32768},
      {0xFFFF, DIVISION_PPQ, 65535, 65535},
  };
  for (const auto& c : cases) {
    SequencePtr sequence = load(MidiBytes().header(0, 0, c.word));
    ASSERT_NE(sequence, nullptr) << std::hex << c.word;
    EXPECT_EQ(sequence_get_division_type(sequence.get()), c.type) << std::hex << c.word;
    EXPECT_EQ(sequence_get_resolution(sequence.get()), c.resolution) << std::hex << c.word;
    EXPECT_EQ(sequence_get_beat_resolution(sequence.get()), c.beat_resolution) << std::hex << c.word;
  }
}

TEST(ReaderChunks, TheDeclaredCountBoundsTheTrackChunksReadAndOthersAreSkipped) {
  SequencePtr sequence = load(MidiBytes().header(1, 0, 96).track(note_track(60)));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(sequence->track_count, 0);
  EXPECT_EQ(sequence->first_event, nullptr);

  sequence =
      load(MidiBytes().header(1, 2, 96).track(note_track(60)).track(note_track(61)).track(note_track(62)));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(track_notes(sequence.get()), (std::vector<int32_t>{60, 61}));
  EXPECT_EQ(sequence->last_track->number, 1);

  MidiBytes file = MidiBytes().header(1, 2, 96);
  file.chunk("XFIH", {1, 2, 3}).track(note_track(60)).chunk("MTrK", note_track(70));
  file.chunk("junk", {}).track(note_track(61)).chunk("XFKM", {0xFF});
  sequence = load(file);
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(track_notes(sequence.get()), (std::vector<int32_t>{60, 61}));

  sequence = load(MidiBytes().header(1, 2, 96).track({}).track(note_track(60)));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(track_notes(sequence.get()), (std::vector<int32_t>{-1, 60}));
  EXPECT_EQ(sequence->first_track->end_tick, 0);
}

TEST(ReaderFiles, LoadsFromDiskWhatItLoadsFromMemory) {
  MidiBytes file = rmid_wrapped(two_track_file(), 1, 2);
  TempFile on_disk("two-tracks.rmi", file);
  expect_same_sequence(SequencePtr(sequence_load(on_disk.path())).get(), load(file).get());
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
#if defined(__unix__)
  // A device without end is read only as far as the header check: this
  // would hang (or exhaust memory) if the reader read the whole stream first.
  EXPECT_EQ(sequence_load("/dev/zero"), nullptr);
#endif
}

#if defined(__unix__)
TEST(ReaderFiles, ReadsFromAPipe) {
  const std::string path = TempFile::unique_path("pipe.mid");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const MidiBytes file = two_track_file();
  std::thread writer([&] {
    std::FILE* pipe = std::fopen(path.c_str(), "wb");  // waits for the reader
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
