// Test main on Windows for every test that needs the window thread's event loop: the calling
// thread becomes the window thread, its message queue made before the first test so that each
// test starts on the same queue.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  MSG message;
  ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  // As the program does (app/win32/main.cpp): wine's ALSA MIDI driver faults in the system
  // libraries' own end, which would replace the tests' status with a segmentation fault's.
  std::fflush(nullptr);
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
  return status;
}
