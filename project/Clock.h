#pragma once

#include <QString>
#include <cstdint>

struct ClockTime {
    int64_t hours = 0;
    int64_t minutes = 0;
    int64_t seconds = 0;
};

// Whole hours, minutes and seconds of a 100-ns time, truncated toward zero.
ClockTime splitClock(int64_t time);

// "hh:mm:ss" of a 100-ns time; hours grow past two digits when needed.
QString formatClock(int64_t time);
