#include "smf/file_output.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#endif

namespace tactus::internal {

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "/\\:";
#else
constexpr const char* kSeparators = "/";
#endif

// The folder part of a name, with its separator; empty for a bare name.
std::string folder_of(const std::string& name) {
  const size_t separator = name.find_last_of(kSeparators);
  return separator == std::string::npos ? "" : name.substr(0, separator + 1);
}

// ---- The few calls that differ between POSIX and Windows --------------------

#ifdef _WIN32
using FileStatus = struct _stat64;

int read_status(int descriptor, FileStatus* status) { return _fstat64(descriptor, status); }
bool is_regular(const FileStatus& status) { return (status.st_mode & _S_IFMT) == _S_IFREG; }
// Symbolic links are rare on Windows; the name is used as given.
bool resolve_links(const char* name, std::string& resolved) {
  resolved = name;
  return true;
}
long process_id() { return _getpid(); }
// Fails for a read-only file, which is then neither written nor replaced.
int open_existing(const char* name) { return _open(name, _O_WRONLY | _O_BINARY); }
int create_new_file(const char* name) {
  return _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
// MoveFileEx writes the rename through to the disk itself: there is no
// folder to open and sync.
int open_folder(const std::string&) { return 0; }
bool sync_folder(int) { return true; }
void close_folder(int) {}
// The only permission Windows keeps is read-only, and a read-only file is
// refused before a replacement is made; files have no owner to carry over.
bool copy_owner_and_attributes(int, int, const FileStatus&) { return true; }
std::FILE* open_stream(int descriptor) { return _fdopen(descriptor, "wb"); }
int stream_descriptor(std::FILE* stream) { return _fileno(stream); }
void close_descriptor(int descriptor) { _close(descriptor); }
bool sync_to_disk(int descriptor) { return _commit(descriptor) == 0; }
// Moves the end of file, and the file pointer back to the start.
bool set_length(int descriptor, int64_t length) {
  const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  LARGE_INTEGER end;
  LARGE_INTEGER start;
  end.QuadPart = length;
  start.QuadPart = 0;
  return SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
         SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
}
// Setting the end of file allocates the room on NTFS, or fails for want of it.
bool reserve(int descriptor, int64_t old_length, uint64_t length) {
  return length <= static_cast<uint64_t>(old_length) || set_length(descriptor, static_cast<int64_t>(length));
}
bool move_into_place(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
#else
using FileStatus = struct stat;

int read_status(int descriptor, FileStatus* status) { return fstat(descriptor, status); }
bool is_regular(const FileStatus& status) { return S_ISREG(status.st_mode); }
// A symbolic link stays a link: the name that its chain of links ends at is
// the one written, also when nothing stands there yet, as a shell's `>` does.
bool resolve_links(const char* name, std::string& resolved) {
  resolved = name;
  for (int hops = 0; hops < 40; ++hops) {
    char link[PATH_MAX];
    const ssize_t size = readlink(resolved.c_str(), link, sizeof link);
    if (size < 0) return errno == EINVAL || errno == ENOENT;  // no link, or nothing there yet
    if (static_cast<size_t>(size) == sizeof link) return false;
    const std::string next(link, static_cast<size_t>(size));
    resolved = next.starts_with('/') ? next : folder_of(resolved) + next;
  }
  return false;  // a loop of links, or one too long to follow
}
long process_id() { return static_cast<long>(getpid()); }
// Opening without truncating changes nothing yet, and asks the system for
// the access the caller really has: permissions, ACLs, a read-only mount.
int open_existing(const char* name) { return open(name, O_WRONLY | O_CLOEXEC); }
int create_new_file(const char* name) { return open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
int open_folder(const std::string& folder) {
  return open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}
// Some file systems cannot sync a folder at all (EINVAL): their renames are
// as safe as they get.
bool sync_folder(int folder) { return fsync(folder) == 0 || errno == EINVAL; }
void close_folder(int folder) {
  if (folder >= 0) close(folder);
}

#ifdef __linux__
// Integrity records of the content, which the system keeps itself.
bool kept_by_system(const char* name) {
  return std::strcmp(name, "security.ima") == 0 || std::strcmp(name, "security.evm") == 0;
}

bool listed(const char* names, ssize_t length, const char* name) {
  for (const char* entry = names; entry < names + length; entry += std::strlen(entry) + 1)
    if (std::strcmp(entry, name) == 0) return true;
  return false;
}

// Extended attributes, POSIX ACLs among them: the replacement gets exactly
// the old file's. One that it already has with the same value (a security
// label, say) is left alone, so that only real changes need privileges.
bool copy_attributes(int from, int to) {
  ssize_t length = flistxattr(from, nullptr, 0);
  if (length < 0) return errno == ENOTSUP;  // a file system without attributes
  if (length == 0 && flistxattr(to, nullptr, 0) == 0) return true;
  constexpr size_t kMost = 65536;  // the longest list and value Linux allows
  const std::unique_ptr<char[]> space(new (std::nothrow) char[4 * kMost]);
  if (space == nullptr) return false;
  char* names = space.get();
  char* value = names + kMost;
  char* present = value + kMost;
  char* extras = present + kMost;
  if ((length = flistxattr(from, names, kMost)) < 0) return false;
  for (const char* name = names; name < names + length; name += std::strlen(name) + 1) {
    if (kept_by_system(name)) continue;
    const ssize_t size = fgetxattr(from, name, value, kMost);
    if (size < 0) return false;
    const ssize_t current = fgetxattr(to, name, present, kMost);
    if (current == size && std::memcmp(value, present, static_cast<size_t>(size)) == 0) continue;
    if (fsetxattr(to, name, value, static_cast<size_t>(size), 0) != 0) return false;
  }
  // Nor does it keep any that the old file lacks, an ACL inherited from the
  // folder, say.
  const ssize_t extras_length = flistxattr(to, extras, kMost);
  if (extras_length < 0) return false;
  for (const char* name = extras; name < extras + extras_length; name += std::strlen(name) + 1)
    if (!kept_by_system(name) && !listed(names, length, name) && fremovexattr(to, name) != 0) return false;
  return true;
}
#else
bool copy_attributes(int, int) { return true; }
#endif

// The owner first, then the attributes, the permissions last: a change of
// owner may clear the set-user-ID bits and an ACL sets the group bits, which
// the mode then puts right. Only what differs is changed: only root may give
// a file away, and some network file systems refuse even a change to the
// same owner. False when the old owner, group or attributes cannot be kept.
bool copy_owner_and_attributes(int descriptor, int existing, const FileStatus& old) {
  FileStatus fresh;
  if (fstat(descriptor, &fresh) != 0) return false;
  if (fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) {
    const uid_t owner = fresh.st_uid == old.st_uid ? static_cast<uid_t>(-1) : old.st_uid;
    const gid_t group = fresh.st_gid == old.st_gid ? static_cast<gid_t>(-1) : old.st_gid;
    if (fchown(descriptor, owner, group) != 0) return false;
  }
  if (!copy_attributes(existing, descriptor) || fstat(descriptor, &fresh) != 0) return false;
  return (fresh.st_mode & 07777) == (old.st_mode & 07777) || fchmod(descriptor, old.st_mode & 07777) == 0;
}
std::FILE* open_stream(int descriptor) { return fdopen(descriptor, "wb"); }
int stream_descriptor(std::FILE* stream) { return fileno(stream); }
void close_descriptor(int descriptor) { close(descriptor); }
bool sync_to_disk(int descriptor) { return fsync(descriptor) == 0; }
bool set_length(int descriptor, int64_t length) {
  return ftruncate(descriptor, static_cast<off_t>(length)) == 0;
}

// Zeros written beyond the old end; the old bytes are not touched.
bool grow_with_zeros(int descriptor, off_t from, off_t to) {
  static const char kZeros[16384] = {};
  while (from < to) {
    const size_t part =
        to - from < static_cast<off_t>(sizeof kZeros) ? static_cast<size_t>(to - from) : sizeof kZeros;
    const ssize_t written = pwrite(descriptor, kZeros, part, from);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    from += written;
  }
  return true;
}

bool reserve(int descriptor, int64_t old_length, uint64_t length) {
  // A file size limit fails every write beyond it, over old bytes too.
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && length > limit.rlim_cur)
    return false;
#ifdef __linux__
  const int error = posix_fallocate(descriptor, 0, static_cast<off_t>(length));
  if (error == 0) return true;
  if (error == ENOSPC || error == EFBIG || error == EDQUOT) return false;
#endif
  // No allocation here (the file system has none, or the C library's
  // emulation needs to read the file): the growth is written as zeros.
  return length <= static_cast<uint64_t>(old_length) ||
         grow_with_zeros(descriptor, static_cast<off_t>(old_length), static_cast<off_t>(length));
}
bool move_into_place(const char* from, const char* to) { return std::rename(from, to) == 0; }
#endif

// ---- Writing in place -----------------------------------------------------------

// Room for the new content before the first old byte is overwritten, so
// that a full disk, a quota or a file size limit refuses the save while the
// old file is whole. A reservation that fails leaves the old length.
bool make_room(int descriptor, const FileStatus& status, uint64_t length) {
  if (reserve(descriptor, status.st_size, length)) return true;
  FileStatus now;
  if (read_status(descriptor, &now) == 0 && now.st_size != status.st_size)
    set_length(descriptor, status.st_size);
  return false;
}

// The stream over a descriptor, which is closed when that fails.
bool attach_stream(FileOutput& output, int descriptor) {
  output.stream = open_stream(descriptor);
  if (output.stream == nullptr) close_descriptor(descriptor);
  return output.stream != nullptr;
}

// Devices and pipes are written as they are; a regular file gets room for
// the new content first.
bool open_in_place(FileOutput& output, int descriptor) {
  output.temporary.clear();
  if (!attach_stream(output, descriptor)) return false;
  FileStatus status;
  output.regular = read_status(descriptor, &status) == 0 && is_regular(status);
  if (!output.regular || make_room(descriptor, status, output.length)) return true;
  std::fclose(output.stream);
  output.stream = nullptr;
  return false;
}

// ---- Temporary files ----------------------------------------------------------

// The attempt's number after the prefix, which was made with room for it:
// nothing is allocated here.
void name_temporary(std::string& name, size_t prefix, long attempt) {
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, attempt).ptr;
  name.resize(prefix);
  name.append(digits, end).append(".tmp");
}

enum class Temporary { kOpened, kNotAllowed, kFailed };

// Creates the temporary file exclusively (another save, in this process or
// another, may be choosing names in the same folder), with the previous
// file's owner, permissions and attributes when there is one. kNotAllowed
// when the folder takes no new file from us or the old owner or attributes
// cannot be kept: the old file is then better written in place.
Temporary open_temporary(FileOutput& output, size_t prefix, int existing, const FileStatus* previous) {
  constexpr long kAttempts = 100;
  Temporary result = Temporary::kFailed;
  for (long attempt = 0; attempt < kAttempts; ++attempt) {
    name_temporary(output.temporary, prefix, attempt);
    const int descriptor = create_new_file(output.temporary.c_str());
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      if (errno == EACCES || errno == EPERM) result = Temporary::kNotAllowed;
      break;
    }
    if (previous == nullptr || copy_owner_and_attributes(descriptor, existing, *previous)) {
      output.regular = true;
      if (attach_stream(output, descriptor)) return Temporary::kOpened;
    } else {
      result = Temporary::kNotAllowed;
      close_descriptor(descriptor);
    }
    std::remove(output.temporary.c_str());
    break;
  }
  output.temporary.clear();
  return result;
}

// A name with no file yet.
bool open_new(FileOutput& output, size_t prefix) {
  if (output.folder >= 0) return open_temporary(output, prefix, -1, nullptr) == Temporary::kOpened;
  // A folder that cannot be opened cannot be synced after a rename: the file
  // is made under its own name instead, and removed again if the save fails.
  const int descriptor = create_new_file(output.target.c_str());
  if (descriptor < 0) return false;
  output.created = true;
  if (open_in_place(output, descriptor)) return true;
  std::remove(output.target.c_str());
  return false;
}

// A name with a file that the caller may write.
bool open_existing_file(FileOutput& output, int existing, size_t prefix) {
  FileStatus status;
  if (read_status(existing, &status) != 0) {
    close_descriptor(existing);
    return false;
  }
  // A file with several names keeps them all only if it is written in place.
  if (is_regular(status) && status.st_nlink == 1 && output.folder >= 0) {
    switch (open_temporary(output, prefix, existing, &status)) {
      case Temporary::kOpened:
        close_descriptor(existing);
        return true;
      case Temporary::kFailed:
        close_descriptor(existing);
        return false;
      case Temporary::kNotAllowed:
        break;
    }
  }
  return open_in_place(output, existing);
}

}  // namespace

bool file_output_open(FileOutput& output, const char* filename, uint64_t length) {
  // Every name is made before anything is opened, so that nothing throws
  // while a file is open.
  if (!resolve_links(filename, output.target)) return false;
  const std::string folder = folder_of(output.target);
  output.temporary = folder + ".tactus-" + std::to_string(process_id()) + "-";
  const size_t prefix = output.temporary.size();
  output.temporary.reserve(prefix + 32);
  output.length = length;
  // A file that the caller may not write is neither written nor replaced.
  const int existing = open_existing(filename);
  if (existing < 0 && errno != ENOENT) return false;
  output.folder = open_folder(folder);
  if (existing < 0 ? open_new(output, prefix) : open_existing_file(output, existing, prefix)) return true;
  close_folder(output.folder);
  output.folder = -1;
  return false;
}

bool file_output_finish(FileOutput& output, bool complete) {
  const int descriptor = stream_descriptor(output.stream);
  bool done = complete && std::fflush(output.stream) == 0;
  // Old content longer than the new is cut off only once every new byte has
  // been written over it.
  if (done && output.regular && output.temporary.empty())
    done = set_length(descriptor, static_cast<int64_t>(output.length));
  if (done && output.regular) done = sync_to_disk(descriptor);
  if (std::fclose(output.stream) != 0) done = false;
  output.stream = nullptr;
  if (!output.temporary.empty()) {
    const bool moved = done && move_into_place(output.temporary.c_str(), output.target.c_str());
    if (!moved) std::remove(output.temporary.c_str());
    // The rename is on disk only once the folder is.
    done = moved && sync_folder(output.folder);
  }
  if (!done && output.created) std::remove(output.target.c_str());
  close_folder(output.folder);
  output.folder = -1;
  return done;
}

}  // namespace tactus::internal
