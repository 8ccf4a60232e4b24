// Builds MIDI file bytes for tests, field by field, and writes them to
// temporary files. Nothing here knows the library: lengths, big-endian
// fields and variable-length quantities are computed on their own.
//
//   MidiBytes events;
//   events.vlq(0).bytes({0x90, 60, 100}).vlq(96).bytes({0x80, 60, 0}).end_of_track(0);
//   MidiBytes file = MidiBytes().header(1, 1, 0x01E0).track(events);
//   TempFile on_disk("song.mid", file);  // on_disk.path() until it goes out of scope
#ifndef TACTUS_TESTS_SUPPORT_MIDI_BYTES_H
#define TACTUS_TESTS_SUPPORT_MIDI_BYTES_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tactus::test {

class MidiBytes {
 public:
  MidiBytes() = default;
  MidiBytes(std::initializer_list<int> values) { bytes(values); }

  // Each value's low 8 bits.
  MidiBytes& byte(int value) {
    data_.push_back(static_cast<unsigned char>(value & 0xFF));
    return *this;
  }
  MidiBytes& bytes(std::initializer_list<int> values) {
    for (int value : values) byte(value);
    return *this;
  }
  MidiBytes& fill(size_t count, int value) {
    while (count-- > 0) byte(value);
    return *this;
  }
  // Characters as bytes, without a terminating zero ("MThd", payload texts).
  MidiBytes& ascii(std::string_view text) {
    for (char c : text) byte(static_cast<unsigned char>(c));
    return *this;
  }
  MidiBytes& append(const MidiBytes& other) {
    data_.insert(data_.end(), other.data_.begin(), other.data_.end());
    return *this;
  }

  // Big-endian unsigned fields.
  MidiBytes& u16(uint32_t value) { return byte(static_cast<int>(value >> 8)).byte(static_cast<int>(value)); }
  MidiBytes& u32(uint32_t value) { return u16(value >> 16).u16(value & 0xFFFF); }

  // A variable-length quantity in its shortest form: 7 bits a byte, most
  // significant group first, the top bit set on all bytes but the last.
  MidiBytes& vlq(uint32_t value) {
    int groups = 1;
    while (groups < 5 && (value >> (7 * groups)) != 0) ++groups;
    for (int group = groups - 1; group >= 0; --group) {
      int bits = static_cast<int>((value >> (7 * group)) & 0x7F);
      byte(group > 0 ? bits | 0x80 : bits);
    }
    return *this;
  }

  // A chunk head with any length, true or not.
  MidiBytes& chunk_head(std::string_view identifier, uint32_t length) {
    return ascii(identifier).u32(length);
  }
  // A chunk head with the content's true length, then the content.
  MidiBytes& chunk(std::string_view identifier, const MidiBytes& content) {
    return chunk_head(identifier, static_cast<uint32_t>(content.size())).append(content);
  }
  // "MThd" of length 6: format, declared track count, the two division bytes
  // as one 16-bit word (0x01E0 for 480 per quarter, 0xE728 for 25 fps x 40).
  MidiBytes& header(uint32_t format, uint32_t track_count, uint32_t division) {
    return chunk_head("MThd", 6).u16(format).u16(track_count).u16(division);
  }
  MidiBytes& track(const MidiBytes& events) { return chunk("MTrk", events); }

  // Track events, each led by its delta time.
  MidiBytes& meta(uint32_t delta, int number, const MidiBytes& payload) {
    vlq(delta).byte(0xFF).byte(number).vlq(static_cast<uint32_t>(payload.size()));
    return append(payload);
  }
  MidiBytes& end_of_track(uint32_t delta) { return meta(delta, 0x2F, {}); }
  // A system-exclusive message: status 0xF0 or 0xF7, count, bytes.
  MidiBytes& sysex(uint32_t delta, int status, const MidiBytes& payload) {
    vlq(delta).byte(status).vlq(static_cast<uint32_t>(payload.size()));
    return append(payload);
  }

  const std::vector<unsigned char>& data() const { return data_; }
  const unsigned char* begin() const { return data_.data(); }
  size_t size() const { return data_.size(); }
  // The first `count` bytes, as a file cut short would hold them.
  MidiBytes prefix(size_t count) const {
    MidiBytes cut;
    cut.data_.assign(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(count));
    return cut;
  }

 private:
  std::vector<unsigned char> data_;
};

// The file behind the 20-byte RIFF "RMID" head, with the two RIFF lengths
// as given.
inline MidiBytes rmid_wrapped(const MidiBytes& file, uint32_t riff_length, uint32_t data_length) {
  MidiBytes wrapped;
  wrapped.chunk_head("RIFF", riff_length).ascii("RMID").chunk_head("data", data_length);
  return wrapped.append(file);
}

// A file in the test's temporary directory, removed when this goes out of
// scope. Its name carries the running test's name and a random part, so
// test programs running side by side never share a file.
class TempFile {
 public:
  TempFile(std::string_view name, const MidiBytes& bytes) : path_(unique_path(name)) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path_;
    if (file == nullptr) return;
    if (bytes.size() > 0) {  // an empty vector's data may be null
      EXPECT_EQ(std::fwrite(bytes.begin(), 1, bytes.size(), file), bytes.size());
    }
    EXPECT_EQ(std::fclose(file), 0);
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const char* path() const { return path_.c_str(); }

  static std::string unique_path(std::string_view name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string path = ::testing::TempDir() + "tactus-";
    if (test != nullptr) {
      std::string test_name = std::string(test->test_suite_name()) + "." + test->name() + "-";
      for (char& c : test_name) c = c == '/' ? '_' : c;  // parameterised names
      path += test_name;
    }
    path += std::to_string(std::random_device{}()) + "-";
    return path.append(name);
  }

 private:
  std::string path_;
};

}  // namespace tactus::test

#endif
