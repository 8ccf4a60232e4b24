#include "smf/file_output.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tactus::internal {

namespace {

// ---- The few calls that differ between POSIX and Windows --------------------

#ifdef _WIN32
using FileStatus = struct _stat64;

int read_status(const char* name, FileStatus* status) { return _stat64(name, status); }
bool is_regular(const FileStatus& status) { return (status.st_mode & _S_IFMT) == _S_IFREG; }
// Symbolic links are rare on Windows; the name is used as given.
bool resolve_links(const char* name, std::string& resolved) {
  resolved = name;
  return true;
}
const char* path_separators() { return "/\\:"; }
long process_id() { return _getpid(); }
int create_new_file(const char* name) {
  return _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
// The only permission Windows keeps is read-only, and a read-only file
// cannot be replaced anyway; files have no owner to carry over.
bool copy_owner_and_permissions(int, const FileStatus&) { return true; }
std::FILE* open_stream(int descriptor) { return _fdopen(descriptor, "wb"); }
void close_descriptor(int descriptor) { _close(descriptor); }
bool sync_to_disk(std::FILE* stream) { return _commit(_fileno(stream)) == 0; }
bool move_into_place(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}
#else
using FileStatus = struct stat;

int read_status(const char* name, FileStatus* status) { return stat(name, status); }
bool is_regular(const FileStatus& status) { return S_ISREG(status.st_mode); }
// A symbolic link stays a link: the file it points to is the one replaced.
bool resolve_links(const char* name, std::string& resolved) {
  char* path = realpath(name, nullptr);
  if (path == nullptr) return false;
  resolved = path;
  std::free(path);
  return true;
}
const char* path_separators() { return "/"; }
long process_id() { return static_cast<long>(getpid()); }
int create_new_file(const char* name) { return open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
// The owner first: a change of owner may clear the set-user-ID bits that the
// mode then restores. Only root may give a file away, so anyone else keeps
// the owner only when it is themselves, and the group only when they belong
// to it; false when the old owner or group cannot be kept.
bool copy_owner_and_permissions(int descriptor, const FileStatus& status) {
  if (fchown(descriptor, status.st_uid, status.st_gid) != 0) return false;
  return fchmod(descriptor, status.st_mode & 07777) == 0;
}
std::FILE* open_stream(int descriptor) { return fdopen(descriptor, "wb"); }
void close_descriptor(int descriptor) { close(descriptor); }
bool sync_to_disk(std::FILE* stream) { return fsync(fileno(stream)) == 0; }
bool move_into_place(const char* from, const char* to) { return std::rename(from, to) == 0; }
#endif

// ---- Temporary files ----------------------------------------------------------

// A name in the target's directory, short so that it fits wherever the
// target's own name does.
std::string temporary_name(const std::string& target, long attempt) {
  const size_t separator = target.find_last_of(path_separators());
  const std::string directory = separator == std::string::npos ? "" : target.substr(0, separator + 1);
  return directory + ".tactus-" + std::to_string(process_id()) + "-" + std::to_string(attempt) + ".tmp";
}

enum class Temporary { kOpened, kNotAllowed, kFailed };

// Creates the temporary file exclusively (another save, in this process or
// another, may be choosing names in the same directory), with the previous
// file's owner and permissions when there is one. kNotAllowed when the
// directory takes no new file from us or the old owner cannot be kept: the
// old file is then better written in place.
Temporary open_temporary(FileOutput& output, const FileStatus* previous) {
  constexpr long kAttempts = 100;
  Temporary result = Temporary::kFailed;
  for (long attempt = 0; attempt < kAttempts; ++attempt) {
    output.temporary = temporary_name(output.target, attempt);
    const int descriptor = create_new_file(output.temporary.c_str());
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      if (errno == EACCES || errno == EPERM) result = Temporary::kNotAllowed;
      break;
    }
    if (previous == nullptr || copy_owner_and_permissions(descriptor, *previous)) {
      output.stream = open_stream(descriptor);
      if (output.stream != nullptr) return Temporary::kOpened;
    } else {
      result = Temporary::kNotAllowed;
    }
    close_descriptor(descriptor);
    std::remove(output.temporary.c_str());
    break;
  }
  output.temporary.clear();
  return result;
}

bool open_in_place(FileOutput& output, const char* filename, bool sync) {
  output.stream = std::fopen(filename, "wb");
  output.sync = sync;
  return output.stream != nullptr;
}

}  // namespace

bool file_output_open(FileOutput& output, const char* filename) {
  FileStatus status;
  const bool exists = read_status(filename, &status) == 0;
  // Devices and pipes are written as they are, and cannot be synced.
  if (exists && !is_regular(status)) return open_in_place(output, filename, false);
  // A file with several names keeps them all only if it is written in place.
  if (exists && status.st_nlink > 1) return open_in_place(output, filename, true);
  if (!exists) {
    output.target = filename;
  } else if (!resolve_links(filename, output.target)) {
    return false;
  }
  output.sync = true;
  switch (open_temporary(output, exists ? &status : nullptr)) {
    case Temporary::kOpened:
      return true;
    case Temporary::kNotAllowed:
      return exists && open_in_place(output, filename, true);
    case Temporary::kFailed:
      break;
  }
  return false;
}

bool file_output_finish(FileOutput& output, bool complete) {
  bool in_place = complete && std::fflush(output.stream) == 0;
  if (in_place && output.sync) in_place = sync_to_disk(output.stream);
  if (std::fclose(output.stream) != 0) in_place = false;
  output.stream = nullptr;
  if (output.temporary.empty()) return in_place;
  if (in_place) in_place = move_into_place(output.temporary.c_str(), output.target.c_str());
  if (!in_place) std::remove(output.temporary.c_str());
  return in_place;
}

}  // namespace tactus::internal
