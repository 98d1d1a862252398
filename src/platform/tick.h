// The millisecond tick: a 32-bit count that wraps every 49.7 days, as every
// record of the data file stores it. Tests may freeze it or start it near the wrap.
#pragma once
#include <cstdint>

namespace plat {

// Milliseconds since an arbitrary start, wrapping modulo 2^32. Monotonic.
uint32_t GetTickCount();

// Busy wait, handling nothing, until more than `ms` milliseconds of ticks have
// passed (survives the wrap). With a frozen test clock it moves the clock
// forward by ms + 1 instead of spinning.
void WaitMilliseconds(uint32_t ms);

// Signed distance from `from` to `to`, correct across the wrap while the two
// are less than 2^31 ms apart: TickDiff(0xFFFFFFF0, 0x10) == 0x20.
constexpr int32_t TickDiff(uint32_t from, uint32_t to) {
    return static_cast<int32_t>(to - from);
}

namespace test {
void FreezeTick(uint32_t at);       // GetTickCount returns `at` until moved
void AdvanceTick(uint32_t ms);      // moves a frozen tick (wraps like the real one)
void StartRealTickAt(uint32_t at);  // real time again, offset so that now reads `at`
void UseRealTick();                 // real time, no offset
bool TickIsFrozen();
}  // namespace test

}  // namespace plat
