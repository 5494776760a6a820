#include "app/PortList.h"

#include <cstdio>
#include <cstring>

#include "app/DeviceDiscovery.h"
#include "app/Version.h"
#include "firmware/Conversation.h"

namespace app {

namespace {

using platform::Direction;

constexpr UINT kErrorTextSize = 128;

#ifdef _WIN32
constexpr const char* kWhatToTry =
    "Check that the QLT-1 is switched on and connected and that the system lists it\n"
    "among its MIDI devices, then run bass-firmware --list-ports again. A port of the\n"
    "QLT-1 listed above under a name given to it in the system's settings is not\n"
    "found: give it back the device's own name.\n";
#else
constexpr const char* kWhatToTry =
    "Check that the QLT-1 is switched on and connected, then run\n"
    "bass-firmware --list-ports again. A port of the QLT-1 listed above under another\n"
    "name is not found: see \"The device is not found\" in bass-firmware(1).\n";
#endif

std::string QuotedDeviceName() { return std::string("\"") + firmware::kDevicePortName + "\""; }

// What the platform says of `code`, or the code itself when it says nothing.
std::string ErrorText(Direction direction, MMRESULT code) {
  char text[kErrorTextSize] = {};
  const MMRESULT result = direction == Direction::Input ? midiInGetErrorTextA(code, text, kErrorTextSize)
                                                        : midiOutGetErrorTextA(code, text, kErrorTextSize);
  if (result != MMSYSERR_NOERROR) return "error " + std::to_string(code);
  return std::string(text, strnlen(text, kErrorTextSize));
}

// The port's name, or the platform's reason why there is none.
void ReadName(Direction direction, ListedPort& port) {
  MMRESULT result = MMSYSERR_NOERROR;
  if (direction == Direction::Input) {
    MIDIINCAPSA caps{};
    result = midiInGetDevCapsA(port.number, &caps, sizeof caps);
    if (result == MMSYSERR_NOERROR) port.name.assign(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
  } else {
    MIDIOUTCAPSA caps{};
    result = midiOutGetDevCapsA(port.number, &caps, sizeof caps);
    if (result == MMSYSERR_NOERROR) port.name.assign(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
  }
  if (result != MMSYSERR_NOERROR) port.unreadable = ErrorText(direction, result);
}

// The count comes first: the names and systems asked for afterwards are those of its numbering.
std::vector<ListedPort> ListDirection(Direction direction, const SystemOfPort& systemOf) {
  const UINT count = direction == Direction::Input ? midiInGetNumDevs() : midiOutGetNumDevs();
  std::vector<ListedPort> ports(count);
  for (UINT number = 0; number < count; ++number) {
    ListedPort& port = ports[number];
    port.number = number;
    ReadName(direction, port);
    port.system = systemOf(direction, number);
    port.matches = port.unreadable.empty() && DeviceDiscovery::MatchesDevicePort(port.name);
  }
  return ports;
}

// Discovery keeps the highest-numbered match of each direction.
ListedPort* LastMatch(std::vector<ListedPort>& ports) {
  for (auto port = ports.rbegin(); port != ports.rend(); ++port)
    if (port->matches) return &*port;
  return nullptr;
}

const ListedPort* PairPort(const std::vector<ListedPort>& ports) {
  for (const ListedPort& port : ports)
    if (port.inPair) return &port;
  return nullptr;
}

// A name is shown whole, but a control character in it could break the line or forge one: those
// and the backslash that would make their writing ambiguous are written out.
std::string Printable(const std::string& text) {
  std::string printable;
  for (const char character : text) {
    const auto byte = static_cast<unsigned char>(character);
    if (byte == '\\') {
      printable += "\\\\";
    } else if (byte < 0x20 || byte == 0x7f) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      printable += escaped;
    } else {
      printable += character;
    }
  }
  return printable;
}

std::string PortLine(const char* direction, const ListedPort& port) {
  const char* mark = port.inPair ? "pair" : port.matches ? "match" : "-";
  const std::string name = port.unreadable.empty() ? port.name : "(name unreadable: " + port.unreadable + ")";
  return std::string(direction) + " " + std::to_string(port.number) + " " + Printable(port.system) + " " + mark + " " +
         Printable(name) + "\n";
}

std::string Outcome(const PortList& list) {
  const ListedPort* input = PairPort(list.inputs);
  const ListedPort* output = PairPort(list.outputs);
  if (input != nullptr && output != nullptr)
    return "The tool would open input " + std::to_string(input->number) + " and output " +
           std::to_string(output->number) + ".\n";
  bool inputMatches = false;
  bool outputMatches = false;
  for (const ListedPort& port : list.inputs) inputMatches = inputMatches || port.matches;
  for (const ListedPort& port : list.outputs) outputMatches = outputMatches || port.matches;
  std::string missing;
  if (list.inputs.empty() && list.outputs.empty()) {
    missing = "The tool sees no MIDI port at all: the QLT-1 is not found.\n";
  } else if (!inputMatches && !outputMatches) {
    missing = "No port carries the device's name " + QuotedDeviceName() + ": the QLT-1 is not found.\n";
  } else {
    missing = std::string("No ") + (inputMatches ? "output" : "input") + " port carries the device's name " +
              QuotedDeviceName() + ":\nthe tool opens the QLT-1 only when it finds both of its ports.\n";
  }
  return missing + kWhatToTry;
}

}  // namespace

PortList ListPorts(const SystemOfPort& systemOf) {
  PortList list{ListDirection(Direction::Input, systemOf), ListDirection(Direction::Output, systemOf), {}};
  ListedPort* input = LastMatch(list.inputs);
  ListedPort* output = LastMatch(list.outputs);
  // Discovery opens the device only once both directions have a match.
  if (input != nullptr && output != nullptr) input->inPair = output->inPair = true;
  return list;
}

std::string PortListText(const PortList& list) {
  std::string text = std::string("bass-firmware ") + kVersion + ": the MIDI ports it sees, as it numbers them.\n" +
                     "A \"match\" carries the device's name " + QuotedDeviceName() + "; it opens the \"pair\".\n";
  for (const ListedPort& port : list.inputs) text += PortLine("input", port);
  for (const ListedPort& port : list.outputs) text += PortLine("output", port);
  for (const std::string& note : list.notes) text += note + "\n";
  return text + Outcome(list);
}

}  // namespace app
