// bench_poller: the baseline of waiting for a device: four times a second, the names of every
// input and output port, and nothing else. "simulated" asks a simulated transport with the same
// eight and eight ports as bench_waiting; "jack" asks the JACK server through one client that
// stays out of the process graph, as the tool's own does. Runs until SIGTERM.
#include <jack/jack.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "midi/platform/simulated/SimulatedTransport.h"

namespace {

constexpr int kPollIntervalMs = 250;

void NameSimulatedPorts(platform::SimulatedTransport& transport) {
  platform::PortInfo info;
  for (UINT port = 0, count = transport.InputCount(); port < count; ++port) transport.InputInfo(port, info);
  for (UINT port = 0, count = transport.OutputCount(); port < count; ++port) transport.OutputInfo(port, info);
}

void NameJackPorts(jack_client_t* client) {
  for (const unsigned long flags : {JackPortIsOutput, JackPortIsInput}) {
    if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags)) jack_free(ports);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const bool jack = argc > 1 && std::strcmp(argv[1], "jack") == 0;
  platform::SimulatedTransport transport;
  for (int port = 1; port <= 8; ++port) {
    transport.AddInput("Other device port " + std::to_string(port));
    transport.AddOutput("Other device port " + std::to_string(port));
  }
  jack_client_t* client = jack ? jack_client_open("bench-poller", JackNoStartServer, nullptr) : nullptr;
  if (jack && client == nullptr) {
    std::cerr << "bench_poller: no JACK server\n";
    return 1;
  }
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] { jack ? NameJackPorts(client) : NameSimulatedPorts(transport); });
  poll.start(kPollIntervalMs);
  return QCoreApplication::exec();
}
