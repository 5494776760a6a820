#include "app/win32/ListPortsCommand.h"

#include <iostream>

#include "app/PortList.h"

namespace app {

int ListPortsCommand() {
  // Every port a Windows program sees comes through the one system it asks, whichever drivers or
  // MIDI stack stand behind it.
  const PortList list = ListPorts([](platform::Direction, UINT) { return std::string("winmm"); });
  std::cout << PortListText(list) << std::flush;
  return 0;
}

}  // namespace app
