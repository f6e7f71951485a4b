#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// The items (anything with a start and a stop on one clock) that show during [start, stop),
// moved to count from start and cut to the span; an item that only touches it is left out.
template <typename Timed>
std::vector<Timed> cutToSpan(const std::vector<Timed>& items, int64_t start, int64_t stop) {
    std::vector<Timed> inSpan;
    for (const Timed& item : items) {
        Timed cut = item;
        cut.start = std::max(item.start, start) - start;
        cut.stop = std::min(item.stop, stop) - start;
        // An item without a length of its own (a DVD subtitle times itself) is kept where it
        // begins.
        const bool instant = item.stop == item.start && item.start >= start && item.start < stop;
        if (cut.stop > cut.start || instant) {
            inSpan.push_back(cut);
        }
    }
    return inSpan;
}
