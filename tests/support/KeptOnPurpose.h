#pragma once

// For a test whose device keeps what it was lent (a device that cannot close, a device switched
// off with buffers still in it): what the port leaves to it is kept on purpose, never freed while
// the device may still write to it, and the leak checker is told so for what is allocated while
// the marker lives. Nothing without AddressSanitizer.

// A compiler without __has_feature (gcc before 14) cannot read it in the same #if as its test.
#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER
#endif
#endif

#ifdef UNDER_ADDRESS_SANITIZER
#include <sanitizer/lsan_interface.h>
#define KEEPS_MEMORY_ON_PURPOSE __lsan::ScopedDisabler keptOnPurpose
#else
#define KEEPS_MEMORY_ON_PURPOSE
#endif
