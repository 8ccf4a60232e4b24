#include "smf/file_output.h"

#include <cerrno>
#include <charconv>
#include <utility>

namespace tactus::internal {

void name_temporary(SavePlace& place, int attempt) {
  char digits[16];
  char* end = std::to_chars(digits, digits + sizeof digits, attempt).ptr;
  place.temporary.resize(place.prefix);
  place.temporary.append(digits, end).append(".tmp");
}

namespace {

// Closes what the opening had opened, errno kept.
SaveMethod refuse(FileOutput& output) {
  const int error = errno;
  if (output.existing >= 0) close_file(output.existing);
  output.existing = -1;
  close_folder(output.place);
  errno = error;
  return output.method = SaveMethod::kRefused;
}

// The choice before a replacement is tried. A file with several names keeps
// them all only if it is written in place; a device or a pipe is written as
// it is; without the folder a rename could not be synced.
SaveMethod first_choice(bool exists, const FileFacts& old, bool folder_open) {
  if (!exists) return folder_open ? SaveMethod::kReplace : SaveMethod::kCreate;
  return old.regular && old.single_name && folder_open ? SaveMethod::kReplace : SaveMethod::kInPlace;
}

// Room for the new content before the first old byte is overwritten. A
// reservation that fails leaves the old length.
bool make_room(int descriptor, const FileFacts& old, uint64_t length) {
  if (reserve_room(descriptor, old.size, length)) return true;
  const int error = errno;
  FileFacts now;
  if (read_facts(descriptor, now) && now.size != old.size) set_length(descriptor, old.size);
  errno = error;
  return false;
}

// The descriptor to write, the method settled; -1 when none opens.
int open_descriptor(FileOutput& output) {
  if (output.method == SaveMethod::kCreate) return create_file(output.place);
  if (output.method == SaveMethod::kReplace) {
    switch (make_replacement(output.place, output.existing, output.old, output.replacement)) {
      case ReplacementResult::kMade:
        return output.replacement.descriptor;
      case ReplacementResult::kFailed:
        return -1;
      case ReplacementResult::kNotAllowed:
        if (!output.replacing) return -1;
        output.method = SaveMethod::kInPlace;
    }
  }
  const int descriptor = std::exchange(output.existing, -1);
  if (!output.old.regular || make_room(descriptor, output.old, output.length)) return descriptor;
  const int error = errno;
  close_file(descriptor);
  errno = error;
  return -1;
}

}  // namespace

SaveMethod file_output_open(FileOutput& output, const char* filename, uint64_t length) {
  output.length = length;
  // Every name is made before anything is opened, so that nothing throws
  // while a file is open.
  if (!resolve_place(filename, output.place)) return refuse(output);
  output.existing = open_existing(output.place);
  output.replacing = output.existing >= 0;
  if (!output.replacing && errno != ENOENT) return refuse(output);
  if (output.replacing && !read_facts(output.existing, output.old)) return refuse(output);
  output.method = first_choice(output.replacing, output.old, output.place.folder >= 0);
  // Every write past a file size limit fails, over old bytes too, and the
  // first one sends a signal that ends the process unless it is caught.
  if ((!output.replacing || output.old.regular) && length > file_size_limit()) {
    errno = EFBIG;
    return refuse(output);
  }
  output.descriptor = open_descriptor(output);
  if (output.descriptor < 0) return refuse(output);
  output.stream = open_stream(output.descriptor);
  if (output.stream != nullptr) return output.method;
  file_output_finish(output, false, errno);
  return SaveMethod::kRefused;
}

bool file_output_finish(FileOutput& output, bool complete, int write_error) {
  const SaveMethod method = output.method;
  const FileFacts& old = output.old;
  const bool in_place = method == SaveMethod::kInPlace;
  const int descriptor = output.descriptor;
  bool done = complete;
  int error = write_error;
  // Each step is taken only after all before it succeeded; the first
  // failure's errno is the save's.
  const auto step = [&](bool succeeded) {
    if (!succeeded) error = errno;
    done = succeeded;
  };
  if (done) step(std::fflush(output.stream) == 0);
  // Old content longer than the new is cut off only once every new byte has
  // been written over it.
  if (done && in_place && old.regular) step(set_length(descriptor, output.length));
  if (done && (!in_place || old.regular)) step(sync_file(descriptor));
  // Writing may have cleared set-ID bits and capabilities.
  if (done && method == SaveMethod::kReplace && output.existing >= 0)
    step(keep_metadata(descriptor, output.existing, old) && sync_file(descriptor));
  if (done && method == SaveMethod::kReplace) step(name_replacement(output.place, output.replacement));
  if (in_place && old.regular && done) restore_mode(descriptor, old);
  if (in_place && old.regular && !done && output.length > old.size) set_length(descriptor, old.size);
  const bool closed =
      output.stream != nullptr ? std::fclose(output.stream) == 0 : (close_file(descriptor), true);
  if (done) step(closed);
  output.stream = nullptr;
  if (output.existing >= 0) close_file(output.existing);
  output.existing = -1;
  if (method == SaveMethod::kReplace && done) step(move_into_place(output.place, output.replacing));
  if (method == SaveMethod::kReplace && !done && output.replacement.named) remove_temporary(output.place);
  if (method == SaveMethod::kCreate && !done) remove_target(output.place);
  // The save is made; whether its name is on disk yet is the folder's sync.
  int after = 0;
  if (done && method == SaveMethod::kReplace && !sync_folder(output.place)) after = errno;
  if (done && method == SaveMethod::kCreate) after = output.place.folder_error;
  close_folder(output.place);
  errno = done ? after : error != 0 ? error : EIO;
  return done;
}

}  // namespace tactus::internal
