// What a save does to the file system: refusals that write nothing, write
// failures that are reported, and replacement of an existing file only by a
// complete new one.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "model/records.h"
#include "tactus/model.h"
#include "tactus/smf.h"
#include "tests/smf/writer_scratch.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif
#endif

namespace tactus::test {
namespace {

namespace fs = std::filesystem;

const Bytes kOldContent = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

SequencePtr small_sequence() {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  Track* track = sequence_add_track(sequence.get());
  tempo_new(track, 0, 100.0f);
  note_pair_new(track, 0, 480, 0, 60, 100, 0);
  return sequence;
}

// A save that must fail: -1, the old file byte for byte, nothing else left.
void expect_refused_and_old_file_kept(Sequence* sequence) {
  ScratchDirectory directory;
  const std::string existing = directory.file("existing.mid");
  write_file(existing, kOldContent);
  EXPECT_EQ(sequence_save(sequence, existing.c_str()), -1);
  EXPECT_EQ(read_file(existing), kOldContent);
  const std::string fresh = directory.file("fresh.mid");
  EXPECT_EQ(sequence_save(sequence, fresh.c_str()), -1);
  EXPECT_EQ(directory.entries(), std::set<std::string>{"existing.mid"});
}

TEST(WriterRefusals, NullSequenceOrFileName) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  EXPECT_EQ(sequence_save(nullptr, directory.file("a.mid").c_str()), -1);
  EXPECT_EQ(sequence_save(sequence.get(), nullptr), -1);
  EXPECT_TRUE(directory.entries().empty());
}

// Values the file cannot hold. A count or length of 2^28 would take a 256 MB
// buffer; the record's count is raised instead, which the writer must refuse
// before reading the bytes (and is put back before the sequence is freed).
TEST(WriterRefusals, ValuesTheFileCannotHold) {
  const struct {
    const char* what;
    void (*damage)(Sequence*);
  } cases[] = {
      {"negative tick", [](Sequence* s) { note_on_new(sequence_get_first_track(s), -1, 0, 60, 100); }},
      {"delta time of 2^28",
       [](Sequence* s) {
         Track* track = sequence_add_track(s);
         note_on_new(track, 5, 0, 60, 100);
         note_on_new(track, 5 + (1 << 28), 0, 60, 0);
       }},
      {"delta to the end tick of 2^28",
       [](Sequence* s) { track_set_end_tick(sequence_add_track(s), 1 << 28); }},
      {"negative end tick of an empty track",
       [](Sequence* s) { track_set_end_tick(sequence_add_track(s), -10); }},
      {"division type -1", [](Sequence* s) { sequence_set_division_type(s, -1); }},
      {"division type 5", [](Sequence* s) { sequence_set_division_type(s, 5); }},
      {"division type 99", [](Sequence* s) { sequence_set_division_type(s, 99); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SequencePtr sequence = small_sequence();
    c.damage(sequence.get());
    expect_refused_and_old_file_kept(sequence.get());
  }
  SequencePtr sequence = small_sequence();
  Track* track = sequence_get_first_track(sequence.get());
  const unsigned char bytes[] = {0xF0, 0x01, 0xF7};
  Event* sysex = sysex_new(track, 10, 3, bytes);
  sysex->word1 = (1 << 28) + 1;  // 2^28 bytes after the status byte
  expect_refused_and_old_file_kept(sequence.get());
  sysex->word1 = 3;
  Event* text = meta_new(track, 10, 0x01, 1, kOldContent.data());
  text->word2 = 1 << 28;
  expect_refused_and_old_file_kept(sequence.get());
  text->word2 = 1;
}

TEST(WriterRefusals, MoreTracksThanTheHeaderCanCount) {
  SequencePtr sequence(sequence_new(1, DIVISION_PPQ, 480));
  for (int i = 0; i < 0x10000; ++i) sequence_add_track(sequence.get());
  expect_refused_and_old_file_kept(sequence.get());
  track_free(sequence_get_last_track(sequence.get()));
  EXPECT_EQ(saved_bytes(sequence.get()).size(), 14u + 0xFFFFu * 12u);
}

TEST(WriterReplacement, NewOrExistingFileEndsUpAloneAndWhole) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  const std::string path = directory.file("song.mid");
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  EXPECT_EQ(directory.entries(), std::set<std::string>{"song.mid"});
  SequencePtr loaded(sequence_load(path.c_str()));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(sequence_get_track_count(loaded.get()), 1);
  write_file(path, Bytes(10000, 0xAA));  // longer than the new content
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  EXPECT_EQ(read_file(path), saved_bytes(sequence.get()));
  EXPECT_EQ(directory.entries(), std::set<std::string>{"song.mid"});
}

TEST(WriterReplacement, DirectoryOrMissingDirectoryAsFileNameFails) {
  ScratchDirectory directory;
  fs::create_directory(directory.file("folder"));
  SequencePtr sequence = small_sequence();
  EXPECT_EQ(sequence_save(sequence.get(), directory.file("folder").c_str()), -1);
  EXPECT_TRUE(fs::is_directory(directory.file("folder")));
  EXPECT_TRUE(fs::is_empty(directory.file("folder")));
  EXPECT_EQ(sequence_save(sequence.get(), directory.file("no/such.mid").c_str()), -1);
  EXPECT_EQ(directory.entries(), std::set<std::string>{"folder"});
}

#ifndef _WIN32

TEST(WriterReplacement, ReplacementKeepsThePermissionBits) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  for (fs::perms mode : {fs::perms(0640), fs::perms(0604), fs::perms(0700), fs::perms(0444)}) {
    const std::string path = directory.file("song.mid");
    write_file(path, kOldContent);
    fs::permissions(path, mode);
    EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
    EXPECT_EQ(fs::status(path).permissions(), mode);
    EXPECT_EQ(read_file(path), saved_bytes(sequence.get()));
    fs::remove(path);
  }
  // A new file gets the mode of any newly created file.
  write_file(directory.file("reference"), kOldContent);
  EXPECT_EQ(sequence_save(sequence.get(), directory.file("new.mid").c_str()), 0);
  EXPECT_EQ(fs::status(directory.file("new.mid")).permissions(),
            fs::status(directory.file("reference")).permissions());
}

// The new file is written beside the old one, under a temporary name that no
// file there has yet; a link stays a link to the replaced file.
TEST(WriterReplacement, LinkAndTakenTemporaryNamesAreKept) {
  ScratchDirectory directory;
  const std::string taken = ".tactus-" + std::to_string(getpid()) + "-0.tmp";
  write_file(directory.file(taken), kOldContent);
  write_file(directory.file("real.mid"), kOldContent);
  fs::create_symlink("real.mid", directory.file("link.mid"));
  SequencePtr sequence = small_sequence();
  EXPECT_EQ(sequence_save(sequence.get(), directory.file("link.mid").c_str()), 0);
  EXPECT_TRUE(fs::is_symlink(directory.file("link.mid")));
  EXPECT_EQ(read_file(directory.file("real.mid")), saved_bytes(sequence.get()));
  EXPECT_EQ(read_file(directory.file(taken)), kOldContent);
  EXPECT_EQ(directory.entries(), (std::set<std::string>{taken, "link.mid", "real.mid"}));
}

// A save run by the user nobody in a child process, from root; the child's
// exit status carries sequence_save's result.
int save_as_nobody(Sequence* sequence, const std::string& path) {
  const pid_t child = fork();
  if (child == 0) {
    const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
    _exit(dropped && sequence_save(sequence, path.c_str()) == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

// Replacing these files would cut other names off, hand the file to another
// owner or fail for want of a writable folder: they are written in place.
TEST(WriterReplacement, LinksOwnersAndLockedFoldersKeepTheFile) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  const Bytes saved = saved_bytes(sequence.get());
  const std::string path = directory.file("song.mid");
  write_file(path, kOldContent);
  fs::create_hard_link(path, directory.file("other-name.mid"));
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  EXPECT_EQ(read_file(directory.file("other-name.mid")), saved);
  EXPECT_EQ(fs::hard_link_count(path), 2u);
  fs::remove(directory.file("other-name.mid"));
  if (geteuid() != 0) GTEST_SKIP() << "owners and other users need root";

  // Root replaces another user's file and gives it back to that user.
  ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  write_file(path, kOldContent);
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 65534u);
  EXPECT_EQ(status.st_gid, 65534u);
  EXPECT_EQ(read_file(path), saved);

  // Nobody may write root's file (mode 0666) but not give a new file to
  // root, and in a folder of mode 0755 may create no file at all.
  ASSERT_EQ(chown(path.c_str(), 0, 0), 0);
  fs::permissions(path, fs::perms(0666));
  for (const fs::perms folder : {fs::perms(0777), fs::perms(0755)}) {
    fs::permissions(directory.path(), folder);
    write_file(path, kOldContent);
    EXPECT_EQ(save_as_nobody(sequence.get(), path), 0);
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 0u);
    EXPECT_EQ(read_file(path), saved);
    EXPECT_EQ(directory.entries(), std::set<std::string>{"song.mid"});
  }
}

// A file size limit makes writes into a regular file fail part way.
TEST(WriterFailures, WriteErrorKeepsTheOldFileAndLeavesNoTemporary) {
  ScratchDirectory directory;
  const std::string path = directory.file("song.mid");
  write_file(path, kOldContent);
  SequencePtr sequence = small_sequence();
  Track* track = sequence_get_first_track(sequence.get());
  for (int32_t tick = 0; tick < 100000; ++tick) control_change_new(track, tick, 0, 1, tick & 0x7F);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit limit = old_limit;
  limit.rlim_cur = 4096;
  auto* old_handler = signal(SIGXFSZ, SIG_IGN);
  EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), -1);
  EXPECT_EQ(sequence_save(sequence.get(), directory.file("fresh.mid").c_str()), -1);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(read_file(path), kOldContent);
  EXPECT_EQ(directory.entries(), std::set<std::string>{"song.mid"});
}
// The device to save to. Run as root, a faulty save could replace the
// machine's own /dev/null or /dev/full, so root gets a node of its own in the
// scratch directory; anyone else uses the real device, beside which they
// cannot create the file that would replace it. Empty if no node is made.
std::string device(const ScratchDirectory& directory, const std::string& name, unsigned minor) {
  if (geteuid() != 0) return "/dev/" + name;
  const std::string path = directory.file(name);
  return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0 ? path : "";
}

TEST(WriterFailures, DevicesAreWrittenInPlaceAndAFullOneReportsTheFailure) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  for (const auto& [name, minor, result] : {std::tuple{"full", 7u, -1}, std::tuple{"null", 3u, 0}}) {
    const std::string path = device(directory, name, minor);
    if (path.empty()) GTEST_SKIP() << "cannot make a device node";
    EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), result) << name;
    EXPECT_TRUE(fs::is_character_file(path)) << name;
  }
}

// The read end is opened first without waiting, so the save finds a reader
// and its few bytes fit the pipe's buffer: nothing blocks, even if the save
// went wrong.
TEST(WriterFailures, PipeIsWrittenInPlaceWithoutSeeking) {
  ScratchDirectory directory;
  const std::string path = directory.file("pipe");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  SequencePtr sequence = small_sequence();
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  Bytes received(4096);
  const ssize_t count = read(reader, received.data(), received.size());
  close(reader);
  received.resize(count > 0 ? static_cast<size_t>(count) : 0);
  EXPECT_EQ(received, saved_bytes(sequence.get()));
  EXPECT_TRUE(fs::is_fifo(path));
}

#endif

}  // namespace
}  // namespace tactus::test
