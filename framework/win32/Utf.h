#pragma once

// The framework's text is UTF-8; Win32's wide functions take UTF-16.

#include <string>

namespace framework {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace framework
