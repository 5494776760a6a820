#include "app/win32/MainWindow.h"

namespace app {

TForm1::TForm1() : MainForm([this] { return FormWindow::Make([this] { EndSession(); }); }) {}

HWND__* TForm1::Memo1() {
  FlushLog();
  return Window().Log();
}

void TForm1::Show(int showCommand) {
  FlushLog();
  Window().Show(showCommand);
}

}  // namespace app
