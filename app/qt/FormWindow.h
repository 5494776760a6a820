#pragma once

// The main window as Qt draws it: a top-level widget of the stored layout (WindowLayout.h) with
// the log, a text area, in it; its font scaled to the screen, the layout scaled to the font, and
// its place on the desktop. Its elements are built and drawn in FormWindow.cpp alone. Window
// thread only; needs a QApplication.

#include <memory>

#include "app/NativeWindow.h"

class QPlainTextEdit;
class QWidget;

namespace app {

class FormWindow : public NativeWindow {
 public:
  // Builds the window, hidden, with its log, which has the keyboard focus.
  static std::unique_ptr<FormWindow> Make();

  virtual QWidget& Widget() = 0;
  virtual QPlainTextEdit& Log() = 0;
};

}  // namespace app
