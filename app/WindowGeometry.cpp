#include "app/WindowGeometry.h"

#include <cstdint>
#include <cstdlib>

namespace app {

int MulDiv(int number, int numerator, int denominator) {
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  const std::int64_t rounded = (2 * std::llabs(product) + denominator) / (2 * static_cast<std::int64_t>(denominator));
  return static_cast<int>(product < 0 ? -rounded : rounded);
}

int FontPixelsForScreen(int pixels, int dpi) {
  constexpr int kLayoutDpi = 96;
  return MulDiv(pixels, dpi, kLayoutDpi);
}

// C++ division truncates toward zero, which is the rule.
int CentredOffset(int desktopSize, int outerSize) { return (desktopSize - outerSize) / 2; }

}  // namespace app
