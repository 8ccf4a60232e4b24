// What the loaders with remarks tell about files that deviate from the
// format, and that they give the Sequence the plain loaders give.
#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

struct Remark {
  uint64_t offset;
  int32_t track;
  int32_t code;
  std::string text;
};
using Remarks = std::vector<Remark>;

void collect(void* context, uint64_t offset, int32_t track, int32_t code, const char* text) {
  static_cast<Remarks*>(context)->push_back({offset, track, code, text});
}

std::string listing(const Remarks& remarks) {
  std::string text;
  for (const Remark& remark : remarks)
    text += std::to_string(remark.offset) + " " + std::to_string(remark.track) + " " + remark.text + "\n";
  return text;
}

// A note and an end of track: 12 bytes, its chunk at 14..34 after a header.
const MidiBytes kNote = MidiBytes().vlq(0).bytes({0x90, 60, 64}).vlq(96).bytes({0x80, 60, 0}).end_of_track(0);

MidiBytes plain(uint32_t format, uint32_t tracks) { return MidiBytes().header(format, tracks, 96); }

TEST(ReaderRemarks, EachDeviationIsToldWithItsPlaceAndTheSequenceStaysAsLoaded) {
  MidiBytes running = MidiBytes().vlq(0).bytes({0x90, 60, 64}).vlq(10).bytes({60, 0}).meta(0, 6, {'A'});
  running.vlq(0)
      .bytes({0x90, 62, 64})
      .vlq(10)
      .bytes({62, 0})
      .sysex(0, 0xF0, {0x7E, 0xF7})
      .bytes({0, 0xC0, 5});
  const MidiBytes clean = plain(1, 2).track(running.end_of_track(0)).track(kNote);
  const struct {
    const char* name;
    MidiBytes file;
    int32_t code;  // 0: no remark at all
    uint64_t offset;
    int32_t track;
  } rows[] = {
      {"clean",
       rmid_wrapped(clean, static_cast<uint32_t>(clean.size() + 12), static_cast<uint32_t>(clean.size())), 0,
       0, 0},
      {"header of 8 bytes",
       MidiBytes().chunk_head("MThd", 8).u16(1).u16(1).u16(96).bytes({0, 0}).track(kNote),
       REMARK_HEADER_LENGTH, 14, -1},
      {"format 0 with 2 tracks", plain(0, 2).track(kNote).track(kNote), REMARK_FORMAT_0_TRACKS, 10, -1},
      {"foreign chunk", plain(1, 1).chunk("XFIH", {1, 2}).track(kNote), REMARK_NOT_A_TRACK, 14, -1},
      {"missing track", plain(1, 2).track(kNote), REMARK_MISSING_TRACKS, 34, -1},
      {"extra track", plain(1, 1).track(kNote).track(kNote), REMARK_EXTRA_TRACK, 34, -1},
      {"no end of track", plain(1, 1).track({0, 0x90, 60, 64}), REMARK_NO_END_OF_TRACK, 26, 0},
      {"after end of track", plain(1, 1).track(MidiBytes(kNote).bytes({0, 0xC0, 1})),
       REMARK_AFTER_END_OF_TRACK, 34, 0},
      {"event past its chunk", plain(1, 1).chunk_head("MTrk", 3).bytes({0, 0x90, 60, 64}),
       REMARK_EVENT_PAST_CHUNK, 22, 0},
      {"chunk past the file", plain(1, 1).chunk_head("MTrk", 100).append(kNote), REMARK_LENGTH_PAST_FILE, 14,
       0},
      {"no status", plain(1, 1).track(MidiBytes({0, 0x3C}).append(kNote)), REMARK_NO_STATUS, 23, 0},
      {"running status across a meta event",
       plain(1, 1).track(MidiBytes({0, 0x90, 60, 64}).meta(0, 1, {'x'}).bytes({10, 60, 0}).end_of_track(0)),
       REMARK_RUNNING_STATUS, 32, 0},
      {"system message", plain(1, 1).track(MidiBytes({0, 0xF1, 0x7F}).append(kNote)), REMARK_SYSTEM_MESSAGE,
       23, 0},
      {"bytes after the last chunk", plain(1, 1).track(kNote).bytes({0, 0, 0}), REMARK_BYTES_AFTER_CHUNKS, 34,
       -1},
      {"RIFF size", rmid_wrapped(plain(1, 1).track(kNote), 0, 34), REMARK_RIFF_SIZE, 0, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    load(row.file);  // the same Sequence as without remarks, the same remarks from a file
    const Bytes bytes = row.file.data();
    Remarks remarks;
    SequencePtr(sequence_load_from_memory_with_remarks(bytes.data(), bytes.size(), collect, &remarks));
    const auto remark =
        std::find_if(remarks.begin(), remarks.end(), [&](const Remark& r) { return r.code == row.code; });
    if (row.code == 0) {
      EXPECT_EQ(listing(remarks), "");
    } else if (remark == remarks.end()) {
      ADD_FAILURE() << "no remark of code " << row.code << " among\n" << listing(remarks);
    } else {
      EXPECT_EQ(remark->offset, row.offset);
      EXPECT_EQ(remark->track, row.track);
    }
  }
}

}  // namespace
}  // namespace tactus::test
