// A directory of its own for each writer test, so that a test can see every
// file a save leaves behind; removed with its contents afterwards.
#ifndef TACTUS_TESTS_SMF_WRITER_SCRATCH_H
#define TACTUS_TESTS_SMF_WRITER_SCRATCH_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tactus/smf.h"
#include "tests/smf/reader_compare.h"

namespace tactus::test {

using Bytes = std::vector<unsigned char>;

class ScratchDirectory {
 public:
  ScratchDirectory() : path_(TempFile::unique_path("dir")) { std::filesystem::create_directory(path_); }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // The names of everything in the directory.
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What sequence_save writes for the sequence, and that file loaded again
// (empty or null if a step fails).
inline Bytes saved_bytes(Sequence* sequence) {
  ScratchDirectory directory;
  const std::string path = directory.file("saved.mid");
  EXPECT_EQ(sequence_save(sequence, path.c_str()), 0);
  return std::filesystem::exists(path) ? read_file(path) : Bytes{};
}

inline SequencePtr saved_and_loaded(Sequence* sequence) {
  ScratchDirectory directory;
  const std::string path = directory.file("saved.mid");
  EXPECT_EQ(sequence_save(sequence, path.c_str()), 0);
  return SequencePtr(sequence_load(path.c_str()));
}

}  // namespace tactus::test

#endif
