// bench_hello_window: the baseline of the tool's start-up: the least Qt program with a window
// and a text area that writes one line to standard output once it is built. Runs until SIGTERM.
#include <QApplication>
#include <QPlainTextEdit>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QPlainTextEdit log;
  log.appendPlainText(QStringLiteral(">Switch on QLT-1"));
  std::fputs(">Switch on QLT-1\n", stdout);
  std::fflush(stdout);
  log.show();
  return QApplication::exec();
}
