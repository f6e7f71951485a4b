#include "project/Clock.h"

#include "project/ConversionProject.h"

ClockTime splitClock(int64_t time) {
    const int64_t totalSeconds = time / kUnitsPerSecond;
    return {totalSeconds / 3600, (totalSeconds % 3600) / 60, totalSeconds % 60};
}

QString formatClock(int64_t time) {
    const ClockTime clock = splitClock(time);
    return QString::asprintf("%02lld:%02lld:%02lld", static_cast<long long>(clock.hours),
                             static_cast<long long>(clock.minutes),
                             static_cast<long long>(clock.seconds));
}
