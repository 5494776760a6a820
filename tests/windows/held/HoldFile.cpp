// hold-file.exe FILE SECONDS: opens FILE so that no process can delete it, as Windows keeps a
// running program's file, writes "holding" to standard output, and lets go after SECONDS.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HANDLE file = ::CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("cannot open %s: error %lu\n", argv[1], ::GetLastError());
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
  ::CloseHandle(file);
  return 0;
}
