// Counts heap calls and mutex locks made by one watched thread, for the proof that the driver
// side allocates and locks nothing. Replaces the global allocation functions of the test binary;
// without sanitizers it also interposes the C allocator and pthread's locks (sanitizer runtimes
// own those symbols, so under them only C++ allocations are counted).
#include "tests/unit/midi/HeapAndLockCounter.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::thread::id> watched{};
std::atomic<unsigned long> heapCalls{0};
std::atomic<unsigned long> lockCalls{0};

void CountHeapCall() {
  if (watched.load(std::memory_order_relaxed) == std::this_thread::get_id())
    heapCalls.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

namespace testsupport {

void WatchThread(std::thread::id thread) {
  heapCalls = 0;
  lockCalls = 0;
  watched = thread;
}

void StopWatching() { watched = std::thread::id{}; }
unsigned long HeapCallsOnWatchedThread() { return heapCalls; }
unsigned long LockCallsOnWatchedThread() { return lockCalls; }

}  // namespace testsupport

void* operator new(std::size_t size) {
  CountHeapCall();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  CountHeapCall();
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept {
  if (block != nullptr) CountHeapCall();
  std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)

namespace {
void CountLockCall() {
  if (watched.load(std::memory_order_relaxed) == std::this_thread::get_id())
    lockCalls.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) {
  CountHeapCall();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  CountHeapCall();
  return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) {
  CountHeapCall();
  return __libc_realloc(block, size);
}
void free(void* block) {
  if (block != nullptr) CountHeapCall();
  __libc_free(block);
}

// The real functions are looked up on first use; a lookup race only stores the same value twice.
#define FORWARD_LOCK(name, type)                                            \
  int name(type* lock) {                                                    \
    CountLockCall();                                                        \
    static std::atomic<int (*)(type*)> real{nullptr};                       \
    auto function = real.load(std::memory_order_relaxed);                   \
    if (function == nullptr) {                                              \
      function = reinterpret_cast<int (*)(type*)>(dlsym(RTLD_NEXT, #name)); \
      real.store(function, std::memory_order_relaxed);                      \
    }                                                                       \
    return function(lock);                                                  \
  }

FORWARD_LOCK(pthread_mutex_lock, pthread_mutex_t)
FORWARD_LOCK(pthread_mutex_trylock, pthread_mutex_t)
FORWARD_LOCK(pthread_rwlock_rdlock, pthread_rwlock_t)
FORWARD_LOCK(pthread_rwlock_wrlock, pthread_rwlock_t)
FORWARD_LOCK(pthread_spin_lock, pthread_spinlock_t)
}

#endif
