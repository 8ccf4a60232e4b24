// Builds MIDI file bytes field by field, computing lengths, big-endian fields
// and variable-length quantities on its own, apart from the library.
#ifndef TACTUS_TESTS_SUPPORT_MIDI_BYTES_H
#define TACTUS_TESTS_SUPPORT_MIDI_BYTES_H

#include <cstdint>
#include <cstdio>
#include <filesystem>
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

  MidiBytes& byte(int value) { return put(std::initializer_list<int>{value}); }
  MidiBytes& bytes(std::initializer_list<int> values) { return put(values); }
  MidiBytes& fill(size_t count, int value) { return put(std::vector<unsigned char>(count, value)); }
  MidiBytes& ascii(std::string_view text) { return put(text); }  // without a terminating zero
  MidiBytes& append(const MidiBytes& more) { return put(more.data_); }
  MidiBytes& u16(uint32_t value) { return byte(static_cast<int>(value >> 8)).byte(static_cast<int>(value)); }
  MidiBytes& u32(uint32_t value) { return u16(value >> 16).u16(value & 0xFFFF); }
  // Shortest form: 7 bits a byte, high group first, the top bit on all but the last.
  MidiBytes& vlq(uint32_t value) {
    int group = 4;
    while (group > 0 && (value >> (7 * group)) == 0) --group;
    for (; group > 0; --group) byte(static_cast<int>((value >> (7 * group)) & 0x7F) | 0x80);
    return byte(static_cast<int>(value & 0x7F));
  }
  // A chunk head with any length, true or not; a chunk with its true length.
  MidiBytes& chunk_head(std::string_view identifier, uint32_t length) {
    return ascii(identifier).u32(length);
  }
  MidiBytes& chunk(std::string_view identifier, const MidiBytes& content) {
    return chunk_head(identifier, static_cast<uint32_t>(content.size())).append(content);
  }
  // The division bytes as one word: 0x01E0 for 480 per quarter, 0xE728 for 25 fps x 40.
  MidiBytes& header(uint32_t format, uint32_t track_count, uint32_t division) {
    return chunk_head("MThd", 6).u16(format).u16(track_count).u16(division);
  }
  MidiBytes& track(const MidiBytes& events) { return chunk("MTrk", events); }
  // Track events, each led by its delta time; a sysex status is 0xF0 or 0xF7.
  MidiBytes& meta(uint32_t delta, int number, const MidiBytes& payload) {
    return vlq(delta).byte(0xFF).byte(number).vlq(static_cast<uint32_t>(payload.size())).append(payload);
  }
  MidiBytes& end_of_track(uint32_t delta) { return meta(delta, 0x2F, {}); }
  MidiBytes& sysex(uint32_t delta, int status, const MidiBytes& payload) {
    return vlq(delta).byte(status).vlq(static_cast<uint32_t>(payload.size())).append(payload);
  }

  const std::vector<unsigned char>& data() const { return data_; }
  size_t size() const { return data_.size(); }

 private:
  template <class Range>
  MidiBytes& put(const Range& range) {
    data_.insert(data_.end(), std::begin(range), std::end(range));
    return *this;
  }

  std::vector<unsigned char> data_;
};

// The file behind the 20-byte RIFF "RMID" head, with the two RIFF lengths.
inline MidiBytes rmid_wrapped(const MidiBytes& file, uint32_t riff, uint32_t data) {
  return MidiBytes().chunk_head("RIFF", riff).ascii("RMID").chunk_head("data", data).append(file);
}

inline bool write_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  // An empty vector's data may be null, which fwrite must not be given.
  const bool written =
      file != nullptr && (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
  return file != nullptr && std::fclose(file) == 0 && written;
}

// A file with a random name, for test programs side by side, removed at the end.
class TempFile {
 public:
  TempFile(std::string_view name, const MidiBytes& bytes) : path_(unique_path(name)) {
    write_bytes(path_, bytes.data());
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

  static std::string unique_path(std::string_view name, std::filesystem::path directory = {}) {
    const std::string random =
        std::to_string(std::random_device{}()) + std::to_string(std::random_device{}());
    if (directory.empty()) directory = std::filesystem::temp_directory_path();
    return (directory / ("tactus-" + random + "-")).string().append(name);
  }

 private:
  std::string path_;
};

}  // namespace tactus::test

#endif
