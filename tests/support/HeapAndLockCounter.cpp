// Counts heap calls and mutex locks made by one watched thread, for the proof that the driver
// side allocates and locks nothing. Replaces the global allocation functions of the test binary.
// On Linux without sanitizers it also interposes the C allocator and pthread's locks (sanitizer
// runtimes own those symbols, so under them only C++ allocations are counted). On Windows the
// program links the C allocator's entries and winpthreads' locks by name, and the linker's --wrap
// (the test's link options) sends every call to them here; Windows' own heap and lock functions
// are called through the program's import table, whose entries are pointed here at start. What
// the system's DLLs call inside themselves (PostMessageA's own locking among it) is not seen.
#include "tests/support/HeapAndLockCounter.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<unsigned long> heapCalls{0};
std::atomic<unsigned long> lockCalls{0};

#ifdef _WIN32
// winpthreads allocates when a thread not its own first asks for its id, which would count
// itself for ever: the watched thread is known by its system id.
std::atomic<DWORD> watched{0};

bool OnWatchedThread() { return watched.load(std::memory_order_relaxed) == ::GetCurrentThreadId(); }

void Watch(std::thread::id thread) {
  DWORD id = 0;
  if (thread != std::thread::id{}) {
    pthread_t native;
    static_assert(sizeof native == sizeof thread);
    std::memcpy(&native, &thread, sizeof native);
    id = ::GetThreadId(pthread_gethandle(native));
  }
  watched = id;
}
#else
std::atomic<std::thread::id> watched{};

bool OnWatchedThread() { return watched.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

void Watch(std::thread::id thread) { watched = thread; }
#endif

void CountHeapCall() {
  if (OnWatchedThread()) heapCalls.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

namespace testsupport {

void WatchThread(std::thread::id thread) {
  heapCalls = 0;
  lockCalls = 0;
  Watch(thread);
}

void StopWatching() { Watch(std::thread::id{}); }
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
  if (OnWatchedThread()) lockCalls.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

#ifdef _WIN32

extern "C" {
void* __real_malloc(std::size_t);
void* __real_calloc(std::size_t, std::size_t);
void* __real_realloc(void*, std::size_t);
void __real_free(void*);

void* __wrap_malloc(std::size_t size) {
  CountHeapCall();
  return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
  CountHeapCall();
  return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
  CountHeapCall();
  return __real_realloc(block, size);
}
void __wrap_free(void* block) {
  if (block != nullptr) CountHeapCall();
  __real_free(block);
}

#define WRAP_LOCK(name, type)     \
  int __real_##name(type* lock);  \
  int __wrap_##name(type* lock) { \
    CountLockCall();              \
    return __real_##name(lock);   \
  }

WRAP_LOCK(pthread_mutex_lock, pthread_mutex_t)
WRAP_LOCK(pthread_mutex_trylock, pthread_mutex_t)
WRAP_LOCK(pthread_rwlock_rdlock, pthread_rwlock_t)
WRAP_LOCK(pthread_rwlock_wrlock, pthread_rwlock_t)
WRAP_LOCK(pthread_spin_lock, pthread_spinlock_t)

// The import table's entries: one pointer each, which every call in the program goes through.
extern decltype(&::HeapAlloc) __imp_HeapAlloc;
extern decltype(&::HeapReAlloc) __imp_HeapReAlloc;
extern decltype(&::HeapFree) __imp_HeapFree;
extern decltype(&::EnterCriticalSection) __imp_EnterCriticalSection;
extern decltype(&::TryEnterCriticalSection) __imp_TryEnterCriticalSection;
extern decltype(&::AcquireSRWLockExclusive) __imp_AcquireSRWLockExclusive;
extern decltype(&::AcquireSRWLockShared) __imp_AcquireSRWLockShared;
}

namespace {

// Points the import table's entry `entry` at `counting` and gives the system's function.
template <typename Function>
Function Redirect(Function& entry, Function counting) {
  DWORD protection = 0;
  ::VirtualProtect(&entry, sizeof entry, PAGE_READWRITE, &protection);
  const Function system = entry;
  entry = counting;
  ::VirtualProtect(&entry, sizeof entry, protection, &protection);
  return system;
}

// Each counting function calls the system's, kept when its entry was redirected.
#define COUNTING(name, count, returns, parameters, arguments) \
  decltype(&::name) system##name = nullptr;                   \
  returns WINAPI Counting##name parameters {                  \
    count();                                                  \
    return system##name arguments;                            \
  }

COUNTING(HeapAlloc, CountHeapCall, LPVOID, (HANDLE heap, DWORD flags, SIZE_T size), (heap, flags, size))
COUNTING(HeapReAlloc, CountHeapCall, LPVOID, (HANDLE heap, DWORD flags, LPVOID block, SIZE_T size),
         (heap, flags, block, size))
COUNTING(HeapFree, CountHeapCall, BOOL, (HANDLE heap, DWORD flags, LPVOID block), (heap, flags, block))
COUNTING(EnterCriticalSection, CountLockCall, void, (LPCRITICAL_SECTION section), (section))
COUNTING(TryEnterCriticalSection, CountLockCall, BOOL, (LPCRITICAL_SECTION section), (section))
COUNTING(AcquireSRWLockExclusive, CountLockCall, void, (PSRWLOCK lock), (lock))
COUNTING(AcquireSRWLockShared, CountLockCall, void, (PSRWLOCK lock), (lock))

#define REDIRECT(name) system##name = Redirect(__imp_##name, &Counting##name)

const bool redirected = [] {
  REDIRECT(HeapAlloc);
  REDIRECT(HeapReAlloc);
  REDIRECT(HeapFree);
  REDIRECT(EnterCriticalSection);
  REDIRECT(TryEnterCriticalSection);
  REDIRECT(AcquireSRWLockExclusive);
  REDIRECT(AcquireSRWLockShared);
  return true;
}();

}  // namespace

namespace testsupport {

void UseSystemHeapAndLockOnce() {
  ::HeapFree(::GetProcessHeap(), 0, ::HeapAlloc(::GetProcessHeap(), 0, 16));
  CRITICAL_SECTION section;
  ::InitializeCriticalSection(&section);
  ::EnterCriticalSection(&section);
  ::LeaveCriticalSection(&section);
  ::DeleteCriticalSection(&section);
}

}  // namespace testsupport

#else

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

#endif  // _WIN32

#endif
