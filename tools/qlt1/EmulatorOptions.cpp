#include "tools/qlt1/EmulatorOptions.h"

#include <charconv>
#include <cstdint>
#include <utility>

namespace qlt1 {

const char* const kEmulatorHelp =
    "Usage: qlt1-emulator [options]\n"
    "A stand-in for the QLT-1 on real MIDI ports: it opens an input and an output port named\n"
    "\"QZ Korvalith port 2\", answers the firmware conversation and checks every block.\n"
    "\n"
    "  --system jack|alsa     the MIDI system to open the ports on (default: jack)\n"
    "  --port-name NAME       the ports' name (default: QZ Korvalith port 2)\n"
    "  --ready-after N        answer ReadyReply only from the N-th probe on (default: 1)\n"
    "  --block-delay MS       wait MS milliseconds per block before answering, as flashing does\n"
    "  --error-every N        send an ErrorReply before every N-th block's acknowledgement\n"
    "  --vanish-after N       close the ports after block N was acknowledged\n"
    "  --appear-after MS      open the ports only after MS milliseconds\n"
    "  --image FILE           write what was received, in the table format, at each finish\n"
    "  --exit-after-finish    end after the first FinishRequest: status 0 when the image equals\n"
    "                         the built-in table block for block, 1 otherwise\n"
    "  --timing               at the first FinishRequest, report the milliseconds since the\n"
    "                         last ReadyReply: \"ready to finish 1234.567 ms\"\n"
    "  --flood N              send N short messages before every reply but ReadyReply\n"
    "  --flood-kind KIND      what the flood is made of: notes (default), clock or sensing\n"
    "  --giant-sysex BYTES    send one System Exclusive message of BYTES before the first\n"
    "                         acknowledgement of a block\n"
    "  --list-blocks          print the numbers of the blocks an update of the built-in table\n"
    "                         sends, one per line in their order, and end\n"
    "  --help                 show this text\n"
    "\n"
    "Each step is reported on standard output. SIGINT or SIGTERM ends the emulator.\n";

namespace {

bool ParseNumber(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  const auto [rest, problem] = std::from_chars(text.data(), end, value);
  return problem == std::errc() && rest == end && value >= 0;
}

const std::pair<const char*, std::uint8_t> kFloodKinds[] = {{"notes", 0x90}, {"clock", 0xF8}, {"sensing", 0xFE}};

bool ParseFloodKind(const std::string& text, std::uint8_t& status) {
  for (const auto& [name, kindStatus] : kFloodKinds) {
    if (text == name) {
      status = kindStatus;
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<EmulatorOptions> ParseEmulatorOptions(const std::vector<std::string>& arguments, std::string& error) {
  EmulatorOptions options;
  error.clear();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (name == "--help") return std::nullopt;
    if (name == "--exit-after-finish") {
      options.exitAfterFinish = true;
      continue;
    }
    if (name == "--timing") {
      options.reportTiming = true;
      continue;
    }
    if (name == "--list-blocks") {
      options.listBlocks = true;
      continue;
    }
    if (i + 1 >= arguments.size()) {
      error = name.rfind("--", 0) == 0 ? "option " + name + " needs a value" : "unknown argument " + name;
      return std::nullopt;
    }
    const std::string& value = arguments[++i];
    int number = 0;
    std::uint8_t status = 0;
    if (name == "--system" && (value == "jack" || value == "alsa"))
      options.system = value;
    else if (name == "--port-name" && !value.empty())
      options.portName = value;
    else if (name == "--image")
      options.imagePath = value;
    else if (name == "--ready-after" && ParseNumber(value, number))
      options.model.readyAtProbe = number;
    else if (name == "--error-every" && ParseNumber(value, number))
      options.model.errorEvery = number;
    else if (name == "--block-delay" && ParseNumber(value, number))
      options.blockDelayMs = number;
    else if (name == "--vanish-after" && ParseNumber(value, number))
      options.vanishAfter = number;
    else if (name == "--appear-after" && ParseNumber(value, number))
      options.appearAfterMs = number;
    else if (name == "--flood" && ParseNumber(value, number))
      options.hostility.floodPerReply = number;
    else if (name == "--flood-kind" && ParseFloodKind(value, status))
      options.hostility.floodStatus = status;
    else if (name == "--giant-sysex" && ParseNumber(value, number) && number != 1)
      options.hostility.giantSysex = static_cast<std::size_t>(number);
    else {
      error = "bad option or value: " + name + " " + value;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace qlt1
