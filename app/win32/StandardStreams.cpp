#include "app/win32/StandardStreams.h"

#include <windows.h>

#include <cstdio>

namespace app {

namespace {

bool IsGiven(DWORD standardHandle) {
  HANDLE handle = ::GetStdHandle(standardHandle);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void ConnectMissingStandardStreams() {
  const bool outputGiven = IsGiven(STD_OUTPUT_HANDLE);
  const bool errorGiven = IsGiven(STD_ERROR_HANDLE);
  if (outputGiven && errorGiven) return;
  if (::AttachConsole(ATTACH_PARENT_PROCESS) == FALSE) return;
  if (!outputGiven) static_cast<void>(std::freopen("CONOUT$", "w", stdout));
  if (!errorGiven) static_cast<void>(std::freopen("CONOUT$", "w", stderr));
}

}  // namespace app
