// Test main on Windows for every test that needs the window thread's event loop: the calling
// thread becomes the window thread, its message queue made before the first test so that each
// test starts on the same queue.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  MSG message;
  ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
