// Random Sequences saved and loaded back, and random damage to their files,
// each file through the checks of file_flaw (load()).
#include <algorithm>
#include <random>

#include "tests/smf/smf_test.h"

namespace tactus::test {
namespace {

using Texts = std::vector<std::string>;

Event* (*const kTwoData[])(Track*, int32_t, int32_t, int32_t, int32_t) = {
    note_off_new, note_on_new, key_pressure_new, control_change_new};
Event* (*const kOneValue[])(Track*, int32_t, int32_t, int32_t) = {program_change_new, channel_pressure_new,
                                                                  pitch_wheel_new};

// Events of every kind, values the file cannot hold, no meta event that ends
// a track, now and then over 64 KB or 255 tracks; built track after track, as
// the reader orders events of one tick. No division that reads back as another.
SequencePtr random_sequence(std::mt19937& random) {
  const auto below = [&](uint32_t count) { return static_cast<int32_t>(random() % count); };
  const auto field = [&] { return below(4) ? below(0x100) : static_cast<int32_t>(random()); };  // or any
  const int32_t type = below(5);
  int32_t resolution = type == DIVISION_PPQ ? below(0x10000) : below(0x100);
  if (const int high = resolution >> 8; high == 0xE2 || high == 0xE3 || high == 0xE7 || high == 0xE8)
    resolution &= 0x7FFF;
  SequencePtr sequence(sequence_new(below(2) ? 1 : static_cast<int32_t>(random()), type, resolution));
  for (int tracks = below(12) == 0 ? 60 + below(240) : below(5); tracks > 0; --tracks) {
    Track* track = sequence_add_track(sequence.get());
    int32_t tick = 0;
    for (int events = below(below(8) == 0 ? 200 : 20); events > 0 && tick < (1 << 30); --events) {
      tick += below(3) == 0 ? 0 : below(20) == 0 ? below(1 << 28) : below(100);
      const int32_t kind = below(9);
      Bytes data(1 + (below(400) ? below(12) : below(100000)));  // a sysex status, then its bytes
      for (unsigned char& byte : data) byte = static_cast<unsigned char>(random());
      data[0] = below(2) ? 0xF0 : 0xF7;
      const int32_t channel = field(), first = field(), second = field();  // in this order
      if (kind < PROGRAM_CHANGE) kTwoData[kind](track, tick, channel, first, second);
      if (kind >= PROGRAM_CHANGE && kind < SYSEX)
        kOneValue[kind - PROGRAM_CHANGE](track, tick, channel, first);
      if (kind == SYSEX) sysex_new(track, tick, static_cast<int32_t>(data.size()), data.data());
      const int32_t meta_number = below(0x2F);  // never an end of track, now and then with bit 7 set
      if (kind == META)
        meta_new(track, tick, meta_number | below(2) << 7, static_cast<int32_t>(data.size() - 1), &data[1]);
    }
    track_set_end_tick(track, below(2) == 0 ? tick : tick + below(1000));
  }
  if (sequence_get_track_count(sequence.get()) < 2 && below(2)) sequence_set_format(sequence.get(), 0);
  return sequence;
}

// Where each track chunk's length field stands in a file the writer made.
std::vector<size_t> chunk_lengths(const Bytes& file) {
  std::vector<size_t> at;
  for (size_t head = 14; head + 8 <= file.size();
       head +=
       8 + (size_t{file[head + 4]} << 24 | file[head + 5] << 16 | file[head + 6] << 8 | file[head + 7]))
    at.push_back(head + 4);
  return at;
}

// Saved, loads as written without a remark. Cut, gives the events up to some
// point and no track without its whole chunk head. A flipped bit or a lying
// length in a track harms no other track; a lying chunk length, none before.
TEST(RandomFiles, LoadAsWrittenAndDamageHarmsOnlyWhatFollowsIt) {
  std::mt19937 random(202);
  const auto below = [&](size_t count) { return static_cast<size_t>(random() % count); };
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SequencePtr sequence = random_sequence(random);
    const Bytes file = saved_bytes(sequence.get());
    RemarkListing remarks{file.size(), "", ""};
    SequencePtr(sequence_load_from_memory_with_remarks(file.data(), file.size(), list_remark, &remarks));
    EXPECT_EQ(remarks.text, "");
    SequencePtr whole = load(file);
    EXPECT_EQ(describe_sequence(whole.get()), describe_sequence(sequence.get(), Kept::kAsWritten));
    const Texts tracks = track_texts(whole.get());
    const std::vector<size_t> lengths = chunk_lengths(file);
    // Cut anywhere, half the time inside a chunk's length.
    const size_t size =
        lengths.empty() || below(2) ? below(file.size()) : lengths[below(lengths.size())] + below(4);
    SequencePtr cut = load(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
    const Texts cut_tracks = track_texts(cut.get());
    ASSERT_LE(cut_tracks.size(), tracks.size());
    for (size_t i = 0; i + 1 < cut_tracks.size(); ++i) EXPECT_EQ(cut_tracks[i], tracks[i]) << "track " << i;
    if (!cut_tracks.empty()) {  // the track cut: some of its events
      const std::string& last = cut_tracks.back();
      const std::string events = last.find("; end") == last.npos ? "" : last.substr(0, last.rfind("; end"));
      EXPECT_EQ(tracks[cut_tracks.size() - 1].substr(0, events.size()), events);
    }
    EXPECT_LE(cut_tracks.size(),
              static_cast<size_t>(
                  std::count_if(lengths.begin(), lengths.end(), [&](size_t at) { return at + 4 <= size; })));
    if (lengths.empty()) continue;
    const size_t track = below(lengths.size()), start = lengths[track] + 4;
    const size_t end = track + 1 < lengths.size() ? lengths[track + 1] - 4 : file.size();
    Bytes changed = file;
    changed[start + below(end - start)] ^= 1 << below(8);
    // Five bytes of lie, most often where a sysex or meta length stands.
    size_t at = start + below(end - start);
    while (at < end && changed[at] < 0xF0) ++at;
    at += at < end && changed[at] == 0xFF ? 2 : 1;
    const uint32_t lie = below(2) ? random() : below(2 * file.size());
    for (int shift = 28; shift >= 0 && at < end; shift -= 7)
      changed[at++] = static_cast<unsigned char>((lie >> shift & 0x7F) | (shift ? 0x80 : 0));
    Texts damaged = track_texts(load(changed).get());
    ASSERT_EQ(damaged.size(), tracks.size());
    damaged[track] = tracks[track];
    EXPECT_EQ(damaged, tracks) << "track " << track << " damaged";
    changed = file;
    const uint32_t claim = below(2) ? random() : below(2 * file.size());
    for (int i = 0; i < 4; ++i)
      changed[lengths[track] + i] = static_cast<unsigned char>(claim >> (24 - 8 * i));
    damaged = track_texts(load(changed).get());
    damaged.resize(std::min(damaged.size(), track));
    EXPECT_EQ(damaged, Texts(tracks.begin(), tracks.begin() + static_cast<std::ptrdiff_t>(track)));
  }
}

}  // namespace
}  // namespace tactus::test
