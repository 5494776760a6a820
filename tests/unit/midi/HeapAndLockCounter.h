#pragma once

#include <thread>

namespace testsupport {

// Starts counting the heap calls and lock calls that `thread` makes, from zero.
void WatchThread(std::thread::id thread);
void StopWatching();
unsigned long HeapCallsOnWatchedThread();
unsigned long LockCallsOnWatchedThread();

}  // namespace testsupport
