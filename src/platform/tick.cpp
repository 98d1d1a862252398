#include "platform/tick.h"

#include <atomic>
#include <ctime>

namespace plat {
namespace {

std::atomic<bool> g_frozen{false};
std::atomic<uint32_t> g_frozenTick{0};
std::atomic<uint32_t> g_offset{0};

uint32_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

}  // namespace

uint32_t GetTickCount() {
    if (g_frozen.load(std::memory_order_acquire)) return g_frozenTick.load(std::memory_order_acquire);
    return MonotonicMs() + g_offset.load(std::memory_order_relaxed);
}

void WaitMilliseconds(uint32_t ms) {
    if (g_frozen.load(std::memory_order_acquire)) {
        g_frozenTick.fetch_add(ms + 1, std::memory_order_acq_rel);
        return;
    }
    const uint32_t start = GetTickCount();
    while (static_cast<int64_t>(TickDiff(start, GetTickCount())) <= static_cast<int64_t>(ms)) {
    }
}

namespace test {
void FreezeTick(uint32_t at) {
    g_frozenTick.store(at, std::memory_order_release);
    g_frozen.store(true, std::memory_order_release);
}
void AdvanceTick(uint32_t ms) { g_frozenTick.fetch_add(ms, std::memory_order_acq_rel); }
void StartRealTickAt(uint32_t at) {
    g_offset.store(at - MonotonicMs(), std::memory_order_relaxed);
    g_frozen.store(false, std::memory_order_release);
}
void UseRealTick() {
    g_offset.store(0, std::memory_order_relaxed);
    g_frozen.store(false, std::memory_order_release);
}
bool TickIsFrozen() { return g_frozen.load(std::memory_order_acquire); }
}  // namespace test

}  // namespace plat
