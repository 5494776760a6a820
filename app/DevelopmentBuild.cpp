#include "app/DevelopmentBuild.h"

#include <cstdio>

#include "firmware/FirmwareImage.h"

namespace app {

namespace {

constexpr const char* kWhatTheTableIs =
    "carries the development firmware table, a filler for tests that leaves a real QLT-1 without working firmware.\n";

}  // namespace

std::string DevelopmentTableVersionLine() {
  if (!firmware::EmbedsDevelopmentTable()) return {};
  return std::string("This build ") + kWhatTheTableIs;
}

void AnnounceDevelopmentTable() {
  if (!firmware::EmbedsDevelopmentTable()) return;
  std::fputs((std::string("bass-firmware: this build ") + kWhatTheTableIs).c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace app
