#include "app/DevelopmentBuild.h"

#include "firmware/FirmwareImage.h"
#include "framework/StandardLines.h"

namespace app {

namespace {

constexpr const char* kWhatTheTableIs =
    "carries the development firmware table, a filler for tests that leaves a real QLT-1 without working firmware.";

}  // namespace

std::string DevelopmentTableVersionLine() {
  if (!firmware::EmbedsDevelopmentTable()) return {};
  return std::string("This build ") + kWhatTheTableIs + '\n';
}

void AnnounceDevelopmentTable() {
  if (!firmware::EmbedsDevelopmentTable()) return;
  framework::WriteStandardLine(framework::StandardStream::Error,
                               std::string("bass-firmware: this build ") + kWhatTheTableIs);
}

}  // namespace app
