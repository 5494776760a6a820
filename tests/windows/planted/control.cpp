// The control of zip-program.sh: a program that imports winmm the ordinary way, which loads the
// winmm.dll beside it under the same conditions, so the test shows that the planted DLL works.
#include <windows.h>
// After windows.h, which it builds on.
#include <mmsystem.h>

int main() { return static_cast<int>(::midiOutGetNumDevs()); }
