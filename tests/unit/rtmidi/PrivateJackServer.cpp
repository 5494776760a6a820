#include "tests/unit/rtmidi/PrivateJackServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

namespace {

using namespace std::chrono_literals;
std::atomic<int> serversNamed{0};

// JACK keeps at most eight servers in a machine-wide table and frees a killed server's entry only
// when a server of the same name starts again. A name that stays the same from run to run (the
// test's, hashed to stay within socket path limits) keeps crashed runs from filling the table.
std::string ServerName() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::string testName = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "";
  return "rtmidi-test-" + std::to_string(std::hash<std::string>{}(testName) % 1000000) + "-" +
         std::to_string(serversNamed++);
}

// Runs `command` with its output going to `log`; it is killed if the test process dies first.
pid_t Spawn(std::vector<std::string> command, const std::string& log) {
  std::vector<char*> arguments;
  for (std::string& argument : command) arguments.push_back(argument.data());
  arguments.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child != 0) return child;
  // SIGTERM, not SIGKILL: a server that exits cleanly frees its entry in JACK's server table.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(1);
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  dup2(out, STDOUT_FILENO);
  dup2(out, STDERR_FILENO);
  execvp(arguments[0], arguments.data());
  _exit(127);
}

}  // namespace

PrivateJackServer::PrivateJackServer() : name_(ServerName()), log_("/tmp/" + name_ + ".log") {
  setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
}

PrivateJackServer::~PrivateJackServer() {
  Stop();
  RemoveLeftovers();
  unlink(log_.c_str());
}

// jack_wait asks in a process of its own, so that this one's JACK library stays as the code
// under test leaves it. Synchronous (-S): in JACK's default mode a client late for its cycle (on a
// busy machine) loses the MIDI it had to read or write; here the cycle waits for it instead.
bool PrivateJackServer::Start() {
  pid_ = Spawn({"jackd", "-S", "-n", name_, "-d", "dummy", "-r", "48000", "-p", "256"}, log_);
  const pid_t waiter = Spawn({"jack_wait", "-w", "-t", "10", "-s", name_, "-n", "wait-for-" + name_}, log_);
  int status = 0;
  waitpid(waiter, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void PrivateJackServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGCONT);
  kill(pid_, SIGTERM);
  bool exited = false;
  for (int i = 0; i < 100 && !exited; ++i) {
    exited = waitpid(pid_, nullptr, WNOHANG) == pid_;
    if (!exited) std::this_thread::sleep_for(50ms);
  }
  if (!exited) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
}

// A server that stopped while clients were still attached leaves their semaphores behind.
void PrivateJackServer::RemoveLeftovers() const {
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm")) {
    if (entry.path().filename().string().find("_" + name_ + "_") != std::string::npos) std::filesystem::remove(entry);
  }
}

// Returns once the server has stopped, and a cycle it had started has had time to end.
void PrivateJackServer::Pause() {
  kill(pid_, SIGSTOP);
  int status = 0;
  waitpid(pid_, &status, WUNTRACED);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
void PrivateJackServer::Resume() { kill(pid_, SIGCONT); }

}  // namespace testsupport
