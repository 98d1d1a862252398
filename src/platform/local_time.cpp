#include "platform/local_time.h"

#include <atomic>
#include <ctime>
#include <mutex>

namespace plat {
namespace {
std::mutex g_fakeMutex;
bool g_fake = false;
LocalTime g_fakeTime;
}  // namespace

LocalTime GetLocalTime() {
    {
        std::lock_guard<std::mutex> guard(g_fakeMutex);
        if (g_fake) return g_fakeTime;
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts{};
    localtime_r(&ts.tv_sec, &parts);
    LocalTime t;
    t.Year = parts.tm_year + 1900;
    t.Month = parts.tm_mon + 1;
    t.Day = parts.tm_mday;
    t.Hour = parts.tm_hour;
    t.Minute = parts.tm_min;
    t.Second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
    t.Milliseconds = static_cast<int>(ts.tv_nsec / 1000000);
    return t;
}

namespace test {
void SetFakeLocalTime(const LocalTime& t) {
    std::lock_guard<std::mutex> guard(g_fakeMutex);
    g_fake = true;
    g_fakeTime = t;
}
void UseRealLocalTime() {
    std::lock_guard<std::mutex> guard(g_fakeMutex);
    g_fake = false;
}
}  // namespace test

}  // namespace plat
