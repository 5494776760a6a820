#pragma once

// The names Windows gives a MIDI port, for tests that meet the device as Windows users do. The
// capability record holds 31 characters (MAXPNAMELEN 32, WindowsBehaviour::namesCutTo31Characters).
// Classic drivers name a device's first port after the device, its later ports "MIDIIN2 (name)" /
// "MIDIOUT2 (name)", and a second unit of the same device "2- name" (learn.microsoft.com, the
// MIDIINCAPS and MIDIOUTCAPS pages; microsoft.github.io/MIDI/kb/midi1-name-mapping). Windows MIDI
// Services' new style joins the endpoint's name and the port's, shortened at a word boundary to
// fit; the user may give a port a name of their own (microsoft.github.io/MIDI/kb/
// how-midi1-port-names-are-generated/).

#include <cstddef>
#include <string>

namespace testsupport {

inline constexpr std::size_t kWindowsNameRoom = 31;

enum class PortDirection { Input, Output };

// A classic driver's name: `port` counts the device's ports from 1, `unit` the units of the same
// device from 1.
inline std::string LegacyPortName(const std::string& device, PortDirection direction, unsigned port = 1,
                                  unsigned unit = 1) {
  std::string name = unit > 1 ? std::to_string(unit) + "- " + device : device;
  if (port > 1)
    name = (direction == PortDirection::Input ? "MIDIIN" : "MIDIOUT") + std::to_string(port) + " (" + name + ")";
  return name;
}

// Windows MIDI Services' new style: the words that fit whole.
inline std::string NewStylePortName(const std::string& endpoint, const std::string& port) {
  std::string name = endpoint + " " + port;
  if (name.size() <= kWindowsNameRoom) return name;
  name.resize(kWindowsNameRoom + 1);
  const std::size_t lastSpace = name.rfind(' ');
  name.resize(lastSpace == std::string::npos ? kWindowsNameRoom : lastSpace);
  return name;
}

}  // namespace testsupport
