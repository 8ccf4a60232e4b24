// Where a saved file goes, and how it gets there. First of all the existing
// file must open for writing (without being truncated): a file the caller
// may not write, a read-only one say, is refused and not replaced either.
//
// A regular file, or a name that does not exist yet, is replaced: the new
// file is made beside it (on Linux without a name, so that no crash leaves
// it behind), written, synced, given the old file's owner, group,
// attributes and mode, and only then put under the name, the folder synced
// after. No half-written file ever stands under the name, and a failed save
// keeps the previous file. A replacement would have side effects of its own
// in some cases, which are written in place instead: a file with more than
// one hard link (its other names would keep the old content), a file whose
// folder takes no new file from us or cannot be opened to be synced, and a
// file whose owner, group, attributes or mode we cannot give the
// replacement. A file written in place first gets room for the whole new
// content, so that a full disk or a quota refuses the save before any old
// byte is overwritten; it is cut to the new length only after the last byte
// is written. Anything else that exists (a device such as /dev/null, a pipe)
// is written in place as it is. A new name in a folder that can be written
// but not opened is created under that name, and removed again if the save
// fails. A symbolic link stays a link: the file it names is written, or
// created when it does not exist yet. A file size limit is checked before
// any of this, as writing past it would end the process.
#ifndef TACTUS_SMF_FILE_OUTPUT_H
#define TACTUS_SMF_FILE_OUTPUT_H

#include <cstdint>
#include <cstdio>

#include "smf/save_system.h"

namespace tactus::internal {

enum class SaveMethod {
  kRefused,  // nothing was written: errno says why
  kReplace,  // a new file, complete, put under the name
  kInPlace,  // the existing file overwritten
  kCreate    // a new file made under the name itself
};

struct FileOutput {
  std::FILE* stream = nullptr;
  int descriptor = -1;  // the stream's
  SaveMethod method = SaveMethod::kRefused;
  SavePlace place;
  FileFacts old;      // of the file under the name, if there is one
  int existing = -1;  // that file, while a replacement needs its metadata
  bool replacing = false;
  Replacement replacement;
  uint64_t length = 0;  // of the new content
};

// Chooses how the file is written and opens the stream for `length` bytes
// of new content. kRefused when that fails; nothing is then left behind and
// an existing file is unchanged. Only the name handling before any file is
// opened may throw (std::bad_alloc).
SaveMethod file_output_open(FileOutput& output, const char* filename, uint64_t length);

// Closes the stream. When the content is `complete` and flushing, syncing,
// closing and renaming all succeed, the file is in place: true, with errno
// 0 when its name is on disk too, or the error of syncing or opening the
// folder when the name may not be. Otherwise false, with errno the first
// error (`write_error` for incomplete content); a replacement is removed,
// a replaced file stays as it was.
bool file_output_finish(FileOutput& output, bool complete, int write_error);

}  // namespace tactus::internal

#endif
