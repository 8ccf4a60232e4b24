// Where a saved file goes. First of all the existing file must open for
// writing (without being truncated): a file the caller may not write, a
// read-only one say, is refused and not replaced either.
//
// A regular file, or a name that does not exist yet, is written as a
// temporary file beside it (with the old file's owner, group, permissions
// and extended attributes) and renamed into place once complete and on
// disk, the folder synced after the rename, so no half-written file ever
// stands under the name and a failed save keeps the previous file. A
// replacement would have side effects of its own in some cases, which are
// written in place instead: a file with more than one hard link (its other
// names would keep the old content), a file whose folder takes no new file
// from us or cannot be opened to be synced, and a file whose owner, group or
// attributes we cannot give the replacement. A file written in place first
// gets room for the whole new content, so that a full disk, a quota or a
// file size limit refuses the save before any old byte is overwritten; it
// is cut to the new length only after the last byte is written. Anything
// else that exists (a device such as /dev/null, a pipe) is written in place
// as it is. A symbolic link stays a link: the file it names is written, or
// created when it does not exist yet.
#ifndef TACTUS_SMF_FILE_OUTPUT_H
#define TACTUS_SMF_FILE_OUTPUT_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace tactus::internal {

struct FileOutput {
  std::FILE* stream = nullptr;
  std::string target;     // the name the finished file gets
  std::string temporary;  // empty when writing in place
  int folder = -1;        // the target's folder, synced after the rename
  uint64_t length = 0;    // the size of the new content
  bool regular = false;   // a regular file: cut to length and synced before it counts as saved
  bool created = false;   // written in place under a name that this save created
};

// Opens the stream for `length` bytes of new content. False when that
// fails; nothing is then left behind and an existing file is unchanged.
// Only the name handling before any file is opened may throw
// (std::bad_alloc).
bool file_output_open(FileOutput& output, const char* filename, uint64_t length);

// Closes the stream. When the content is `complete` and flushing, syncing,
// closing and renaming all succeed, the file is in place: true. Otherwise
// the temporary file is removed and a replaced file stays as it was.
bool file_output_finish(FileOutput& output, bool complete);

}  // namespace tactus::internal

#endif
