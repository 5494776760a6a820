#include <unistd.h>

#include <cerrno>

#include "framework/StandardLines.h"

namespace framework {

// A closed pipe gives EPIPE here: the program ignores SIGPIPE.
bool WriteToStandardStream(StandardStream stream, std::string_view text) {
  const int descriptor = stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO;
  while (!text.empty()) {
    const ssize_t written = ::write(descriptor, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace framework
