// Shared by the reader and writer tests: loading bytes, saving Sequences,
// a directory of its own per test.
#ifndef TACTUS_TESTS_SMF_SMF_TEST_H
#define TACTUS_TESTS_SMF_SMF_TEST_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>

#include "support/file_check.h"
#include "tactus/smf.h"

namespace tactus::test {

using Bytes = std::vector<unsigned char>;
struct SequenceDeleter {
  void operator()(Sequence* sequence) const { sequence_free(sequence); }
};
using SequencePtr = std::unique_ptr<Sequence, SequenceDeleter>;

// Loads the bytes, after the checks of file_flaw on an exact copy, so
// that the address sanitizer sees a read past them. With
// TACTUS_SEED_DIRECTORY set, a file of up to 4 KB is kept there as a seed
// for the fuzz targets (scripts/fuzz), which stay fast on small inputs.
inline SequencePtr load(const Bytes& bytes) {
  static int count = 0;
  const Bytes exact = bytes;
  EXPECT_EQ(file_flaw(exact.data(), exact.size()), "");
  const char* seeds = std::getenv("TACTUS_SEED_DIRECTORY");
  if (seeds != nullptr && exact.size() <= 4096) write_bytes(seeds + ("/" + std::to_string(count++)), exact);
  return SequencePtr(sequence_load_from_memory(exact.data(), exact.size()));
}
inline SequencePtr load(const MidiBytes& file) { return load(file.data()); }

// Each track's text: "<event>, <event>; end <tick>" (see describe_sequence).
inline std::vector<std::string> track_texts(Sequence* sequence) {
  std::vector<std::string> tracks;
  std::istringstream lines(describe_sequence(sequence));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("track ", 0) == 0) tracks.push_back(line.substr(line.find(':') + 2));
  return tracks;
}

inline Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ScratchDirectory {
 public:
  ScratchDirectory() { std::filesystem::create_directory(path_); }
  ~ScratchDirectory() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.insert(entry.path().filename().string());
    return names;
  }

 private:
  std::filesystem::path path_{TempFile::unique_path("dir")};
};

// What sequence_save writes, on a RAM disk where there is one; empty if it fails.
inline Bytes saved_bytes(Sequence* sequence) {
  const std::string& path = kScratch.saved;
  return sequence_save(sequence, path.c_str()) == 0 ? read_file(path) : Bytes{};
}
}  // namespace tactus::test

#endif
