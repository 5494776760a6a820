#include <io.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "framework/StandardLines.h"

namespace framework {

// Through the C runtime's descriptor of stdout or stderr, which the program may have pointed at
// its parent's console (app/win32/StandardStreams.cpp), and which is in text mode: a line end
// reaches the stream as CR LF, as every Windows program's text output does.
bool WriteToStandardStream(StandardStream stream, std::string_view text) {
  const int descriptor = ::_fileno(stream == StandardStream::Output ? stdout : stderr);
  if (descriptor < 0) return false;
  while (!text.empty()) {
    const auto length = static_cast<unsigned>(std::min<std::size_t>(text.size(), INT_MAX));
    const int written = ::_write(descriptor, text.data(), length);
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace framework
