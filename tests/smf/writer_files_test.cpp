// What a save does to the file system: a refused or failed save keeps the
// old file and leaves nothing behind; a complete one replaces the old file
// whole, keeping its permissions and the links that lead to it.
#include "tests/smf/smf_test.h"

#ifdef __linux__
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <tuple>
#endif

namespace tactus::test {
#ifdef __linux__
std::vector<ino_t> synced_files;
#endif
namespace {

namespace fs = std::filesystem;
const Bytes kOld = {'o', 'l', 'd'};

// A note, then as many control changes.
SequencePtr small_sequence(int32_t controls = 0) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  note_pair_new(sequence_add_track(sequence.get()), 0, 480, 0, 60, 100, 0);
  for (int32_t tick = 0; tick < controls; ++tick)
    control_change_new(sequence_get_first_track(sequence.get()), tick, 0, 1, 0);
  return sequence;
}

// A save that must fail: -1, the old file byte for byte, nothing else left.
void expect_refused(Sequence* sequence) {
  ScratchDirectory directory;
  write_bytes(directory.file("old.mid"), kOld);
  EXPECT_EQ(sequence_save(sequence, directory.file("old.mid").c_str()), -1);
  EXPECT_EQ(sequence_save(sequence, directory.file("new.mid").c_str()), -1);
  EXPECT_EQ(read_file(directory.file("old.mid")), kOld);
  EXPECT_EQ(directory.entries(), std::set<std::string>{"old.mid"});
}

// Values the file cannot hold, and names that cannot be written.
TEST(WriterRefusals, ValuesTheFileCannotHoldWriteNothing) {
  const struct {
    const char* name;
    void (*change)(Sequence*);
  } rows[] = {
      {"negative tick", [](Sequence* s) { note_on_new(sequence_get_first_track(s), -1, 0, 60, 100); }},
      {"delta of 2^28",
       [](Sequence* s) { note_on_new(sequence_get_first_track(s), 480 + (1 << 28), 0, 60, 0); }},
      {"end delta of 2^28", [](Sequence* s) { track_set_end_tick(sequence_add_track(s), 1 << 28); }},
      {"negative end tick", [](Sequence* s) { track_set_end_tick(sequence_add_track(s), -10); }},
      {"division type -1", [](Sequence* s) { sequence_set_division_type(s, -1); }},
      {"division type 5", [](Sequence* s) { sequence_set_division_type(s, 5); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SequencePtr sequence = small_sequence();
    row.change(sequence.get());
    expect_refused(sequence.get());
  }
  expect_refused(nullptr);
  SequencePtr sequence = small_sequence();
  for (int i = 0; i < 0xFFFF; ++i) sequence_add_track(sequence.get());
  expect_refused(sequence.get());  // more tracks than the header can count
  track_free(sequence_get_last_track(sequence.get()));
  EXPECT_EQ(saved_bytes(sequence.get()).size(), 14u + 21u + 0xFFFEu * 12u);
  EXPECT_EQ(sequence_save(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_save(sequence.get(), TempFile::unique_path("no/such.mid").c_str()), -1);
  EXPECT_EQ(sequence_save(sequence.get(), fs::temp_directory_path().string().c_str()), -1);
}

#ifdef __linux__
enum Conditions { kAsIs = 0, kAsNobody = 1, kFullDisk = 2, kNoChown = 4, kNoAttributes = 8 };

// A save in a child process: as the user nobody (when run as root), with a
// file size limit standing in for a full disk, or with changes of owner or
// of extended attributes refused as some network file systems do. The exit
// status carries the result; -2 when the conditions could not be set.
int save_in_child(Sequence* sequence, const std::string& path, int conditions) {
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{4096, 4096};
    const auto refused = [&](int condition, long call) {
      return static_cast<uint32_t>(conditions & condition ? call : -1);
    };
    sock_filter rules[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, refused(kNoChown, SYS_fchown), 3, 0),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, refused(kNoChown, SYS_fchownat), 2, 0),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, refused(kNoAttributes, SYS_fsetxattr), 1, 0),
                           BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
                           BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM)};
    const sock_fprog filter{sizeof rules / sizeof rules[0], rules};
    const bool ready =
        (!(conditions & kFullDisk) ||
         (signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0)) &&
        (!(conditions & (kNoChown | kNoAttributes)) ||
         (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
          prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0)) &&
        (!(conditions & kAsNobody) || geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0));
    _exit(!ready ? 2 : sequence_save(sequence, path.c_str()) == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) < 2 ? -WEXITSTATUS(status) : -2;
}

struct stat status_of(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status;
}

std::string attribute(const std::string& path, const char* name) {
  char value[16] = {};
  return getxattr(path.c_str(), name, value, sizeof value - 1) < 0 ? "none" : value;
}

// The new file is written beside the old one under a temporary name that no
// file there has yet, then renamed over it, with the old file's mode, owner
// and group; a symbolic link stays a link, also to a file not made yet. A
// read-only file is refused, though its folder would take a new file.
TEST(WriterReplacement, TheOldFileIsReplacedWholeWithItsModeOwnerAndLinks) {
  ScratchDirectory directory;
  fs::permissions(directory.file(""), fs::perms(0777));
  SequencePtr sequence = small_sequence();
  const Bytes expected = saved_bytes(sequence.get()), old(10000, 0xAA);  // longer than the new content
  const std::string taken = ".tactus-" + std::to_string(getpid()) + "-0.tmp";
  const std::string real = directory.file("real.mid"), link = directory.file("link.mid");
  write_bytes(directory.file(taken), kOld);
  for (const auto& [mode, result] : {std::pair{fs::perms(0640), 0}, std::pair{fs::perms(0444), -1}}) {
    write_bytes(real, old);
    fs::permissions(real, mode);
    EXPECT_TRUE(geteuid() != 0 || chown(real.c_str(), 65534, 65534) == 0);
    fs::create_symlink("real.mid", link);
    const ino_t before = status_of(real).st_ino;
    // Root, who may write anything, saves the writable file; its owner the read-only one.
    EXPECT_EQ(result == 0 ? sequence_save(sequence.get(), link.c_str())
                          : save_in_child(sequence.get(), link, kAsNobody),
              result);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(real).permissions(), mode);
    EXPECT_EQ(status_of(real).st_ino != before, result == 0);
    EXPECT_TRUE(geteuid() != 0 || status_of(real).st_uid == 65534u);
    EXPECT_TRUE(geteuid() != 0 || status_of(real).st_gid == 65534u);
    EXPECT_EQ(read_file(real), result == 0 ? expected : old);
    EXPECT_EQ(directory.entries(), (std::set<std::string>{taken, "link.mid", "real.mid"}));
    fs::remove(link), fs::remove(real);
  }
  EXPECT_EQ(read_file(directory.file(taken)), kOld);
  fs::create_symlink("later.mid", link);
  EXPECT_EQ(sequence_save(sequence.get(), link.c_str()), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(read_file(directory.file("later.mid")), expected);
}

// A replacement gets the old file's extended attributes, changes the owner
// only where it differs (some network file systems refuse even a change to
// the same owner), and is on disk, its folder synced, when the save returns.
TEST(WriterReplacement, AReplacementKeepsAttributesAndSyncsItsFolder) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  const std::string path = directory.file("song.mid");
  synced_files.clear();
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  for (const std::string& name : {path, directory.file("")})
    EXPECT_NE(std::find(synced_files.begin(), synced_files.end(), status_of(name).st_ino), synced_files.end())
        << name;
  for (const bool with_attributes : {false, true}) {
    if (with_attributes && (setxattr(path.c_str(), "user.one", "1", 1, 0) != 0 ||
                            setxattr(path.c_str(), "user.two", "2", 1, 0) != 0))
      GTEST_SKIP() << "no attributes";
    const ino_t before = status_of(path).st_ino;
    EXPECT_EQ(save_in_child(sequence.get(), path, kNoChown), 0);
    EXPECT_NE(status_of(path).st_ino, before);  // replaced, not written in place
  }
  EXPECT_EQ(attribute(path, "user.one"), "1");
  EXPECT_EQ(attribute(path, "user.two"), "2");
}

// Replacing these would cut a file off its other names, hand it to another
// owner, fail for want of a writable folder or lose its attributes: they are
// written in place, after room is made for the whole new content, so that
// a full disk refuses the save with the old content whole; old content that
// is longer is cut off after the new.
TEST(WriterReplacement, FilesThatCannotBeReplacedAreWrittenInPlace) {
  ScratchDirectory directory;
  SequencePtr small = small_sequence(), big = small_sequence(2000);
  const std::string path = directory.file("song.mid");
  for (const auto& [name, folder, linked, as] :
       {std::tuple{"hard link", fs::perms(0755), true, kAsIs},
        std::tuple{"other owner", fs::perms(0777), false, kAsNobody},
        std::tuple{"closed folder", fs::perms(0755), false, kAsNobody},
        std::tuple{"attributes refused", fs::perms(0755), false, kNoAttributes}}) {
    if (as == kAsNobody && geteuid() != 0) continue;  // other users need root
    fs::permissions(directory.file(""), folder);
    write_bytes(path, Bytes(10000, 0xAA));
    fs::permissions(path, fs::perms(0666));
    if (setxattr(path.c_str(), "user.one", "1", 1, 0) != 0 && as == kNoAttributes) continue;
    if (linked) fs::create_hard_link(path, directory.file("other-name.mid"));
    const ino_t before = status_of(path).st_ino;
    EXPECT_EQ(save_in_child(big.get(), path, as | kFullDisk), -1) << name;
    EXPECT_EQ(read_file(path), Bytes(10000, 0xAA)) << name;
    EXPECT_EQ(save_in_child(small.get(), path, as), 0) << name;
    EXPECT_EQ(read_file(path), saved_bytes(small.get())) << name;
    const struct stat after = status_of(path);
    EXPECT_EQ(after.st_ino, before) << name;
    EXPECT_EQ(after.st_uid, geteuid()) << name;
    EXPECT_EQ(after.st_nlink, linked ? 2u : 1u) << name;
    EXPECT_EQ(directory.entries().size(), after.st_nlink) << name;
    fs::remove(directory.file("other-name.mid"));
  }
}

// Writes into a replacement fail part way under the file size limit; a full
// device fails at its first write. Devices are written in place.
TEST(WriterFailures, AFailedWriteKeepsTheOldFileAndOthersAreWrittenInPlace) {
  ScratchDirectory directory;
  write_bytes(directory.file("song.mid"), kOld);
  SequencePtr sequence = small_sequence(2000);
  EXPECT_EQ(save_in_child(sequence.get(), directory.file("song.mid"), kFullDisk), -1);
  EXPECT_EQ(read_file(directory.file("song.mid")), kOld);
  EXPECT_EQ(directory.entries(), std::set<std::string>{"song.mid"});
  // Run as root, a faulty save could replace the machine's own devices:
  // root saves to nodes of its own.
  for (const auto& [name, minor, result] : {std::tuple{"full", 7u, -1}, std::tuple{"null", 3u, 0}}) {
    std::string path = "/dev/" + std::string(name);
    if (geteuid() == 0 &&
        mknod((path = directory.file(name)).c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0)
      GTEST_SKIP() << "cannot make a device node";
    EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), result) << name;
    EXPECT_TRUE(fs::is_character_file(path)) << name;
  }
}
#endif

}  // namespace
}  // namespace tactus::test

#ifdef __linux__
// Every file and folder a save syncs, seen by standing in for the C
// library's fsync.
extern "C" int fsync(int descriptor) {
  struct stat status {};
  if (fstat(descriptor, &status) == 0) tactus::test::synced_files.push_back(status.st_ino);
  return static_cast<int>(syscall(SYS_fsync, descriptor));
}
#endif
