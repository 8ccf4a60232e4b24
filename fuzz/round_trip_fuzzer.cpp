// The reader and the writer together on arbitrary bytes: every check of
// file_flaw (tests/support/file_check.h), which the tests run on the files
// they build.
#include <cstddef>
#include <cstdint>

#include "fuzz/check.h"
#include "support/file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_check_no_flaw(tactus::test::file_flaw(data, size));
  return 0;
}
