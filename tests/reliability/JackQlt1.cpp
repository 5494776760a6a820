#include "tests/reliability/JackQlt1.h"

#include <iostream>

namespace reliability {

namespace {

qlt1::EmulatorOptions OnJack(qlt1::Hostility hostility) {
  qlt1::EmulatorOptions options;
  options.system = "jack";
  options.hostility = hostility;
  return options;
}

}  // namespace

JackQlt1::JackQlt1(qlt1::Hostility hostility) : Emulator(OnJack(hostility), [](const std::string&) {}) {
  OpenPorts();
  worker_ = std::thread([this] { Serve(); });
}

JackQlt1::~JackQlt1() {
  stop_ = true;
  worker_.join();
}

// A server that went away ends the device; the test then sees the update stall.
void JackQlt1::Serve() {
  try {
    Run(stop_);
  } catch (const std::exception& e) {
    std::cerr << "JackQlt1: " << e.what() << '\n';
  }
}

}  // namespace reliability
