// The reader and the writer on arbitrary bytes: the checks the tests run on
// the files they build (tests/support/file_check.h).
#include "fuzz/check.h"
#include "support/file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_check_no_flaw(tactus::test::file_flaw(data, size));
  return 0;
}
