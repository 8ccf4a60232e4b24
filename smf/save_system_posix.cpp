// A save's system calls on POSIX systems. Linux adds replacements made
// without a name (O_TMPFILE), which no crash can leave behind, the
// allocation of room in a file, and extended attributes.
#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "smf/save_system.h"

#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace tactus::internal {
namespace {

#ifdef __linux__
// A new file in the folder without a name; -1 with EOPNOTSUPP where the
// file system has none.
int open_nameless(int folder, mode_t mode) {
  return openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

// Through /proc, which any caller may use; without it, by the descriptor
// itself, which takes a privilege.
bool link_nameless(int descriptor, int folder, const char* name) {
  char path[32];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", descriptor);
  if (linkat(AT_FDCWD, path, folder, name, AT_SYMLINK_FOLLOW) == 0) return true;
  return errno == ENOENT && linkat(descriptor, "", folder, name, AT_EMPTY_PATH) == 0;
}

// 0, or the error; EOPNOTSUPP where the file system does not allocate.
int allocate(int descriptor, uint64_t length) {
  return posix_fallocate(descriptor, 0, static_cast<off_t>(length));
}

// Integrity records of the content, which the system keeps itself.
bool kept_by_system(const char* name) {
  return std::strcmp(name, "security.ima") == 0 || std::strcmp(name, "security.evm") == 0;
}

bool listed(const char* names, ssize_t length, const char* name) {
  for (const char* entry = names; entry < names + length; entry += std::strlen(entry) + 1)
    if (std::strcmp(entry, name) == 0) return true;
  return false;
}

// Extended attributes, POSIX ACLs and file capabilities among them: the
// replacement gets exactly the old file's. One that it already has with the
// same value (a security label, say) is left alone, so that only real
// changes need privileges.
bool copy_attributes(int from, int to) {
  ssize_t length = flistxattr(from, nullptr, 0);
  if (length < 0) return errno == ENOTSUP;  // a file system without attributes
  if (length == 0 && flistxattr(to, nullptr, 0) == 0) return true;
  constexpr size_t kMost = 65536;  // the longest list and value Linux allows
  const std::unique_ptr<char[]> space(new (std::nothrow) char[4 * kMost]);
  if (space == nullptr) return errno = ENOMEM, false;
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
int open_nameless(int, mode_t) { return errno = EOPNOTSUPP, -1; }
bool link_nameless(int, int, const char*) { return errno = EOPNOTSUPP, false; }
int allocate(int, uint64_t) { return EOPNOTSUPP; }
bool copy_attributes(int, int) { return true; }
#endif

// Names relative to the open folder, or as they stand when it is not open.
int base(const SavePlace& place) { return place.folder >= 0 ? place.folder : AT_FDCWD; }
const char* target_name(const SavePlace& place) {
  return place.path.c_str() + (place.folder >= 0 ? place.leaf : 0);
}
const char* temporary_name(const SavePlace& place) { return place.temporary.c_str() + place.leaf; }

bool refused(int error) { return error == EACCES || error == EPERM || error == EROFS; }

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

}  // namespace

// A symbolic link stays a link: the name that its chain of links ends at is
// the one written, also when nothing stands there yet, as a shell's `>` does.
bool resolve_place(const char* filename, SavePlace& place) {
  std::string& resolved = place.path;
  resolved = filename;
  if (resolved.empty()) return errno = ENOENT, false;
  for (int hops = 0; hops < 40; ++hops) {
    const size_t separator = resolved.find_last_of('/');
    place.leaf = separator == std::string::npos ? 0 : separator + 1;
    char link[PATH_MAX];
    const ssize_t size = readlink(resolved.c_str(), link, sizeof link);
    if (size >= 0) {
      if (static_cast<size_t>(size) == sizeof link) return errno = ENAMETOOLONG, false;
      const std::string next(link, static_cast<size_t>(size));
      resolved = next.starts_with('/') ? next : resolved.substr(0, place.leaf) + next;
      continue;
    }
    if (errno != EINVAL && errno != ENOENT) return false;  // EINVAL: no link; ENOENT: nothing yet
    if (place.leaf == resolved.size()) return errno = EISDIR, false;
    place.temporary = resolved.substr(0, place.leaf) + ".tactus-" + std::to_string(getpid()) + "-";
    place.prefix = place.temporary.size();
    place.temporary.reserve(place.prefix + 16);
    const std::string folder = place.leaf == 0 ? "." : resolved.substr(0, place.leaf);
    place.folder = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    place.folder_error = place.folder < 0 ? errno : 0;
    return true;
  }
  return errno = ELOOP, false;  // a loop of links, or a chain too long to follow
}

void close_folder(SavePlace& place) {
  if (place.folder >= 0) close(place.folder);
  place.folder = -1;
}

int open_existing(const SavePlace& place) {
  return openat(base(place), target_name(place), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
}

bool read_facts(int descriptor, FileFacts& facts) {
  struct stat status {};
  if (fstat(descriptor, &status) != 0) return false;
  facts = {S_ISREG(status.st_mode),
           status.st_nlink == 1,
           static_cast<uint64_t>(status.st_size),
           static_cast<uint32_t>(status.st_mode & 07777),
           status.st_uid,
           status.st_gid};
  return true;
}

int create_file(const SavePlace& place) {
  return openat(base(place), target_name(place), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

uint64_t file_size_limit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
  return limit.rlim_cur;
}

ReplacementResult make_replacement(SavePlace& place, int existing, const FileFacts& old,
                                   Replacement& replacement) {
  // The replacement of a file is private until it has the old file's mode.
  const mode_t mode = existing >= 0 ? 0600 : 0666;
  replacement = {open_nameless(place.folder, mode), false};
  // Exclusively, as another save may be choosing names in the same folder.
  for (int attempt = 0; replacement.descriptor < 0 && attempt < kTemporaryAttempts; ++attempt) {
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EEXIST)
      break;  // EISDIR: a kernel before O_TMPFILE
    name_temporary(place, attempt);
    replacement = {openat(place.folder, temporary_name(place),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode),
                   true};
  }
  if (replacement.descriptor < 0)
    return refused(errno) ? ReplacementResult::kNotAllowed : ReplacementResult::kFailed;
  if (existing < 0 || keep_metadata(replacement.descriptor, existing, old)) return ReplacementResult::kMade;
  close(replacement.descriptor);
  if (replacement.named) unlinkat(place.folder, temporary_name(place), 0);
  return ReplacementResult::kNotAllowed;
}

// The owner first, then the attributes, the permissions last: a change of
// owner may clear the set-user-ID bits and an ACL sets the group bits, which
// the mode then puts right. Only what differs is changed: only root may give
// a file away, and some network file systems refuse even a change to the
// same owner.
bool keep_metadata(int replacement, int existing, const FileFacts& old) {
  FileFacts now;
  if (!read_facts(replacement, now)) return false;
  if (now.owner != old.owner || now.group != old.group) {
    const uid_t owner = now.owner == old.owner ? static_cast<uid_t>(-1) : old.owner;
    const gid_t group = now.group == old.group ? static_cast<gid_t>(-1) : old.group;
    if (fchown(replacement, owner, group) != 0) return false;
  }
  if (!copy_attributes(existing, replacement) || !read_facts(replacement, now)) return false;
  if (now.mode != old.mode && fchmod(replacement, old.mode) != 0) return false;
  // The set-group-ID bit of a group that the caller is not in is dropped
  // without a word.
  if (!read_facts(replacement, now)) return false;
  return now.mode == old.mode || (errno = EPERM, false);
}

bool name_replacement(SavePlace& place, Replacement& replacement) {
  for (int attempt = 0; !replacement.named && attempt < kTemporaryAttempts; ++attempt) {
    name_temporary(place, attempt);
    if (link_nameless(replacement.descriptor, place.folder, temporary_name(place)))
      replacement.named = true;
    else if (errno != EEXIST)
      return false;
  }
  return replacement.named;
}

bool move_into_place(const SavePlace& place, bool) {
  return renameat(place.folder, temporary_name(place), place.folder, target_name(place)) == 0;
}

// Some file systems cannot sync a folder at all (EINVAL): their renames are
// as safe as they get.
bool sync_folder(const SavePlace& place) { return fsync(place.folder) == 0 || errno == EINVAL; }

void remove_temporary(const SavePlace& place) { unlinkat(place.folder, temporary_name(place), 0); }
void remove_target(const SavePlace& place) { unlinkat(base(place), target_name(place), 0); }

bool reserve_room(int descriptor, uint64_t old_size, uint64_t length) {
  const int error = allocate(descriptor, length);
  if (error == 0) return true;
  if (error == ENOSPC || error == EFBIG || error == EDQUOT) return errno = error, false;
  // No allocation here (the file system has none, or the C library's
  // emulation needs to read the file): the growth is written as zeros.
  return length <= old_size ||
         grow_with_zeros(descriptor, static_cast<off_t>(old_size), static_cast<off_t>(length));
}

bool set_length(int descriptor, uint64_t length) {
  return ftruncate(descriptor, static_cast<off_t>(length)) == 0;
}
bool sync_file(int descriptor) { return fsync(descriptor) == 0; }

void restore_mode(int descriptor, const FileFacts& old) {
  FileFacts now;
  if (read_facts(descriptor, now) && now.mode != old.mode) fchmod(descriptor, old.mode);
}

std::FILE* open_stream(int descriptor) { return fdopen(descriptor, "wb"); }
void close_file(int descriptor) { close(descriptor); }

}  // namespace tactus::internal
