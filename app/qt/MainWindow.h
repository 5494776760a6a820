#pragma once

// The program's one window, Form1, on Qt: the form of every system (MainForm) in a Qt window
// (FormWindow). Window thread only; needs a QApplication.

#include "app/MainForm.h"
#include "app/qt/FormWindow.h"

namespace app {

class TForm1 : public MainForm {
 public:
  TForm1();

  QWidget& Window() { return Side().Widget(); }
  // The log, with every line written so far in it.
  QPlainTextEdit& Memo1();
  // Shows the window, every line written so far in the log.
  void Show();

 private:
  FormWindow& Side() { return static_cast<FormWindow&>(Native()); }
};

}  // namespace app
