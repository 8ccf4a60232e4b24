// What a save does to the file system: a refused or failed save keeps the
// old file and leaves nothing behind; a complete one replaces the old file
// whole, keeping its permissions and the links that lead to it.
#include "tests/smf/smf_test.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// Values the file cannot hold.
TEST(WriterRefusals, ValuesTheFileCannotHoldWriteNothing) {
  void (*damages[])(Sequence*) = {
      [](Sequence* s) { note_on_new(sequence_get_first_track(s), -1, 0, 60, 100); },
      [](Sequence* s) { note_on_new(sequence_get_first_track(s), 480 + (1 << 28), 0, 60, 0); },
      [](Sequence* s) { track_set_end_tick(sequence_add_track(s), 1 << 28); },
      [](Sequence* s) { track_set_end_tick(sequence_add_track(s), -10); },
      [](Sequence* s) { sequence_set_division_type(s, -1); },
      [](Sequence* s) { sequence_set_division_type(s, 5); },
      [](Sequence* s) {
        for (int i = 0; i < 0xFFFF; ++i) sequence_add_track(s);
      }};
  for (auto damage : damages) {
    SequencePtr sequence = small_sequence();
    damage(sequence.get());
    expect_refused(sequence.get());
  }
  expect_refused(nullptr);
  SequencePtr most_tracks(sequence_new(1, DIVISION_PPQ, 480));
  for (int i = 0; i < 0xFFFF; ++i) sequence_add_track(most_tracks.get());
  EXPECT_EQ(saved_bytes(most_tracks.get()).size(), 14u + 0xFFFFu * 12u);
  ScratchDirectory directory;
  EXPECT_EQ(sequence_save(small_sequence().get(), nullptr), -1);
  EXPECT_EQ(sequence_save(small_sequence().get(), directory.file("no/such.mid").c_str()), -1);
  EXPECT_EQ(sequence_save(small_sequence().get(), fs::temp_directory_path().c_str()), -1);
}

#ifndef _WIN32
// The new file is written beside the old one under a temporary name that no
// file there has yet, then renamed over it.
TEST(WriterReplacement, TheOldFileIsReplacedWholeWithItsModeAndLinks) {
  ScratchDirectory directory;
  SequencePtr sequence = small_sequence();
  const Bytes expected = saved_bytes(sequence.get());
  const std::string taken = ".tactus-" + std::to_string(getpid()) + "-0.tmp";
  write_bytes(directory.file(taken), kOld);
  for (fs::perms mode : {fs::perms(0640), fs::perms(0444)}) {
    write_bytes(directory.file("real.mid"), Bytes(10000, 0xAA));  // longer than the new content
    fs::permissions(directory.file("real.mid"), mode);
    fs::create_symlink("real.mid", directory.file("link.mid"));
    EXPECT_EQ(sequence_save(sequence.get(), directory.file("link.mid").c_str()), 0);
    EXPECT_TRUE(fs::is_symlink(directory.file("link.mid")));
    EXPECT_EQ(fs::status(directory.file("real.mid")).permissions(), mode);
    EXPECT_EQ(read_file(directory.file("real.mid")), expected);
    EXPECT_EQ(directory.entries(), (std::set<std::string>{taken, "link.mid", "real.mid"}));
    fs::remove(directory.file("link.mid")), fs::remove(directory.file("real.mid"));
  }
  EXPECT_EQ(read_file(directory.file(taken)), kOld);
}

// A file size limit makes writes into a regular file fail part way; a full
// device fails at its first write.
TEST(WriterFailures, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  ScratchDirectory directory;
  write_bytes(directory.file("song.mid"), kOld);
  SequencePtr sequence = small_sequence();
  for (int32_t tick = 0; tick < 100000; ++tick)
    control_change_new(sequence_get_first_track(sequence.get()), tick, 0, 1, 0);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit limit = old_limit;
  limit.rlim_cur = 4096;
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

// Anything but a regular file is written in place: the read end of a pipe
// gets the bytes, without a seek.
TEST(WriterFailures, APipeIsWrittenInPlace) {
  ScratchDirectory directory;
  const std::string path = directory.file("pipe");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  SequencePtr sequence = small_sequence();
  EXPECT_EQ(sequence_save(sequence.get(), path.c_str()), 0);
  Bytes received(4096);
  received.resize(static_cast<size_t>(std::max<ssize_t>(read(reader, received.data(), received.size()), 0)));
  close(reader);
  EXPECT_EQ(received, saved_bytes(sequence.get()));
  EXPECT_TRUE(fs::is_fifo(path));
}
#endif

}  // namespace
}  // namespace tactus::test
