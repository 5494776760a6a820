#include "framework/ErrorText.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "framework/Exception.h"

namespace framework {

namespace {

std::string Demangled(const char* mangled) {
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                         &std::free);
  return status == 0 ? std::string(name.get()) : std::string(mangled);
}

// Drops the namespaces in front of the class, leaving those inside template arguments alone.
std::string WithoutNamespaces(const std::string& name) {
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '<') ++depth;
    if (name[i] == '>') --depth;
    if (depth == 0 && name.compare(i, 2, "::") == 0) start = i + 2;
  }
  return name.substr(start);
}

}  // namespace

std::string MessageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}

std::string ClassNameOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (...) {
    const std::type_info* type = abi::__cxa_current_exception_type();
    return type == nullptr ? std::string("Unknown exception") : WithoutNamespaces(Demangled(type->name()));
  }
}

std::string ErrorBoxText(const std::string& message) {
  if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + '.';
}

}  // namespace framework
