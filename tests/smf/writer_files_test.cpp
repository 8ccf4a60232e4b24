// What a save does to the file system: a refused or failed save keeps the
// old file and leaves nothing behind; a complete one replaces the old file
// whole, keeping its permissions and the links that lead to it.
#include "tests/smf/smf_test.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tuple>
#endif

namespace tactus::test {
namespace {

namespace fs = std::filesystem;
const Bytes kOld = {'o', 'l', 'd'};

SequencePtr small_sequence() {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  note_pair_new(sequence_add_track(sequence.get()), 0, 480, 0, 60, 100, 0);
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
  void (*damages[])(Sequence*) = {
      [](Sequence* s) { note_on_new(sequence_get_first_track(s), -1, 0, 60, 100); },
      [](Sequence* s) { note_on_new(sequence_get_first_track(s), 480 + (1 << 28), 0, 60, 0); },
      [](Sequence* s) { track_set_end_tick(sequence_add_track(s), 1 << 28); },
      [](Sequence* s) { track_set_end_tick(sequence_add_track(s), -10); },
      [](Sequence* s) { sequence_set_division_type(s, -1); },
      [](Sequence* s) { sequence_set_division_type(s, 5); },
      [](Sequence*) {}};
  SequencePtr sequence = small_sequence();
  for (int i = 0; i < 0xFFFF; ++i) sequence_add_track(sequence.get());
  expect_refused(sequence.get());  // more tracks than the header can count
  track_free(sequence_get_last_track(sequence.get()));
  EXPECT_EQ(saved_bytes(sequence.get()).size(), 14u + 21u + 0xFFFEu * 12u);
  for (auto damage : damages) {
    damage((sequence = small_sequence()).get());
    expect_refused(damage == damages[6] ? nullptr : sequence.get());
  }
  EXPECT_EQ(sequence_save(sequence.get(), nullptr), -1);
  EXPECT_EQ(sequence_save(sequence.get(), TempFile::unique_path("no/such.mid").c_str()), -1);
  EXPECT_EQ(sequence_save(sequence.get(), fs::temp_directory_path().string().c_str()), -1);
}

#ifndef _WIN32
// The new file is written beside the old one under a temporary name that no
// file there has yet, then renamed over it, with the old file's mode, owner
// and group; a symbolic link stays a link.
TEST(WriterReplacement, TheOldFileIsReplacedWholeWithItsModeOwnerAndLinks) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  const Bytes expected = saved_bytes(sequence.get());
  const std::string taken = ".tactus-" + std::to_string(getpid()) + "-0.tmp";
  write_bytes(directory.file(taken), kOld);
  for (fs::perms mode : {fs::perms(0640), fs::perms(0444)}) {
    write_bytes(directory.file("real.mid"), Bytes(10000, 0xAA));  // longer than the new content
    fs::permissions(directory.file("real.mid"), mode);
    EXPECT_TRUE(geteuid() != 0 || chown(directory.file("real.mid").c_str(), 65534, 65534) == 0);
    fs::create_symlink("real.mid", directory.file("link.mid"));
    EXPECT_EQ(sequence_save(sequence.get(), directory.file("link.mid").c_str()), 0);
    EXPECT_TRUE(fs::is_symlink(directory.file("link.mid")));
    EXPECT_EQ(fs::status(directory.file("real.mid")).permissions(), mode);
    struct stat status {};
    EXPECT_EQ(stat(directory.file("real.mid").c_str(), &status), 0);
    EXPECT_TRUE(geteuid() != 0 || status.st_uid + status.st_gid == 2 * 65534u);
    EXPECT_EQ(read_file(directory.file("real.mid")), expected);
    EXPECT_EQ(directory.entries(), (std::set<std::string>{taken, "link.mid", "real.mid"}));
    fs::remove(directory.file("link.mid")), fs::remove(directory.file("real.mid"));
  }
  EXPECT_EQ(read_file(directory.file(taken)), kOld);
}

// A save by the user nobody in a child process, from root; the exit status
// carries its result.
int save_as_nobody(Sequence* sequence, const std::string& path) {
  const pid_t child = fork();
  if (child == 0)
    _exit(setgid(65534) == 0 && setuid(65534) == 0 && sequence_save(sequence, path.c_str()) == 0 ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

// Replacing these would cut a file off its other names, hand it to another
// owner, or fail for want of a writable folder: they are written in place.
TEST(WriterReplacement, FilesThatCannotBeReplacedAreWrittenInPlace) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  const std::string path = directory.file("song.mid");
  write_bytes(path, kOld);
  fs::create_hard_link(path, directory.file("other-name.mid"));
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  EXPECT_EQ(read_file(directory.file("other-name.mid")), saved_bytes(sequence.get()));
  fs::remove(directory.file("other-name.mid"));
  if (geteuid() != 0) GTEST_SKIP() << "other users need root";
  // Nobody may write root's file of mode 0666 but not give a new file to
  // root, and in a folder of mode 0755 may create no file at all.
  fs::permissions(path, fs::perms(0666));
  for (const fs::perms folder : {fs::perms(0777), fs::perms(0755)}) {
    fs::permissions(directory.file(""), folder);
    write_bytes(path, kOld);
    EXPECT_EQ(save_as_nobody(sequence.get(), path), 0);
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status) + status.st_uid, 0u);
    EXPECT_EQ(read_file(path), saved_bytes(sequence.get()));
    EXPECT_EQ(directory.entries(), std::set<std::string>{"song.mid"});
  }
}

// A file size limit makes writes into a regular file fail part way; a full
// device fails at its first write. Devices are written in place.
TEST(WriterFailures, AFailedWriteKeepsTheOldFileAndOthersAreWrittenInPlace) {
  ScratchDirectory directory;
  write_bytes(directory.file("song.mid"), kOld);
  SequencePtr sequence = small_sequence();
  for (int32_t tick = 0; tick < 100000; ++tick)
    control_change_new(sequence_get_first_track(sequence.get()), tick, 0, 1, 0);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  const rlimit limit{4096, old_limit.rlim_max};
  auto* old_handler = signal(SIGXFSZ, SIG_IGN);
  EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  EXPECT_EQ(sequence_save(sequence.get(), directory.file("song.mid").c_str()), -1);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
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
