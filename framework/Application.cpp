#include "framework/Application.h"

#include <algorithm>

#include "framework/ErrorText.h"
#include "framework/ProgramIdentity.h"

namespace framework {

namespace {

// Where the file's name starts: after the last directory separator of the system.
std::size_t NameStart(const std::string& path) {
#ifdef _WIN32
  const std::size_t separator = path.find_last_of("/\\");
#else
  const std::size_t separator = path.find_last_of('/');
#endif
  return separator == std::string::npos ? 0 : separator + 1;
}

// The length of the UTF-8 character that `lead` begins.
std::size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

TApplication::TApplication() : title_(TitleOf(ProgramFilePath())), errorBox_(title_) {
  // Where the window system groups the task bar by a name, it is this (ProgramIdentity.h); the
  // window's own caption stays its own.
  ShowInTaskBarAs(title_);
  previousHook_ = SetExceptionHook([this](std::exception_ptr error) { HandleException(error); });
}

TApplication::~TApplication() { SetExceptionHook(previousHook_); }

std::string TApplication::TitleOf(const std::string& programFile) {
  const std::string file = programFile.substr(NameStart(programFile));
  const std::string name = file.substr(0, file.find('.'));
  if (name.empty()) return name;
  const std::size_t first = std::min(CharacterLength(static_cast<unsigned char>(name.front())), name.size());
  return name.substr(0, first) + LowerCase(name.substr(first));
}

void TApplication::ShowApplicationError(const std::exception_ptr& error) {
  errorBox_.ShowNow("Application Error", ClassNameOf(error) + ": " + ErrorBoxText(MessageOf(error)));
}

void TApplication::Terminate() { errorBox_.Stop(); }

void TApplication::HandleException(const std::exception_ptr& error) {
  errorBox_.Report(ErrorBoxText(MessageOf(error)));
}

}  // namespace framework
