#pragma once

namespace testsupport {

// Whether a Windows test program runs under wine, for the few things wine does otherwise than
// Windows; never on Linux.
#ifdef _WIN32
bool RunningUnderWine();
#else
inline bool RunningUnderWine() { return false; }
#endif

}  // namespace testsupport
