#include "midi/platform/CallObserver.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<CallObserver*> observer{nullptr};
}  // namespace

void ObserveCalls(CallObserver* newObserver) noexcept { observer.store(newObserver, std::memory_order_release); }

CallObserver* CurrentCallObserver() noexcept { return observer.load(std::memory_order_acquire); }

}  // namespace platform
