// The reader on arbitrary bytes: a well-formed Sequence or none; the
// sanitizers see every byte read and every block not freed.
#include "fuzz/check.h"
#include "support/sequence_check.h"
#include "tactus/smf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tactus::Sequence* sequence = tactus::sequence_load_from_memory(data, size);
  if (sequence == nullptr) return 0;
  fuzz_check_no_flaw(tactus::test::loaded_sequence_flaw(sequence));
  tactus::sequence_free(sequence);
  return 0;
}
