#pragma once

#include <thread>

namespace testsupport {

// Starts counting the heap calls and lock calls that `thread` makes, from zero.
void WatchThread(std::thread::id thread);
void StopWatching();
unsigned long HeapCallsOnWatchedThread();
unsigned long LockCallsOnWatchedThread();

#ifdef _WIN32
// One heap allocation, one free and one lock through Windows' own functions, for the counter's own test.
void UseSystemHeapAndLockOnce();
#endif

}  // namespace testsupport
