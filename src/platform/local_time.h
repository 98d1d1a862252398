// The local wall-clock date and time, as the line, station and time-mark
// records write them. Tests can pin it.
#pragma once

namespace plat {

struct LocalTime {
    int Year = 2000;        // four digits
    int Month = 1;          // 1..12
    int Day = 1;            // 1..31
    int Hour = 0;           // 0..23
    int Minute = 0;         // 0..59
    int Second = 0;         // 0..59 (a leap second reads 59)
    int Milliseconds = 0;   // 0..999
};

LocalTime GetLocalTime();

namespace test {
void SetFakeLocalTime(const LocalTime& t);  // every read returns t until cleared
void UseRealLocalTime();
}  // namespace test

}  // namespace plat
