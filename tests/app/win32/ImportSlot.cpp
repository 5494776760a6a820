#include "tests/app/win32/ImportSlot.h"

#include <windows.h>

#include <stdexcept>

namespace windowtest {

// The loader may leave the import slots read-only once it has filled them.
void* ExchangeImport(void** slot, void* replacement) {
  DWORD protection = 0;
  if (::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection) == FALSE)
    throw std::runtime_error("an import slot cannot be written");
  void* const original = *slot;
  *slot = replacement;
  ::VirtualProtect(slot, sizeof *slot, protection, &protection);
  return original;
}

}  // namespace windowtest
