// Shared by the reader and writer tests.
#ifndef TACTUS_TESTS_SMF_SMF_TEST_H
#define TACTUS_TESTS_SMF_SMF_TEST_H

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "support/file_check.h"

namespace tactus::test {

using Bytes = std::vector<unsigned char>;
struct SequenceDeleter {
  void operator()(Sequence* sequence) const { sequence_free(sequence); }
};
using SequencePtr = std::unique_ptr<Sequence, SequenceDeleter>;

// After the checks of file_flaw, on an exact copy for the address sanitizer;
// kept in $TACTUS_SEED_DIRECTORY, if set and under 4 KB, to seed the fuzzers.
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
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// What sequence_save writes; empty if it fails.
inline Bytes saved_bytes(Sequence* sequence) {
  return sequence_save(sequence, kScratch.saved.c_str()) == 0 ? read_file(kScratch.saved) : Bytes{};
}
}  // namespace tactus::test

#endif
