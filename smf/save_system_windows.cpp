// A save's system calls on Windows. ReplaceFileW gives the replacement the
// old file's access list, owner, attributes and alternate data streams, so
// there is nothing to copy by hand; a read-only file is refused before a
// replacement is made. There are no symbolic links to follow and no folder
// to open: ReplaceFileW and MoveFileExW act on names.
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <memory>
#include <new>

#include "smf/save_system.h"

namespace tactus::internal {
namespace {

// errno for the Windows errors a save meets.
bool failed_with_last_error() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      errno = EACCES;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      errno = ENOMEM;
      break;
    default:
      errno = EIO;
  }
  return false;
}

// A name in the code page of the narrow file functions, as UTF-16; null
// (errno ENOMEM) when it cannot be converted.
std::unique_ptr<wchar_t[]> wide(const std::string& name) {
  const int length = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
  std::unique_ptr<wchar_t[]> text(length > 0 ? new (std::nothrow) wchar_t[length] : nullptr);
  if (text == nullptr || MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, text.get(), length) == 0) {
    errno = ENOMEM;
    return nullptr;
  }
  return text;
}

HANDLE handle_of(int descriptor) { return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)); }

}  // namespace

bool resolve_place(const char* filename, SavePlace& place) {
  place.path = filename;
  if (place.path.empty()) return errno = ENOENT, false;
  const size_t separator = place.path.find_last_of("/\\:");
  place.leaf = separator == std::string::npos ? 0 : separator + 1;
  if (place.leaf == place.path.size()) return errno = EISDIR, false;
  place.temporary = place.path.substr(0, place.leaf) + ".tactus-" + std::to_string(_getpid()) + "-";
  place.prefix = place.temporary.size();
  place.temporary.reserve(place.prefix + 16);
  place.folder = 0;  // nothing to open: always there
  return true;
}

void close_folder(SavePlace& place) { place.folder = -1; }

// Fails for a read-only file, which is then neither written nor replaced.
int open_existing(const SavePlace& place) { return _open(place.path.c_str(), _O_WRONLY | _O_BINARY); }

bool read_facts(int descriptor, FileFacts& facts) {
  struct _stat64 status {};
  BY_HANDLE_FILE_INFORMATION information{};
  if (_fstat64(descriptor, &status) != 0) return false;
  const bool regular = (status.st_mode & _S_IFMT) == _S_IFREG;
  if (regular && !GetFileInformationByHandle(handle_of(descriptor), &information))
    return failed_with_last_error();
  facts = {regular, information.nNumberOfLinks == 1, static_cast<uint64_t>(status.st_size), 0, 0, 0};
  return true;
}

int create_file(const SavePlace& place) {
  return _open(place.path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

uint64_t file_size_limit() { return UINT64_MAX; }

ReplacementResult make_replacement(SavePlace& place, int, const FileFacts&, Replacement& replacement) {
  replacement = {-1, true};
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    name_temporary(place, attempt);
    replacement.descriptor =
        _open(place.temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (replacement.descriptor >= 0) return ReplacementResult::kMade;
    if (errno != EEXIST) break;
  }
  return errno == EACCES ? ReplacementResult::kNotAllowed : ReplacementResult::kFailed;
}

bool keep_metadata(int, int, const FileFacts&) { return true; }
bool name_replacement(SavePlace&, Replacement&) { return true; }

// Where the old file has gone meanwhile, or ReplaceFileW removed it but
// could not rename the replacement, the replacement is moved as it is.
bool move_into_place(const SavePlace& place, bool replacing) {
  const std::unique_ptr<wchar_t[]> target = wide(place.path), temporary = wide(place.temporary);
  if (target == nullptr || temporary == nullptr) return false;
  if (replacing &&
      ReplaceFileW(target.get(), temporary.get(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    return true;
  const DWORD error = replacing ? GetLastError() : ERROR_FILE_NOT_FOUND;
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_UNABLE_TO_MOVE_REPLACEMENT)
    return failed_with_last_error();
  return MoveFileExW(temporary.get(), target.get(), MOVEFILE_WRITE_THROUGH) || failed_with_last_error();
}

// The renames are written through by the system.
bool sync_folder(const SavePlace&) { return true; }

void remove_temporary(const SavePlace& place) { _unlink(place.temporary.c_str()); }
void remove_target(const SavePlace& place) { _unlink(place.path.c_str()); }

// Setting the end of file allocates the room on NTFS, or fails for want of it.
bool reserve_room(int descriptor, uint64_t old_size, uint64_t length) {
  return length <= old_size || set_length(descriptor, length);
}

// Moves the end of file, and the file pointer back to the start.
bool set_length(int descriptor, uint64_t length) {
  const HANDLE file = handle_of(descriptor);
  LARGE_INTEGER end;
  LARGE_INTEGER start;
  end.QuadPart = static_cast<LONGLONG>(length);
  start.QuadPart = 0;
  return (SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
          SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) ||
         failed_with_last_error();
}

bool sync_file(int descriptor) { return _commit(descriptor) == 0; }
// Windows files have no set-ID bits.
void restore_mode(int, const FileFacts&) {}
std::FILE* open_stream(int descriptor) { return _fdopen(descriptor, "wb"); }
void close_file(int descriptor) { _close(descriptor); }

}  // namespace tactus::internal
