#include "media/CopiedTimestamps.h"

#include <algorithm>

#include "media/ReorderDepth.h"

namespace {

struct TimesSoFar {
    // Whether every packet since the stream started (or was flushed) had equal times.
    bool allCopied = true;
    // How much later than its decoding time a picture may show, as the stream's header says.
    GstClockTime reorderDelay = 0;
    // Where the segment starts: an MP4 edit list made for the reordering starts it that much
    // after the first packet.
    GstClockTime segmentStart = 0;
    // How much later than its decoding time a key frame shows; known at the first packet.
    GstClockTime showingDelay = GST_CLOCK_TIME_NONE;
};

void noteEvent(TimesSoFar* times, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        times->allCopied = true;
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        times->segmentStart = segment->format == GST_FORMAT_TIME ? segment->start : 0;
        times->showingDelay = GST_CLOCK_TIME_NONE;
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        gint numerator = 0;
        gint denominator = 1;
        const int depth = reorderDepthOf(caps);
        times->reorderDelay =
            depth > 0 &&
                    gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate",
                                               &numerator, &denominator) &&
                    numerator > 0
                ? gst_util_uint64_scale(GST_SECOND, guint64(depth) * denominator, numerator)
                : 0;
    }
}

GstPadProbeReturn onPacket(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* times = static_cast<TimesSoFar*>(data);
    if (!(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)) {
        noteEvent(times, GST_PAD_PROBE_INFO_EVENT(info));
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* packet = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!times->allCopied || !GST_BUFFER_PTS_IS_VALID(packet) || !GST_BUFFER_DTS_IS_VALID(packet)) {
        return GST_PAD_PROBE_OK;
    }
    if (GST_BUFFER_PTS(packet) != GST_BUFFER_DTS(packet)) {
        times->allCopied = false;
        return GST_PAD_PROBE_OK;
    }
    if (!GST_CLOCK_TIME_IS_VALID(times->showingDelay)) {
        const GstClockTime dts = GST_BUFFER_DTS(packet);
        times->showingDelay = times->segmentStart > dts
                                  ? std::min(times->reorderDelay, times->segmentStart - dts)
                                  : 0;
    }
    // A key frame keeps a time, which tells the decoder how much later than their decoding the
    // pictures show; the others are timed from there.
    const bool key = !GST_BUFFER_FLAG_IS_SET(packet, GST_BUFFER_FLAG_DELTA_UNIT);
    if (!key || times->showingDelay > 0) {
        packet = gst_buffer_make_writable(packet);
        GST_BUFFER_PTS(packet) =
            key ? GST_BUFFER_DTS(packet) + times->showingDelay : GST_CLOCK_TIME_NONE;
        GST_PAD_PROBE_INFO_DATA(info) = packet;
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

void ignoreCopiedPresentationTimes(GstElement* videoDecoder) {
    GstPad* input = gst_element_get_static_pad(videoDecoder, "sink");
    if (!input) {
        return;
    }
    gst_pad_add_probe(input,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      &onPacket, new TimesSoFar,
                      [](gpointer data) { delete static_cast<TimesSoFar*>(data); });
    gst_object_unref(input);
}
