#include "tests/support/PrivateJackServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

namespace {

using namespace std::chrono_literals;
std::atomic<int> serversNamed{0};

// A name of this process's own, so that no other test process (of this checkout or another) shares
// or stops its server; short enough for the sockets JACK names after it.
std::string ServerName() { return "rtmidi-test-" + std::to_string(getpid()) + "-" + std::to_string(serversNamed++); }

// The server's output goes to a fresh file of the temporary folder.
std::string NewLogFile(const std::string& serverName) {
  std::string path = (std::filesystem::temp_directory_path() / (serverName + "-XXXXXX")).string();
  const int file = mkstemp(path.data());
  if (file < 0) throw std::runtime_error("cannot make a log file for the JACK server " + serverName);
  close(file);
  return path;
}

// Runs `command` with its output going to `log`; it is ended if the test process dies first.
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
  const int out = open(log.c_str(), O_WRONLY | O_APPEND);
  dup2(out, STDOUT_FILENO);
  dup2(out, STDERR_FILENO);
  execvp(arguments[0], arguments.data());
  _exit(127);
}

// Ends `process` with SIGTERM, or SIGKILL when it has not ended within five seconds; true when it
// ended on its own, by its exit rather than by a signal.
bool EndProcess(pid_t process) {
  kill(process, SIGCONT);
  kill(process, SIGTERM);
  int status = 0;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(process, &status, WNOHANG) == process) return WIFEXITED(status);
    std::this_thread::sleep_for(50ms);
  }
  kill(process, SIGKILL);
  waitpid(process, &status, 0);
  return false;
}

}  // namespace

PrivateJackServer::PrivateJackServer() : name_(ServerName()), log_(NewLogFile(name_)) {
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
  return Answers();
}

bool PrivateJackServer::Answers() const {
  const pid_t waiter = Spawn({"jack_wait", "-w", "-t", "10", "-s", name_, "-n", "wait-for-" + name_}, log_);
  int status = 0;
  waitpid(waiter, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void PrivateJackServer::Stop() {
  if (pid_ <= 0) return;
  const bool endedOnItsOwn = EndProcess(pid_);
  pid_ = -1;
  if (!endedOnItsOwn) ReleaseTableEntry();
}

// JACK keeps its servers in a machine-wide table of eight entries, and frees the entry of a server
// that did not end on its own (killed, or crashed) only when a server of the same name starts
// again. No later test has this name, so a server of it is started and stopped cleanly here.
void PrivateJackServer::ReleaseTableEntry() const {
  const pid_t server = Spawn({"jackd", "-n", name_, "-d", "dummy"}, log_);
  Answers();
  EndProcess(server);
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
