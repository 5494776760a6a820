#include "midi/platform/alsa/SequencerAddress.h"

#include <charconv>

namespace platform {

namespace {

bool ParseAddressPart(const char* begin, const char* end, int& value) {
  const auto [rest, problem] = std::from_chars(begin, end, value);
  return problem == std::errc() && rest == end && value >= 0 && value <= 255;
}

}  // namespace

std::optional<snd_seq_addr_t> SequencerAddressOf(const std::string& listedName) {
  const std::size_t space = listedName.rfind(' ');
  const std::size_t colon = listedName.rfind(':');
  if (space == std::string::npos || colon == std::string::npos || colon < space) return std::nullopt;
  const char* text = listedName.data();
  int client = -1;
  int port = -1;
  if (!ParseAddressPart(text + space + 1, text + colon, client) ||
      !ParseAddressPart(text + colon + 1, text + listedName.size(), port))
    return std::nullopt;
  return snd_seq_addr_t{static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
}

std::string ListedNameAt(snd_seq_t* sequencer, snd_seq_addr_t address) {
  snd_seq_client_info_t* client = nullptr;
  snd_seq_port_info_t* port = nullptr;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  if (snd_seq_get_any_client_info(sequencer, address.client, client) < 0) return {};
  if (snd_seq_get_any_port_info(sequencer, address.client, address.port, port) < 0) return {};
  return std::string(snd_seq_client_info_get_name(client)) + ":" + snd_seq_port_info_get_name(port) + " " +
         std::to_string(address.client) + ":" + std::to_string(address.port);
}

}  // namespace platform
