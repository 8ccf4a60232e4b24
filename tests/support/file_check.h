// What any bytes must give the reader and the writer, checked the same way
// by the tests on the files they build and by the fuzz targets on theirs:
//  - a Sequence, if any, that keeps the invariants of a loaded file;
//  - the same Sequence from a file (read lazily, in blocks) as from memory,
//    and with remarks as without, with the same remarks from a file as from
//    memory, each at an offset inside the file and with a known code;
//  - once saved, loaded again as the same Sequence, less what the file
//    format cannot hold (see Kept::kAsWritten).
#ifndef TACTUS_TESTS_SUPPORT_FILE_CHECK_H
#define TACTUS_TESTS_SUPPORT_FILE_CHECK_H

#include <unistd.h>

#include <string>

#include "support/midi_bytes.h"
#include "support/sequence_check.h"
#include "tactus/smf.h"

namespace tactus::test {

// Files in memory where the system has a RAM disk, named after the process
// so that test programs and fuzzing jobs running side by side never share them.
struct ScratchFiles {
  std::string directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string input = directory + "/tactus-check-" + std::to_string(getpid()) + "-input.mid";
  std::string saved = directory + "/tactus-check-" + std::to_string(getpid()) + "-saved.mid";
  ~ScratchFiles() { std::remove(input.c_str()), std::remove(saved.c_str()); }
};
inline const ScratchFiles& scratch_files() {
  static const ScratchFiles files;
  return files;
}

// The remarks as text, and the first one out of place.
struct RemarkListing {
  size_t file_size;
  std::string text;
  std::string flaw;
};

inline void list_remark(void* context, uint64_t offset, int32_t track, int32_t code, const char* text) {
  auto* listing = static_cast<RemarkListing*>(context);
  listing->text +=
      std::to_string(offset) + " " + std::to_string(track) + " " + std::to_string(code) + " " + text + "\n";
  if (listing->flaw.empty() &&
      (offset > listing->file_size || track < -1 || code < REMARK_HEADER_LENGTH || code > REMARK_RIFF_SIZE))
    listing->flaw = "remark out of place: " + listing->text;
}

// The Sequence's text; the Sequence is freed.
inline std::string described(Sequence* sequence, Kept kept = Kept::kAsStored) {
  const std::string text = describe_sequence(sequence, kept);
  return sequence_free(sequence), text;
}

inline std::string unlike(const char* what, const std::string& expected, const std::string& actual) {
  return expected == actual ? "" : std::string(what) + ", expected\n" + expected + "actual\n" + actual;
}

// Empty when every check above holds, else what the first one that fails found.
inline std::string file_flaw(const unsigned char* data, size_t size) {
  const ScratchFiles& scratch = scratch_files();
  if (!write_bytes(scratch.input, std::vector<unsigned char>(data, data + size))) return "no scratch file";
  Sequence* loaded = sequence_load_from_memory(data, size);
  const std::string expected = describe_sequence(loaded);
  RemarkListing memory{size, "", ""}, file{size, "", ""};
  const bool saved = loaded != nullptr && sequence_save(loaded, scratch.saved.c_str()) == 0;
  const std::string flaws[] = {
      loaded == nullptr ? "" : loaded_sequence_flaw(loaded),
      unlike("from a file", expected, described(sequence_load(scratch.input.c_str()))),
      unlike("with remarks", expected,
             described(sequence_load_from_memory_with_remarks(data, size, list_remark, &memory))),
      unlike("from a file with remarks", expected,
             described(sequence_load_with_remarks(scratch.input.c_str(), list_remark, &file))),
      memory.flaw, unlike("remarks from a file", memory.text, file.text),
      // The writer refuses values the file cannot hold (a delta time of
      // 2^28 or more, for one): such a Sequence has no round trip.
      !saved ? ""
             : unlike("saved and loaded again", described(loaded, Kept::kAsWritten),
                      described(sequence_load(scratch.saved.c_str())))};
  if (!saved) sequence_free(loaded);
  for (const std::string& flaw : flaws)
    if (!flaw.empty()) return flaw;
  return "";
}

}  // namespace tactus::test

#endif
