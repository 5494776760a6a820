#include "app/qt/MainWindow.h"

#include <QWidget>

namespace app {

TForm1::TForm1() : MainForm([] { return FormWindow::Make(); }) {}

QPlainTextEdit& TForm1::Memo1() {
  FlushLog();
  return Side().Log();
}

void TForm1::Show() {
  FlushLog();
  Side().Widget().show();
}

}  // namespace app
