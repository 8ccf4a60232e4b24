// The real JACK backend in this process, on a private JACK server (dummy
// driver, 1024 frames a period) with a capture client of the test's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <jack/midiport.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include "player/backends/posix/posix_platform.h"
#include "player/test_platform.h"
#include "support/midi_bytes.h"

extern char** environ;

namespace tactus::player::testing {
namespace {

using Bytes = std::vector<unsigned char>;

struct Arrival {
  uint32_t frame, port;
  Bytes bytes;
};

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    jack_set_error_function([](const char*) {});
    const std::string name = "tactus-e2e-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    const char* argv[] = {JACKD_PROGRAM, "-n", name.c_str(), "-d", "dummy", "-p", "1024", nullptr};
    if (posix_spawn(&server_, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      server_ = -1;
    for (int attempt = 0; attempt < 100 && server_ > 0 && client_ == nullptr; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      client_ = jack_client_open("capture", static_cast<jack_options_t>(JackNoStartServer | JackUseExactName),
                                 nullptr);
    }
    if (client_ == nullptr) GTEST_SKIP() << "jackd cannot start on this machine";
    for (const char* port : {"in_0", "in_1"})
      ports_.push_back(jack_port_register(client_, port, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0));
    jack_set_process_callback(client_, on_process, this);
    const auto count_xrun = [](void* self) {
      ++static_cast<EndToEnd*>(self)->xruns_;
      return 0;
    };
    jack_set_xrun_callback(client_, count_xrun, this);
    ASSERT_EQ(jack_activate(client_), 0);
  }

  void TearDown() override {
    if (client_ != nullptr) jack_client_close(client_);
    if (server_ > 0 && kill(server_, SIGTERM) == 0) waitpid(server_, nullptr, 0);
  }

  // Each event crosses to the test's thread in a record that the count publishes.
  static int on_process(jack_nframes_t frames, void* self) {
    auto* test = static_cast<EndToEnd*>(self);
    jack_midi_event_t event;
    for (uint32_t port = 0; port < 2; ++port) {
      void* buffer = jack_port_get_buffer(test->ports_[port], frames);
      for (uint32_t n = 0; jack_midi_event_get(&event, buffer, n) == 0 && test->count_ < 10000; ++n) {
        const uint32_t frame = jack_last_frame_time(test->client_) + event.time;
        test->captured_[test->count_] = {frame, port, Bytes(event.buffer, event.buffer + event.size)};
        ++test->count_;
      }
    }
    return 0;
  }

  // What arrived, in order, once two periods have passed.
  std::vector<Arrival> arrivals() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return {captured_.begin(), captured_.begin() + static_cast<std::ptrdiff_t>(count_.load())};
  }

  // A note at once and its end 20 s in: `stop` comes once the note is out; the run must end at once.
  Outcome play_until(auto stop) {
    test::MidiBytes events;
    events.vlq(0).bytes({0x90, 0x3C, 0x64}).vlq(19200).bytes({0x80, 0x3C, 0x00}).end_of_track(0);
    const test::TempFile file("long.mid", test::MidiBytes().header(0, 1, 480).track(events));
    count_ = 0;
    std::thread stopper([this, stop] {
      while (count_.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      stop();
    });
    const auto start = std::chrono::steady_clock::now();
    posix::PosixPlatform jack;
    const Outcome outcome = run_tactus(jack, {"--out", "capture:in_0", "--extra-time", "30", file.path()});
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "of 50 s";
    return outcome;
  }

  pid_t server_ = -1;
  jack_client_t* client_ = nullptr;
  std::vector<jack_port_t*> ports_;
  std::vector<Arrival> captured_ = std::vector<Arrival>(10000);
  std::atomic<size_t> count_{0};
  std::atomic<int> xruns_{0};  // periods the server ran late, after which frame times do not compare
};

// A note every 160 ticks; on track 1 messages of three and two bytes, and a sysex of nearly 32 KiB.
test::MidiBytes song() {
  test::MidiBytes notes;
  for (int step = 0; step <= 24; ++step)
    notes.vlq(step == 0 ? 0 : 80).bytes({0x90, 40 + step, 0x64}).vlq(80).bytes({0x80, 40 + step, 0});
  test::MidiBytes kinds{30, 0xB2, 0x07, 0x64, 30, 0xC3, 0x05, 30, 0xD4, 0x40, 30, 0xE5, 0x00, 0x40};
  kinds.sysex(30, 0xF0, test::MidiBytes().fill(29998, 0x55).byte(0xF7)).end_of_track(0);
  return test::MidiBytes().header(1, 2, 480).track(notes.end_of_track(0)).track(kinds);
}

// What the virtual-time platform plays, byte for byte, port by port and in
// time; without --out, the first port that passes nothing through.
TEST_F(EndToEnd, TheJackBackendPlaysWhatTheVirtualPlatformPlaysAndWhenAtALargePeriod) {
  const test::TempFile file("song.mid", song());
  posix::PosixPlatform jack;
  if (jack.output_device_count() > 2) GTEST_SKIP() << "this machine has MIDI devices before JACK's";
  run_tactus(jack, {"--track-out", "1", "1", file.path()});
  TestPlatform virtual_time;
  virtual_time.device_names = {"capture:in_0", "capture:in_1"};
  run_tactus(virtual_time, {"--track-out", "1", "1", file.path()});

  // The capture takes the ports of a period in turn, so each port's order is kept, not the order between
  // them; a message at the wrong port falls out of place.
  std::vector<Arrival> real = arrivals();
  std::stable_sort(real.begin(), real.end(), [](auto& a, auto& b) { return a.port < b.port; });
  std::vector<SentMessage> expected = virtual_time.sent;
  std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.device < b.device; });
  ASSERT_EQ(real.size(), expected.size());
  for (size_t i = 0; i < real.size(); ++i) {
    if ((expected[i].bytes[0] & 0xE0) == 0xC0) expected[i].bytes.pop_back();  // one data byte
    EXPECT_EQ(real[i].bytes, expected[i].bytes) << "at " << expected[i].time << " ms";
  }
  if (xruns_.load() > 0) GTEST_SKIP() << "the server ran late: the frame times of this run do not compare";
  // One latency for all; what remains is the player's whole milliseconds, not the 21 ms period.
  const double frames_per_ms = jack_get_sample_rate(client_) / 1000.0;
  const auto offset_ms = [&](size_t i) { return real[i].frame / frames_per_ms - expected[i].time; };
  double latency = 0;
  for (size_t i = 0; i < real.size(); ++i) latency += offset_ms(i) / static_cast<double>(real.size());
  for (size_t i = 0; i < real.size(); ++i)
    EXPECT_NEAR(offset_ms(i), latency, 4.0) << "at " << expected[i].time << " ms";
}

// A flood beyond what the queue and a period's buffer hold arrives whole, in order. JACK 2's MIDI buffer
// takes 32720 bytes of one message at every period size (JACK 1's follows it), learnt again after a change.
TEST_F(EndToEnd, AFloodArrivesWholeAndTheLargestMessageIsLearntAgainAfterThePeriodSizeChanges) {
  test::MidiBytes events;
  for (int i = 0; i < 6000; ++i) events.vlq(0).bytes({0xB0, i % 120, i / 120});
  const test::TempFile file("flood.mid", test::MidiBytes().header(0, 1, 480).track(events.end_of_track(0)));
  posix::PosixPlatform platform;
  EXPECT_EQ(run_tactus(platform, {"--out", "capture:in_0", file.path()}).status, 0);
  const std::vector<Arrival> flood = arrivals();
  ASSERT_EQ(flood.size(), 6000u);
  for (int i = 0; i < 6000; ++i)
    ASSERT_EQ(flood[i].bytes,
              (Bytes{0xB0, static_cast<unsigned char>(i % 120), static_cast<unsigned char>(i / 120)}));

  count_ = 0;
  const Bytes largest(32720, 0xF0), too_large(32721, 0xF0);
  posix::JackClient jack;
  jack.connect("tactus");
  posix::JackOutput* output = jack.open("capture:in_0");
  ASSERT_NE(output, nullptr);
  for (jack_nframes_t frames : {1024u, 64u}) {
    ASSERT_EQ(jack_set_buffer_size(client_, frames), 0);
    EXPECT_TRUE(jack.send(*output, largest.data(), largest.size())) << frames;
    EXPECT_FALSE(jack.send(*output, too_large.data(), too_large.size())) << frames;
  }
  jack.close(output);
  const std::vector<Arrival> arrived = arrivals();
  if (xruns_.load() > 0 && arrived.size() != 2) GTEST_SKIP() << "a late period lost a message";
  ASSERT_EQ(arrived.size(), 2u);
  for (const Arrival& arrival : arrived) EXPECT_EQ(arrival.bytes, largest);
}

// An interrupt releases the note and gives the signal back; a lost server ends the run with an error.
TEST_F(EndToEnd, AnInterruptOrALostServerEndsTheRunAtOnce) {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    EXPECT_EQ(play_until([signal_number] { kill(getpid(), signal_number); }).status, 0) << signal_number;
    EXPECT_EQ(arrivals().back().bytes, (Bytes{0x80, 0x3C, 0x00})) << signal_number;
    struct sigaction action {};
    sigaction(signal_number, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL) << signal_number;
  }
  // Waited for before any client closes, or the server can die of SIGPIPE still registered.
  const Outcome outcome = play_until([this] {
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
    server_ = -1;
  });
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err, "Error:  Lost the connection to the JACK server.\n");
}

// The program on a pseudo-terminal of its own, in its foreground, with a parent in its session (so that
// Ctrl+Z stops it, as in a shell). Keys go in through the terminal's master side.
class TerminalRun {
 public:
  explicit TerminalRun(const std::string& song) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const std::string slave_path = ptsname(master_);
    slave_ = open(slave_path.c_str(), O_RDWR | O_NOCTTY);
    tcgetattr(slave_, &before_);
    int pid_pipe[2];
    if (pipe(pid_pipe) != 0) return;
    leader_ = fork();
    if (leader_ == 0) {
      setsid();
      const int terminal = open(slave_path.c_str(), O_RDWR);  // the session's controlling terminal
      const pid_t player = fork();
      if (player == 0) {
        setpgid(0, 0);
        for (int fd : {0, 1, 2}) dup2(terminal, fd);
        execl(TACTUS_PROGRAM, "tactus", "--out", "capture:in_0", song.c_str(), static_cast<char*>(nullptr));
        _exit(127);
      }
      setpgid(player, player);
      signal(SIGTTOU, SIG_IGN);
      tcsetpgrp(terminal, player);
      (void)!write(pid_pipe[1], &player, sizeof player);
      int status = 0;
      while (waitpid(player, &status, 0) == player && !WIFEXITED(status) && !WIFSIGNALED(status)) {
      }
      _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128);
    }
    (void)!read(pid_pipe[0], &player_, sizeof player_);
    close(pid_pipe[0]);
    close(pid_pipe[1]);
  }
  ~TerminalRun() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }

  pid_t player() const { return player_; }
  void type(const std::string& keys) { (void)!write(master_, keys.data(), keys.size()); }
  // The process state letter in /proc: 'T' once stopped.
  char state() const {
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(player_) + "/stat").c_str(), "r");
    char letter = '?';
    if (stat != nullptr && std::fscanf(stat, "%*d %*s %c", &letter) != 1) letter = '?';
    if (stat != nullptr) std::fclose(stat);
    return letter;
  }
  bool echoes() const {
    termios now{};
    tcgetattr(slave_, &now);
    return (now.c_lflag & ECHO) != 0;
  }
  bool settings_as_before() const {
    termios now{};
    tcgetattr(slave_, &now);
    return now.c_lflag == before_.c_lflag && now.c_iflag == before_.c_iflag &&
           now.c_cc[VMIN] == before_.c_cc[VMIN] && now.c_cc[VTIME] == before_.c_cc[VTIME];
  }
  int status() {
    int status = 0;
    waitpid(leader_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  int master_ = -1, slave_ = -1;
  pid_t leader_ = -1, player_ = -1;
  termios before_{};
};

// Space pauses, which ends the sounding note at once; each way out gives the terminal its settings back,
// Ctrl+Z before the process stops, and the keys are taken again once it goes on.
TEST_F(EndToEnd, KeysFromATerminalAndItsSettingsBackAfterEveryWayOut) {
  test::MidiBytes events;
  events.vlq(0).bytes({0x90, 0x3C, 0x64}).vlq(19200).bytes({0x80, 0x3C, 0x00}).end_of_track(0);
  const test::TempFile file("long.mid", test::MidiBytes().header(0, 1, 480).track(events));
  test::MidiBytes short_events;
  short_events.vlq(0).bytes({0x90, 0x3C, 0x64}).vlq(480).bytes({0x80, 0x3C, 0x00}).end_of_track(0);
  const test::TempFile short_file("short.mid", test::MidiBytes().header(0, 1, 480).track(short_events));
  const auto until = [](auto done) {
    for (int i = 0; i < 400 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
  };
  const struct {
    const char* name;
    std::function<void(TerminalRun&)> end;
    size_t note_ends = 1;
    int status = 0;
  } ways[] = {
      {"the end", [](TerminalRun&) {}},
      {"q", [](TerminalRun& run) { run.type(" q"); }, 2},  // the pause's note end, then the file's
      {"Esc", [](TerminalRun& run) { run.type("\x1b"); }},
      {"Ctrl+C", [](TerminalRun& run) { run.type("\x03"); }},
      {"SIGTERM", [](TerminalRun& run) { kill(run.player(), SIGTERM); }},
      {"SIGHUP", [](TerminalRun& run) { kill(run.player(), SIGHUP); }},
      {"Ctrl+Z",
       [&](TerminalRun& run) {
         run.type("\x1a");
         EXPECT_TRUE(until([&] { return run.state() == 'T'; }));
         EXPECT_TRUE(run.settings_as_before());
         kill(run.player(), SIGCONT);
         EXPECT_TRUE(until([&] { return !run.echoes(); })) << "keys taken again";
         run.type("q");
       }},
      // Last, as it takes the server with it.
      {"a lost server",
       [this](TerminalRun&) {
         kill(server_, SIGTERM);
         waitpid(server_, nullptr, 0);
         server_ = -1;
       },
       0, 1},
  };
  for (const auto& way : ways) {
    count_ = 0;
    TerminalRun run(std::string(way.name) == "the end" ? short_file.path() : file.path());
    ASSERT_TRUE(until([&] { return count_.load() > 0 && !run.echoes(); })) << way.name;
    way.end(run);
    EXPECT_EQ(run.status(), way.status) << way.name;
    EXPECT_TRUE(run.settings_as_before()) << way.name;
    if (way.status != 0) continue;
    const std::vector<Arrival> arrived = arrivals();
    ASSERT_EQ(arrived.size(), 1 + way.note_ends) << way.name;
    for (size_t i = 1; i < arrived.size(); ++i)
      EXPECT_EQ(arrived[i].bytes, (Bytes{0x80, 0x3C, 0x00})) << way.name;
  }
}

}  // namespace
}  // namespace tactus::player::testing
