#pragma once

#include <gst/gst.h>

#include <atomic>
#include <cstdint>

// Raises `reach` (100-ns units) to where a buffer ends, when it ends later; called from
// streaming threads, so the update is lock-free.
inline void extendReach(std::atomic<int64_t>& reach, GstBuffer* buffer) {
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) {
        return;
    }
    GstClockTime end = GST_BUFFER_PTS(buffer);
    if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
        end += GST_BUFFER_DURATION(buffer);
    }
    const auto units = static_cast<int64_t>(end / 100);
    int64_t previous = reach.load();
    while (units > previous && !reach.compare_exchange_weak(previous, units)) {
    }
}
