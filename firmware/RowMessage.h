#pragma once

// The rule by which one row of the table becomes the message that is sent, apart from the table
// itself so that it can be applied to a row of any content.

#include <array>
#include <cstdint>

#include "firmware/TableLayout.h"

namespace firmware {

// The low 8 bits of each of the kBlockLength elements at `row`, in order; nothing of what follows
// the row is read.
std::array<std::uint8_t, kBlockLength> MessageOfRow(const std::uint32_t* row);

}  // namespace firmware
