// bass-firmware: loads new firmware into the QLT-1. No command line, no settings.
#include <QApplication>

#include "app/Program.h"

int main(int /*argc*/, char** argv) {
  // Qt sees only the program's own name, so no argument can change how it runs.
  int qtArgumentCount = 1;
  QApplication application(qtArgumentCount, argv);
  // The real MIDI transport is not there yet; without one the tool finds no ports and waits.
  return app::RunProgram(nullptr);
}
