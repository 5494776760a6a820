#include "tests/support/UnderWine.h"

#include <windows.h>

namespace testsupport {

// wine's ntdll exports its version; Windows' has no such function.
bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace testsupport
