// What any bytes must give, for the tests and the fuzz target alike: a
// well-formed Sequence or none, the same from a file as from memory and with
// remarks as without, remarks in place, and saved, loaded back as written.
#ifndef TACTUS_TESTS_SUPPORT_FILE_CHECK_H
#define TACTUS_TESTS_SUPPORT_FILE_CHECK_H

#include <string>

#include "support/midi_bytes.h"
#include "support/sequence_check.h"
#include "tactus/smf.h"

namespace tactus::test {

// On a RAM disk where there is one, as saves sync what they write.
struct ScratchFiles {
  std::filesystem::path directory = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "";
  std::string input = TempFile::unique_path("input.mid", directory);
  std::string saved = TempFile::unique_path("saved.mid", directory);
  ~ScratchFiles() {
    std::remove(input.c_str());
    std::remove(saved.c_str());
  }
};
inline const ScratchFiles kScratch;

// The remarks as text, and the first one out of place.
struct RemarkListing {
  size_t file_size;
  std::string text;
  std::string flaw;
};

inline void list_remark(void* context, uint64_t offset, int32_t track, int32_t code,
                        const char* text) noexcept {
  auto* listing = static_cast<RemarkListing*>(context);
  listing->text +=
      std::to_string(offset) + " " + std::to_string(track) + " " + std::to_string(code) + " " + text + "\n";
  if (listing->flaw.empty() && (offset > listing->file_size || track < -1 || code < REMARK_HEADER_LENGTH ||
                                code > REMARK_DATA_ABOVE_127))
    listing->flaw = "remark out of place: " + listing->text;
}

// The Sequence's text, unlike `expected` or not; the Sequence is freed.
inline std::string unlike(const char* what, const std::string& expected, Sequence* sequence,
                          Kept kept = Kept::kAsStored) {
  const std::string actual = describe_sequence(sequence, kept);
  sequence_free(sequence);
  return expected == actual ? "" : std::string(what) + ", expected\n" + expected + "actual\n" + actual;
}

// Empty when every check above holds, else what the first one that fails found.
inline std::string file_flaw(const unsigned char* data, size_t size) {
  if (!write_bytes(kScratch.input, std::vector<unsigned char>(data, data + size))) return "no scratch file";
  Sequence* loaded = sequence_load_from_memory(data, size);
  const std::string expected = describe_sequence(loaded);
  RemarkListing memory{size, "", ""}, file{size, "", ""};
  // A Sequence with values the file cannot hold has no round trip.
  const bool saved = loaded != nullptr && sequence_save(loaded, kScratch.saved.c_str()) == 0;
  const std::string written = saved ? describe_sequence(loaded, Kept::kAsWritten) : "";
  const std::string flaws[] = {
      loaded == nullptr ? "" : loaded_sequence_flaw(loaded),
      unlike("from a file", expected, sequence_load(kScratch.input.c_str())),
      unlike("with remarks", expected,
             sequence_load_from_memory_with_remarks(data, size, list_remark, &memory)),
      unlike("from a file with remarks", expected,
             sequence_load_with_remarks(kScratch.input.c_str(), list_remark, &file)),
      memory.flaw,
      memory.text == file.text ? ""
                               : "remarks from a file, expected\n" + memory.text + "actual\n" + file.text,
      saved ? unlike("saved and loaded again", written, sequence_load(kScratch.saved.c_str())) : ""};
  sequence_free(loaded);
  for (const std::string& flaw : flaws)
    if (!flaw.empty()) return flaw;
  return "";
}

}  // namespace tactus::test

#endif
