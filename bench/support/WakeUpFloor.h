#pragma once

// The floor under any reply the tool handles: one post to a message window from another thread
// until the window's handler runs, with the window thread idle in its event loop in between, as
// it is while the tool waits for the device.

#include <cstddef>
#include <vector>

namespace bench {

// Microseconds of `count` wake-ups, one after another. Window thread, with a Qt application.
std::vector<double> MeasureWakeUps(std::size_t count);

}  // namespace bench
