// The tactus-info program: one run from the command line to the exit status.
#ifndef TACTUS_INFO_INFO_H
#define TACTUS_INFO_INFO_H

#include <cstdio>

namespace tactus::info {

// Describes each file named on the command line on `out`, followed by the
// reader's remarks on it; with --check, only the remarks. Returns the exit
// status: 0 when every file was read without a remark, 1 when some file has
// remarks, 2 when some file could not be read (its message goes to `err`)
// or after a usage error.
int run_info(int argc, char** argv, std::FILE* out, std::FILE* err);

}  // namespace tactus::info

#endif
