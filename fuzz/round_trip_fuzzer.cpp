// The reader and the writer together on arbitrary bytes:
//  - loading the bytes from a file gives the same Sequence as loading them
//    from memory (the public loader reads the file lazily, in blocks);
//  - a Sequence that loads and saves loads again as the same Sequence, up
//    to what the file format cannot hold (seven-bit data values, meta
//    numbers below 0x80, see sequence_compare.h).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/check.h"
#include "fuzz/sequence_compare.h"
#include "tactus/smf.h"

namespace {

// Files in memory where the system has a RAM disk, named after the process
// so that parallel fuzzing jobs never share them.
std::string scratch_path(const char* role) {
  const char* directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
  if (directory == nullptr) directory = "/tmp";
  return std::string(directory) + "/tactus-fuzz-" + std::to_string(getpid()) + "-" + role + ".mid";
}

bool write_file(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

struct Scratch {
  std::string input = scratch_path("input");
  std::string saved = scratch_path("saved");
  ~Scratch() {
    std::remove(input.c_str());
    std::remove(saved.c_str());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tactus;
  static Scratch scratch;
  Sequence* from_memory = sequence_load_from_memory(data, size);
  FUZZ_CHECK(write_file(scratch.input, data, size));
  Sequence* from_file = sequence_load(scratch.input.c_str());
  FUZZ_CHECK((from_memory == nullptr) == (from_file == nullptr));
  if (from_memory == nullptr) return 0;
  fuzz::check_same_sequence(from_memory, from_file);
  sequence_free(from_file);

  // The writer refuses values the file cannot hold (a delta time of 2^28 or
  // more, for one); such a Sequence has no round trip to check.
  if (sequence_save(from_memory, scratch.saved.c_str()) == 0) {
    Sequence* reloaded = sequence_load(scratch.saved.c_str());
    FUZZ_CHECK(reloaded != nullptr);
    fuzz::check_same_after_round_trip(from_memory, reloaded);
    sequence_free(reloaded);
  }
  sequence_free(from_memory);
  return 0;
}
