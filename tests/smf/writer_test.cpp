// The writer's exact bytes, and what a save does to the file system.
#include "smf/writer.h"

#include <set>

#include "support/guard_table.h"
#include "tests/smf/smf_test.h"

#ifdef __linux__
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <tuple>
#include <utility>

// The files and folders a save syncs, seen through the C library's fsync; a folder's fails if told to.
std::set<ino_t> synced_files;
int folder_sync_error = 0;
extern "C" int fsync(int descriptor) {
  struct stat status {};
  if (fstat(descriptor, &status) == 0) synced_files.insert(status.st_ino);
  if (folder_sync_error != 0 && S_ISDIR(status.st_mode)) return errno = folder_sync_error, -1;
  return static_cast<int>(syscall(SYS_fsync, descriptor));
}

// A symbolic link that is turned to "other.mid" once the C library's readlink has read it.
std::string link_to_turn;
extern "C" ssize_t readlink(const char* path, char* buffer, size_t size) {
  const auto length = static_cast<ssize_t>(syscall(SYS_readlinkat, AT_FDCWD, path, buffer, size));
  if (!link_to_turn.empty() && path == link_to_turn && std::filesystem::remove(path))
    std::filesystem::create_symlink("other.mid", std::exchange(link_to_turn, ""));
  return length;
}
#endif

namespace tactus::test {
namespace {

namespace fs = std::filesystem;
const Bytes kOld = {'o', 'l', 'd'};

class ScratchDirectory {
 public:
  ScratchDirectory() { fs::create_directory(path_); }
  ~ScratchDirectory() { fs::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) names.insert(entry.path().filename().string());
    return names;
  }

 private:
  fs::path path_{TempFile::unique_path("dir")};
};

SequencePtr small_sequence(int32_t controls = 0) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  note_pair_new(sequence_add_track(sequence.get()), 0, 480, 0, 60, 100, 0);
  for (int32_t tick = 0; tick < controls; ++tick)
    control_change_new(sequence_get_first_track(sequence.get()), tick, 0, 1, 0);
  return sequence;
}

// A file in the writer's own form (every status written, delta times and
// lengths in their shortest form), loaded and saved, comes back as it was. A
// sysex of 2^23 bytes has a length of four bytes, its chunk over 8 MiB.
TEST(WriterBytes, EachEventAsTheFileHoldsIt) {
  const MidiBytes events = MidiBytes({0, 0x90, 60, 100, 0, 0x90, 64, 100, 0x7F, 0xEF, 0x34, 0x24})
                               .bytes({0x81, 0x00, 0xF0, 2, 0x7E, 0xF7, 0x81, 0x80, 0x00, 0xF7, 1, 0x43})
                               .bytes({0x81, 0x80, 0x80, 0x00, 0xFF, 0x01, 0x81, 0x00})
                               .fill(128, 0x55)
                               .bytes({0, 0xF7, 0x84, 0x80, 0x80, 0x00})
                               .fill(1 << 23, 0x55)
                               .bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 1, 0x81, 0x00, 0xFF, 0x2F, 0});
  const MidiBytes file = MidiBytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0})
                             .track(events)
                             .track({7, 0x99, 36, 100, 0, 0xFF, 0x2F, 0});
  EXPECT_EQ(saved_bytes(load(file).get()), file.data());
}

#define SAVE_ERROR(save) (errno = 0, (save) == 0 ? 0 : errno == 0 ? ENOMSG : errno)  // ENOMSG: errno unset

// Values the file cannot hold and names that cannot be written: -1 with errno set, and the old file byte for
// byte, nothing else left.
TEST(WriterRefusals, ValuesTheFileCannotHoldWriteNothing) {
  ScratchDirectory directory;
  const std::string old_file = directory.file("old.mid");
  write_bytes(old_file, kOld);
  const auto save_changed = [&](void (*change)(Sequence*)) {
    SequencePtr sequence = small_sequence();
    change(sequence.get());
    return SAVE_ERROR(sequence_save(sequence.get(), old_file.c_str()));
  };
  const SequencePtr small = small_sequence();
  SequencePtr most = small_sequence();
  for (int i = 1; i < 0xFFFF; ++i) sequence_add_track(most.get());
  EXPECT_EQ(saved_bytes(most.get()).size(), 14u + 21u + 0xFFFEu * 12u);
  sequence_add_track(most.get());  // one more than the header counts
  expect_guards({
      GUARD(save_changed([](Sequence* s) { note_on_new(sequence_get_first_track(s), -1, 0, 60, 1); }),
            EINVAL),
      GUARD(save_changed(
                [](Sequence* s) { note_on_new(sequence_get_first_track(s), 480 + (1 << 28), 0, 60, 0); }),
            EINVAL),
      GUARD(save_changed([](Sequence* s) { track_set_end_tick(sequence_add_track(s), 1 << 28); }), EINVAL),
      GUARD(save_changed([](Sequence* s) { track_set_end_tick(sequence_add_track(s), -10); }), EINVAL),
      GUARD(save_changed([](Sequence* s) { sequence_set_division_type(s, -1); }), EINVAL),
      GUARD(save_changed([](Sequence* s) { sequence_set_division_type(s, 5); }), EINVAL),
      GUARD(SAVE_ERROR(sequence_save(most.get(), old_file.c_str())), EINVAL),
      GUARD(SAVE_ERROR(sequence_save(nullptr, old_file.c_str())), EINVAL),
      GUARD(SAVE_ERROR(sequence_save(most.get(), nullptr)), EINVAL),
      GUARD(SAVE_ERROR(sequence_save(small.get(), TempFile::unique_path("no/such.mid").c_str())), ENOENT),
      GUARD(SAVE_ERROR(sequence_save(small.get(), fs::temp_directory_path().string().c_str())), EISDIR),
  });
  EXPECT_EQ(read_file(old_file), kOld);
  EXPECT_EQ(directory.entries(), std::set<std::string>{"old.mid"});
}

#ifdef __linux__
enum Conditions { kAsIs = 0, kAsNobody = 1, kFullDisk = 2, kNoChanges = 4 };
enum Link { kNone, kSymbolic, kHard };

using internal::SaveMethod;

// How the last save_as wrote its file, shared with the children that save.
SaveMethod& saved_by = *static_cast<SaveMethod*>(
    mmap(nullptr, sizeof(SaveMethod), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));

// SAVE_ERROR of a save here, or in a child as nobody (if root), with a file size limit, or refused changes of
// owner and attributes and no files without a name (as on some file systems); -2 if these failed.
int save_as(Sequence* sequence, const std::string& path, int conditions) {
  const auto save = [&] { return SAVE_ERROR(internal::save_sequence(sequence, path.c_str(), saved_by)); };
  if (conditions == kAsIs) return save();
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{4096, 4096};
    sock_filter rules[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fchown, 6, 0),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fchownat, 5, 0),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fsetxattr, 4, 0),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 2),
                           BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),  // low half
                           BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 2, 0),
                           BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
                           BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
                           BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP)};
    const sock_fprog filter{sizeof rules / sizeof rules[0], rules};
    const bool ready =
        (!(conditions & kFullDisk) || setrlimit(RLIMIT_FSIZE, &limit) == 0) &&
        (!(conditions & kNoChanges) || (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
                                        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0)) &&
        (!(conditions & kAsNobody) || geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0));
    _exit(!ready ? 255 : save());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -2;
}

struct stat status_of(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status;
}

std::string attributes(const std::string& path) {  // the values of user.one and user.two
  char values[2][16] = {};
  for (int i = 0; i < 2; ++i) getxattr(path.c_str(), i == 0 ? "user.one" : "user.two", values[i], 15);
  return std::string(values[0]) + "," + values[1];
}

const struct ReplacementRow {
  const char* name;
  int folder, mode;  // permissions
  bool nobody_owns;  // the old file, with nobody's group; else the caller owns it
  Link link;         // through which the save goes, if any
  bool attributes;   // two on the old file
  int as, error;
  SaveMethod method;
} kReplacementRows[] = {
    {"changes of owner refused", 0755, 0644, false, kNone, false, kNoChanges, 0, SaveMethod::kReplace},
    {"hard link", 0755, 0666, false, kHard, true, kAsIs, 0, SaveMethod::kInPlace},
    {"attributes not kept", 0755, 0666, false, kNone, true, kNoChanges, 0, SaveMethod::kInPlace},
    {"another's file", 0777, 0640, true, kSymbolic, true, kAsIs, 0, SaveMethod::kReplace},
    {"set-ID bits", 0777, 06775, true, kNone, false, kAsNobody, 0, SaveMethod::kReplace},
    {"read-only file", 0777, 0444, true, kSymbolic, true, kAsNobody, EACCES, SaveMethod::kRefused},
    {"owner not the caller", 0777, 0666, false, kNone, true, kAsNobody, 0, SaveMethod::kInPlace},
    {"closed folder", 0755, 06775, true, kNone, true, kAsNobody, 0, SaveMethod::kInPlace},
};

// A save keeps the old file's mode, owner, group, attributes and names, and one past the file size limit
// changes nothing. It replaces the file by one made beside it, unless that would cut the file off its other
// names, owner or attributes, or the folder is closed. The rows that act as another user need root.
void check_replacement_rows(bool as_another_user) {
  SequencePtr small = small_sequence(), big = small_sequence(2000);  // big: past the size limit
  const Bytes old(10000, 0xAA);
  for (const auto& row : kReplacementRows) {
    if ((row.nobody_owns || (row.as & kAsNobody)) != as_another_user) continue;
    SCOPED_TRACE(row.name);
    ScratchDirectory directory;
    const std::string path = directory.file("song.mid"), link = directory.file("link.mid"),
                      target = row.link == kSymbolic ? link : path;
    for (int taken = 0; taken < 99; ++taken)  // of the 100 names a save here tries
      write_bytes(
          directory.file(".tactus-" + std::to_string(getpid()) + "-" + std::to_string(taken) + ".tmp"), kOld);
    write_bytes(path, old);
    EXPECT_TRUE(!row.nobody_owns || chown(path.c_str(), 65534, 65534) == 0);
    fs::permissions(path, fs::perms(row.mode));
    for (const char* name : {"user.one", "user.two"})
      if (row.attributes) setxattr(path.c_str(), name, name + 5, 3, 0);
    if (row.link == kSymbolic) fs::create_symlink("song.mid", link);
    if (row.link == kHard) fs::create_hard_link(path, link);
    fs::permissions(directory.file(""), fs::perms(row.folder));
    const struct stat before = status_of(path);
    const std::set<std::string> entries = directory.entries();
    const std::string attributes_before = attributes(path);
    EXPECT_EQ(save_as(big.get(), target, row.as | kFullDisk), row.error == 0 ? EFBIG : row.error);
    EXPECT_EQ(saved_by, SaveMethod::kRefused);  // before the first byte
    EXPECT_EQ(read_file(path), old);
    synced_files.clear();
    EXPECT_EQ(save_as(small.get(), target, row.as), row.error);
    EXPECT_EQ(saved_by, row.method);
    EXPECT_EQ(read_file(path), row.error == 0 ? saved_bytes(small.get()) : old);
    const struct stat after = status_of(path);
    EXPECT_EQ(after.st_ino != before.st_ino, row.method == SaveMethod::kReplace);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(attributes(path), attributes_before);
    EXPECT_EQ(directory.entries(), entries);
    EXPECT_TRUE(row.as != kAsIs || synced_files.count(after.st_ino));  // a save here is seen syncing
    EXPECT_TRUE(row.as != kAsIs || row.method != SaveMethod::kReplace ||
                synced_files.count(status_of(directory.file("")).st_ino));
  }
}

TEST(WriterReplacement, ASaveKeepsWhatTheOldFileWas) {
  check_replacement_rows(false);
  // A symbolic link to no file yet stays a link: the file is made. Turned to another file while the save
  // follows it, the save acts on the file that it named; a folder sync that fails after the rename is told in
  // errno, the save made.
  ScratchDirectory directory;
  const std::string link = directory.file("link.mid"), later = directory.file("later.mid");
  fs::create_symlink("later.mid", link);
  SequencePtr small = small_sequence(), other = small_sequence(3);
  write_bytes(directory.file("other.mid"), kOld);
  EXPECT_EQ(save_as(small.get(), link, kAsIs), 0);
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(read_file(later), saved_bytes(small.get()));
  EXPECT_EQ(status_of(later).st_mode, status_of(directory.file("other.mid")).st_mode);  // as new files have
  fs::permissions(later, fs::perms(0640));
  link_to_turn = link;
  folder_sync_error = EIO;
  EXPECT_EQ(save_as(other.get(), link, kAsIs), 0);
  EXPECT_EQ(errno, EIO);
  folder_sync_error = 0;
  EXPECT_EQ(read_file(later), saved_bytes(other.get()));
  EXPECT_EQ(status_of(later).st_mode & 0777, 0640u);
  EXPECT_EQ(read_file(directory.file("other.mid")), kOld);
  EXPECT_EQ(directory.entries(), (std::set<std::string>{"link.mid", "later.mid", "other.mid"}));
}

TEST(WriterReplacement, ASaveAsAnotherUserKeepsWhatTheOldFileWas) {
  if (geteuid() != 0) GTEST_SKIP() << "acting as another user, and giving files to one, needs root";
  check_replacement_rows(true);
  // A new file in a folder that can be written but not opened is made under
  // its own name, and removed again when the save fails.
  SequencePtr small = small_sequence(), big = small_sequence(2000);
  ScratchDirectory drop_box;
  fs::permissions(drop_box.file(""), fs::perms(0733));
  EXPECT_EQ(save_as(big.get(), drop_box.file("new.mid"), kAsNobody | kFullDisk), EFBIG);
  EXPECT_EQ(drop_box.entries(), std::set<std::string>{});
  EXPECT_EQ(save_as(small.get(), drop_box.file("new.mid"), kAsNobody), 0);
  EXPECT_EQ(saved_by, SaveMethod::kCreate);
  EXPECT_EQ(read_file(drop_box.file("new.mid")), saved_bytes(small.get()));
}

// On a small RAM disk of the test's own, full: a save that needs more room than is left fails with the old
// file whole, replacing it or writing in place; in place, a file may grow into the room there is. Devices of
// the disk's own are written in place, so that a faulty save cannot replace the machine's.
TEST(WriterFailures, AFullDiskRefusesTheSaveAndKeepsTheOldFile) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a RAM disk needs root";
  ScratchDirectory directory;
  const std::string disk = directory.file("");
  if (mount("tactus-test", disk.c_str(), "tmpfs", 0, "size=128k") != 0) GTEST_SKIP() << "cannot mount one";
  const auto detach = [](const char* path) { umount2(path, MNT_DETACH); };
  const std::unique_ptr<const char, decltype(detach)> unmount(disk.c_str(), detach);
  const std::string path = directory.file("song.mid"), filler = directory.file("filler");
  const Bytes old(40000, 0xAA);
  write_bytes(path, old);
  write_bytes(filler, Bytes(128 * 1024, 0x55));  // as much as fits
  SequencePtr big = small_sequence(15000);       // 60 KB
  for (const Link link : {kNone, kHard}) {       // replaced, then in place
    if (link == kHard) fs::create_hard_link(path, directory.file("link.mid"));
    const std::set<std::string> entries = directory.entries();
    EXPECT_EQ(save_as(big.get(), path, kAsIs), ENOSPC);
    EXPECT_EQ(read_file(path), old);
    EXPECT_EQ(directory.entries(), entries);
  }
  fs::remove(filler);
  EXPECT_EQ(save_as(big.get(), path, kAsIs), 0);
  EXPECT_EQ(read_file(directory.file("link.mid")), saved_bytes(big.get()));
  for (const auto& [name, minor, error] : {std::tuple{"full", 7u, ENOSPC}, std::tuple{"null", 3u, 0}}) {
    if (mknod(directory.file(name).c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0)
      GTEST_SKIP() << "cannot make a device node";
    EXPECT_EQ(save_as(big.get(), directory.file(name), kAsIs), error) << name;
    EXPECT_TRUE(fs::is_character_file(directory.file(name))) << name;
  }
}
#endif

}  // namespace
}  // namespace tactus::test
