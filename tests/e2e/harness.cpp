#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace tactus::e2e {

namespace {

using Clock = std::chrono::steady_clock;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

TempDir::TempDir() {
  char pattern[] = "/tmp/tactus-e2e-XXXXXX";
  const char* made = mkdtemp(pattern);
  path_ = made != nullptr ? made : "/tmp";
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (path_ != "/tmp") std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Process::Process(const std::vector<std::string>& arguments, const std::string& stdout_path,
                 const std::string& stderr_path) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // The child starts with default signal actions, whatever the test runner set.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGHUP);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  if (posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid_ = -1;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void Process::signal(int number) {
  if (pid_ > 0 && !reaped_) kill(pid_, number);
}

bool Process::wait(int timeout_ms, int& exit_status) {
  if (pid_ <= 0) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!reaped_) {
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (Clock::now() > deadline) return false;
    sleep_ms(2);
  }
  return false;
}

bool Process::running() {
  if (pid_ <= 0 || reaped_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    reaped_ = true;
    return false;
  }
  return true;
}

namespace {

// Stops a process with SIGTERM, then SIGKILL when it lingers.
void stop_process(Process& process) {
  int status = 0;
  process.signal(SIGTERM);
  if (!process.wait(5000, status)) process.signal(SIGKILL);
  process.wait(5000, status);
}

}  // namespace

JackServer::JackServer(const TempDir& folder, int sample_rate, int period_frames)
    : name_("tactus-e2e-" + std::to_string(getpid())), log_path_(folder.file("jackd.log")) {
  setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  server_ = new Process({JACKD_PROGRAM, "-n", name_, "-d", "dummy", "-r", std::to_string(sample_rate), "-p",
                         std::to_string(period_frames)},
                        log_path_, log_path_);
  if (!server_->started()) return;
  // Ready when jack_lsp, a client of the server, can connect.
  for (int attempt = 0; attempt < 100 && server_->running(); ++attempt) {
    RunResult probe = run_program(folder, {JACK_LSP_PROGRAM}, 5000);
    if (probe.finished && probe.exit_status == 0) {
      running_ = true;
      return;
    }
    sleep_ms(50);
  }
}

JackServer::~JackServer() {
  stop_process(*server_);
  delete server_;
}

CaptureClient::CaptureClient(const TempDir& folder, const std::string& client, int port_count)
    : output_path_(folder.file(client + ".txt")) {
  process_ = new Process({CAPTURE_PROGRAM, output_path_, client, std::to_string(port_count)},
                         folder.file(client + ".out"), folder.file(client + ".err"));
  for (int attempt = 0; attempt < 500 && process_->running(); ++attempt) {
    if (read_file(output_path_).find('\n') != std::string::npos) {
      ready_ = true;
      return;
    }
    sleep_ms(10);
  }
}

CaptureClient::~CaptureClient() {
  stop();
  delete process_;
}

void CaptureClient::stop() { stop_process(*process_); }

Recording CaptureClient::recording() const {
  Recording recording;
  std::istringstream lines(read_file(output_path_));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string first;
    fields >> first;
    if (first == "rate") {
      std::string period_word;
      fields >> recording.sample_rate >> period_word >> recording.period;
    } else if (first == "overflow") {
      fields >> recording.overflows;
    } else {
      Arrival arrival{static_cast<uint32_t>(std::stoul(first)), 0, {}};
      fields >> arrival.port;
      std::string byte;
      while (fields >> byte) arrival.bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
      recording.arrivals.push_back(std::move(arrival));
    }
  }
  return recording;
}

RunResult run_program(const TempDir& folder, const std::vector<std::string>& arguments, int timeout_ms) {
  static int runs = 0;
  const std::string stem = folder.file("run" + std::to_string(++runs));
  RunResult result;
  {
    Process process(arguments, stem + ".out", stem + ".err");
    result.finished = process.wait(timeout_ms, result.exit_status);
  }
  result.out = read_file(stem + ".out");
  result.err = read_file(stem + ".err");
  return result;
}

}  // namespace tactus::e2e
