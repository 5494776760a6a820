#pragma once

// The arithmetic that places and sizes the main window: the scaling of its stored layout to the
// screen and the font, and its centring on the desktop.

namespace app {

// number × numerator / denominator, rounded to the nearest whole number, halves away from zero;
// `denominator` is positive.
int MulDiv(int number, int numerator, int denominator);

// The pixel height of a font stored as `pixels` at 96 dots per inch, on a screen of `dpi`.
int FontPixelsForScreen(int pixels, int dpi);

// Scales the lengths of a layout whose font was `storedTextHeight` pixels high to a font that
// comes out `textHeight` pixels high; equal heights leave every length as it is.
class LayoutScale {
 public:
  LayoutScale(int textHeight, int storedTextHeight) : textHeight_(textHeight), storedTextHeight_(storedTextHeight) {}
  int operator()(int length) const { return MulDiv(length, textHeight_, storedTextHeight_); }

 private:
  int textHeight_;
  int storedTextHeight_;
};

// Where a window of `outerSize` starts so that it sits in the middle of `desktopSize`: their
// difference halved, truncated toward zero (-5 gives -2).
int CentredOffset(int desktopSize, int outerSize);

}  // namespace app
