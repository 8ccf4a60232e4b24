// The file system calls a save makes, one implementation per system:
// save_system_posix.cpp and save_system_windows.cpp. The choices between
// them are made in file_output.cpp. Every call that fails leaves errno set
// to its cause; none throws but resolve_place.
#ifndef TACTUS_SMF_SAVE_SYSTEM_H
#define TACTUS_SMF_SAVE_SYSTEM_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace tactus::internal {

// Where a saved file goes. Descriptors are the C library's on both systems.
struct SavePlace {
  std::string path;       // the name the file has or gets, its links followed
  size_t leaf = 0;        // where its last part begins
  std::string temporary;  // a name beside it for a replacement; see name_temporary
  size_t prefix = 0;      // the part of `temporary` that stays the same
  int folder = -1;        // the folder, open for syncing and for names relative to it
  int folder_error = 0;   // why the folder could not be opened
};

// What stands under the name.
struct FileFacts {
  bool regular = false;
  bool single_name = false;  // one hard link only
  uint64_t size = 0;
  uint32_t mode = 0, owner = 0, group = 0;
};

// A replacement being made: its descriptor, and whether it has a name yet.
struct Replacement {
  int descriptor = -1;
  bool named = false;  // under place.temporary; else it has no name
};

enum class ReplacementResult { kMade, kNotAllowed, kFailed };

// Follows the symbolic links of the last part of `filename` to the name they
// end at (whether or not a file stands there), prepares the temporary names
// and opens the folder (or leaves place.folder -1, place.folder_error set).
// False for an empty name, a loop of links, one too long, or a name ending
// in a separator.
// May throw std::bad_alloc before the folder is opened.
bool resolve_place(const char* filename, SavePlace& place);
void close_folder(SavePlace& place);

// The existing file, for writing, not truncated, never through a link:
// opening it asks the system for the access the caller really has. -1 with
// ENOENT when nothing stands there.
int open_existing(const SavePlace& place);
bool read_facts(int descriptor, FileFacts& facts);
// A new file under the name itself, which must not exist yet.
int create_file(const SavePlace& place);
// The largest file the process may write; UINT64_MAX for no limit.
uint64_t file_size_limit();

// A new file beside the target, needing place.folder. Given an existing
// file, it is tried with that file's owner, group, attributes and mode:
// kNotAllowed when the folder takes no new file from the caller or those
// cannot be kept.
ReplacementResult make_replacement(SavePlace& place, int existing, const FileFacts& old,
                                   Replacement& replacement);
// The old file's owner, group, attributes and mode onto the replacement,
// once its data is written (which may clear set-ID bits and capabilities).
bool keep_metadata(int replacement, int existing, const FileFacts& old);
// Gives a replacement without a name its temporary name; its descriptor
// stays open until then.
bool name_replacement(SavePlace& place, Replacement& replacement);
// Puts the closed, named replacement under the target's name.
bool move_into_place(const SavePlace& place, bool replacing);
bool sync_folder(const SavePlace& place);
// Removes the named replacement, or the file made by create_file.
void remove_temporary(const SavePlace& place);
void remove_target(const SavePlace& place);

// Room for `length` bytes in a file of `old_size`, without touching a byte
// of it, so that a full disk or a quota refuses before anything is written.
bool reserve_room(int descriptor, uint64_t old_size, uint64_t length);
// Moves the end of the file to `length`, before writing or after it.
bool set_length(int descriptor, uint64_t length);
bool sync_file(int descriptor);
// Set-ID bits that writing in place cleared, where the caller may set them.
void restore_mode(int descriptor, const FileFacts& old);
std::FILE* open_stream(int descriptor);
void close_file(int descriptor);

// Writes the attempt's number into place.temporary after the prefix, which
// resolve_place made with room for it: nothing is allocated.
void name_temporary(SavePlace& place, int attempt);
inline constexpr int kTemporaryAttempts = 100;

}  // namespace tactus::internal

#endif
