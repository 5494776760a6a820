// bass-firmware: loads new firmware into the QLT-1. No command line, no settings.
#include <QApplication>

#include "app/Program.h"
#include "midi/platform/rtmidi/RtMidiTransport.h"

int main(int /*argc*/, char** argv) {
  // Qt sees only the program's own name, so no argument can change how it runs.
  int qtArgumentCount = 1;
  QApplication application(qtArgumentCount, argv);
  return app::RunProgram(std::make_unique<platform::RtMidiTransport>());
}
