#pragma once

// How a failure is put into words for the user: its message, its class, and the text of its box.

#include <exception>
#include <string>

namespace framework {

// The failure's message: Exception::Message, what() of other exceptions, or "Unknown exception".
std::string MessageOf(const std::exception_ptr& error);

// The failure's class as the source names it, without namespaces: "EMidiInputError".
std::string ClassNameOf(const std::exception_ptr& error);

// The message as an error box shows it: with a closing "." unless it is empty or its last
// character comes at or before "." in the character set (so ".", ")" and "!" get none).
std::string ErrorBoxText(const std::string& message);

}  // namespace framework
