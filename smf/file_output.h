// Where a saved file goes. A regular file, or a name that does not exist
// yet, is written as a temporary file beside it (with the old file's owner,
// group and permissions) and renamed into place once complete and on disk,
// so no half-written file ever stands under the name and a failed save
// keeps the previous file. A replacement would have side effects of its own
// in three cases, which are written in place instead: a file with more than
// one hard link (its other names would keep the old content), a file whose
// directory takes no new file from us, and a file whose owner or group we
// cannot give the replacement. Anything else that exists (a device such as
// /dev/null, a pipe) is written in place too.
#ifndef TACTUS_SMF_FILE_OUTPUT_H
#define TACTUS_SMF_FILE_OUTPUT_H

#include <cstdio>
#include <string>

namespace tactus::internal {

struct FileOutput {
  std::FILE* stream = nullptr;
  std::string target;     // the name the finished file gets
  std::string temporary;  // empty when writing in place
  bool sync = false;      // regular files are synced before they count as saved
};

// Opens the stream to write to. False when that fails; nothing is then left
// behind. Only the name handling before any file is created may throw
// (std::bad_alloc).
bool file_output_open(FileOutput& output, const char* filename);

// Closes the stream. When the content is `complete` and flushing, syncing,
// closing and renaming all succeed, the file is in place: true. Otherwise
// the temporary file is removed and any previous file stays as it was.
bool file_output_finish(FileOutput& output, bool complete);

}  // namespace tactus::internal

#endif
