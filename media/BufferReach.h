#pragma once

#include <gst/gst.h>

#include <atomic>
#include <cstdint>

// Raises `reach` (100-ns units of the output, from its start) to where a buffer that went
// through `pad` ends, when it ends later. The buffer's own time is the source's: the pad's segment
// turns it into the output's time, so a span trimmed from the middle counts from its start.
// Called from streaming threads, so the update is lock-free.
inline void extendReach(std::atomic<int64_t>& reach, GstPad* pad, GstBuffer* buffer) {
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) {
        return;
    }
    GstClockTime end = GST_BUFFER_PTS(buffer);
    if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
        end += GST_BUFFER_DURATION(buffer);
    }
    if (GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0)) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        const GstClockTime running =
            segment->format == GST_FORMAT_TIME
                ? gst_segment_to_running_time(segment, GST_FORMAT_TIME, end)
                : GST_CLOCK_TIME_NONE;
        gst_event_unref(event);
        if (!GST_CLOCK_TIME_IS_VALID(running)) {
            return;
        }
        end = running;
    }
    const auto units = static_cast<int64_t>(end / 100);
    int64_t previous = reach.load();
    while (units > previous && !reach.compare_exchange_weak(previous, units)) {
    }
}
