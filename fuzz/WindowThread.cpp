// What both fuzz targets need before their first input: the window thread's event loop, made once
// for the process, as the program makes it.
#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication application(*argc, *argv);
  return 0;
}
