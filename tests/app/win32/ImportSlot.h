#pragma once

// A system function as this program's own code calls it: through the program's import of it, a
// slot the loader filled with the function's address (named __imp_<function> by the toolchain).
// Replacing the slot's content redirects every call the program makes, and none the system makes
// inside its own libraries; for tests that model or refuse what the system would do.

namespace windowtest {

// Writes `replacement` into `slot` and gives what was there.
void* ExchangeImport(void** slot, void* replacement);

// The slot holds `replacement` while the object lives.
class ReplacedImport {
 public:
  ReplacedImport(void** slot, void* replacement) : slot_(slot), original_(ExchangeImport(slot, replacement)) {}
  ~ReplacedImport() { ExchangeImport(slot_, original_); }
  ReplacedImport(const ReplacedImport&) = delete;
  ReplacedImport& operator=(const ReplacedImport&) = delete;

  void* Original() const { return original_; }

 private:
  void** slot_;
  void* original_;
};

}  // namespace windowtest
