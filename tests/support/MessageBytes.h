#pragma once

// The conversation's messages as tests pass bytes around.

#include <cstdint>
#include <vector>

#include "firmware/Conversation.h"

namespace testsupport {

// The whole message of `kind` (a reply or a request, not a block).
inline std::vector<std::uint8_t> MessageBytes(std::uint8_t kind) {
  const auto message = firmware::ConversationMessage(kind);
  return {message.begin(), message.end()};
}

}  // namespace testsupport
