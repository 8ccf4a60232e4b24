// The reader and the writer together on arbitrary bytes:
//  - loading the bytes from a file gives the same Sequence as loading them
//    from memory (the public loader reads the file lazily, in blocks);
//  - loading with remarks gives the same Sequence, and the same remarks
//    from a file as from memory, each at an offset inside the file;
//  - a Sequence that loads and saves loads again as the same Sequence, less
//    what the file format cannot hold (see Kept::kAsWritten).
#include <unistd.h>

#include <string>

#include "fuzz/check.h"
#include "support/midi_bytes.h"
#include "support/sequence_check.h"
#include "tactus/smf.h"

namespace {

using namespace tactus;

// Files in memory where the system has a RAM disk, named after the process
// so that parallel fuzzing jobs never share them.
struct Scratch {
  std::string directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string input = directory + "/tactus-fuzz-" + std::to_string(getpid()) + "-input.mid";
  std::string saved = directory + "/tactus-fuzz-" + std::to_string(getpid()) + "-saved.mid";
  ~Scratch() { std::remove(input.c_str()), std::remove(saved.c_str()); }
};

// The remarks as text, checking each one's place on the way.
struct RemarkListing {
  size_t file_size;
  std::string text;
};

void list_remark(void* context, uint64_t offset, int32_t track, int32_t code, const char* text) {
  auto* listing = static_cast<RemarkListing*>(context);
  FUZZ_CHECK(offset <= listing->file_size);
  FUZZ_CHECK(track >= -1);
  FUZZ_CHECK(code >= REMARK_HEADER_LENGTH && code <= REMARK_RIFF_SIZE);
  listing->text += std::to_string(offset) + " " + std::to_string(track) + " " + text + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  Sequence* from_memory = sequence_load_from_memory(data, size);
  FUZZ_CHECK(test::write_bytes(scratch.input, std::vector<unsigned char>(data, data + size)));
  Sequence* from_file = sequence_load(scratch.input.c_str());
  fuzz_check_same(test::describe_sequence(from_memory), test::describe_sequence(from_file));
  sequence_free(from_file);
  RemarkListing memory_remarks{size, ""}, file_remarks{size, ""};
  Sequence* with_remarks = sequence_load_from_memory_with_remarks(data, size, list_remark, &memory_remarks);
  fuzz_check_same(test::describe_sequence(from_memory), test::describe_sequence(with_remarks));
  sequence_free(with_remarks);
  with_remarks = sequence_load_with_remarks(scratch.input.c_str(), list_remark, &file_remarks);
  fuzz_check_same(test::describe_sequence(from_memory), test::describe_sequence(with_remarks));
  fuzz_check_same(memory_remarks.text, file_remarks.text);
  sequence_free(with_remarks);
  // The writer refuses values the file cannot hold (a delta time of 2^28 or
  // more, for one); such a Sequence has no round trip to check.
  if (from_memory != nullptr && sequence_save(from_memory, scratch.saved.c_str()) == 0) {
    Sequence* reloaded = sequence_load(scratch.saved.c_str());
    fuzz_check_same(test::describe_sequence(from_memory, test::Kept::kAsWritten),
                    test::describe_sequence(reloaded));
    sequence_free(reloaded);
  }
  sequence_free(from_memory);
  return 0;
}
