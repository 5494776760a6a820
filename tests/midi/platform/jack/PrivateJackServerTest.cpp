#include "tests/support/PrivateJackServer.h"

#include <signal.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// JACK's machine-wide table of servers: a header of 24 bytes, then eight entries of a process id
// and a name of 257 bytes, 264 bytes each; a server's name there is "jack-<uid>:<server>:".
pid_t RegisteredProcess(const std::string& server) {
  std::ifstream file("/dev/shm/jack-shm-registry", std::ios::binary);
  const std::vector<char> table((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  constexpr std::size_t kHeader = 24;
  constexpr std::size_t kEntry = 264;
  constexpr std::size_t kEntries = 8;
  const std::string ending = ":" + server + ":";
  for (std::size_t entry = 0; entry < kEntries && kHeader + (entry + 1) * kEntry <= table.size(); ++entry) {
    const char* at = table.data() + kHeader + entry * kEntry;
    std::int32_t process = 0;
    std::memcpy(&process, at, sizeof process);
    const std::string name(at + sizeof process, strnlen(at + sizeof process, kEntry - sizeof process));
    if (process != 0 && name.ends_with(ending)) return process;
  }
  return 0;
}

TEST(PrivateJackServerTest, AServerThatDidNotEndOnItsOwnGivesItsEntryInJacksTableBack) {
  testsupport::PrivateJackServer server;
  ASSERT_TRUE(server.Start());
  const pid_t process = RegisteredProcess(server.Name());
  ASSERT_GT(process, 0) << "JACK's table does not show the server " << server.Name();

  kill(process, SIGKILL);
  server.Stop();

  EXPECT_EQ(RegisteredProcess(server.Name()), 0) << "the killed server " << server.Name() << " keeps its entry";
}

}  // namespace
