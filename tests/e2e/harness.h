// Processes for the end-to-end tests: a private JACK server with the dummy
// driver, the capture client, and the programs under test. Every process a
// test starts is stopped when its owner goes out of scope, also when an
// assertion ends the test early.
#ifndef TACTUS_TESTS_E2E_HARNESS_H
#define TACTUS_TESTS_E2E_HARNESS_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tactus::e2e {

// A temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
std::string read_file(const std::string& path);

// A child process with its standard output and error sent to files.
class Process {
 public:
  Process(const std::vector<std::string>& arguments, const std::string& stdout_path,
          const std::string& stderr_path);
  ~Process();  // SIGKILL and reap when still running
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return pid_ > 0; }
  void signal(int number);
  // True when the process ended within timeout_ms; its exit status is then
  // in `exit_status` (-1 when a signal ended it).
  bool wait(int timeout_ms, int& exit_status);
  bool running();

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// jackd -n <unique name> -d dummy, and JACK_DEFAULT_SERVER set to its name
// for this process and its children.
class JackServer {
 public:
  JackServer(const TempDir& folder, int sample_rate, int period_frames);
  ~JackServer();
  bool running() const { return running_; }
  const std::string& name() const { return name_; }
  std::string log() const { return read_file(log_path_); }

 private:
  std::string name_;
  std::string log_path_;
  Process* server_ = nullptr;
  bool running_ = false;
};

struct Arrival {
  uint32_t frame;
  int port;
  std::vector<uint8_t> bytes;
};

struct Recording {
  uint32_t sample_rate = 0;
  uint32_t period = 0;
  uint32_t overflows = 0;
  std::vector<Arrival> arrivals;
};

// The capture client, with ports <client>:in_0 ... in_<port_count-1>.
class CaptureClient {
 public:
  CaptureClient(const TempDir& folder, const std::string& client, int port_count);
  ~CaptureClient();
  // Whether its ports were up within five seconds.
  bool ready() const { return ready_; }
  // Events recorded so far (while running) or in all (after stop()).
  Recording recording() const;
  void stop();

 private:
  std::string output_path_;
  Process* process_ = nullptr;
  bool ready_ = false;
};

struct RunResult {
  bool finished = false;  // false: killed after the time limit
  int exit_status = -1;
  std::string out;
  std::string err;
};

// Runs a program to its end (at most timeout_ms).
RunResult run_program(const TempDir& folder, const std::vector<std::string>& arguments, int timeout_ms);

}  // namespace tactus::e2e

#endif
