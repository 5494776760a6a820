// A winmm.dll planted beside the program, as a download or another program may leave one in the
// folder the zip's program runs from. Loaded, it leaves the file "winmm-was-loaded" beside itself;
// every function the program takes from winmm is this DLL's PlantedEntry (zip-program.sh makes
// the export list from the build's), so that the program would run on with it, unnoticed.
#include <windows.h>

#include <cwchar>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 32];
  const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  wchar_t* const name = std::wcsrchr(path, L'\\');
  if (name == nullptr) return TRUE;
  std::wcscpy(name + 1, L"winmm-was-loaded");
  const HANDLE mark = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) ::CloseHandle(mark);
  return TRUE;
}

// No device, and every other call "succeeds": the program sees an empty system and waits.
extern "C" UINT WINAPI PlantedEntry() { return 0; }
