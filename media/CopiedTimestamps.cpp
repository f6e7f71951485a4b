#include "media/CopiedTimestamps.h"

#include <algorithm>

#include "media/ReorderDepth.h"

namespace {

// Where the header does not tell how far pictures are reordered, an edit list of up to this
// many pictures is taken to be made for the reordering.
constexpr int kPresumedReorderDepth = 3;

struct TimesSoFar {
    // Whether every packet since the stream started (or was flushed) had equal times.
    bool allCopied = true;
    // At most how much later than its decoding time a picture shows.
    GstClockTime reorderDelay = 0;
    GstSegment segment;  // the last one that came
    // How much earlier the stream's segments start than the reader says: an edit list made
    // for the reordering starts them after the first picture. Decided at the first packet.
    GstClockTime editShift = GST_CLOCK_TIME_NONE;
};

GstClockTime framesOf(const GstCaps* caps, int count) {
    gint numerator = 0;
    gint denominator = 1;
    return count > 0 &&
                   gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate",
                                              &numerator, &denominator) &&
                   numerator > 0
               ? gst_util_uint64_scale(GST_SECOND, guint64(count) * denominator, numerator)
               : 0;
}

void noteEvent(TimesSoFar* times, GstPadProbeInfo* info) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        times->allCopied = true;
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        gst_event_copy_segment(event, &times->segment);
        GstSegment& segment = times->segment;
        if (GST_CLOCK_TIME_IS_VALID(times->editShift) && times->editShift > 0 &&
            segment.format == GST_FORMAT_TIME) {
            // The times the pictures get stay those of their decoding.
            segment.start -= std::min(times->editShift, segment.start);
            segment.position = segment.start;
            GstEvent* moved = gst_event_new_segment(&segment);
            gst_event_set_seqnum(moved, gst_event_get_seqnum(event));
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = moved;
        }
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        const int depth = reorderDepthOf(caps);
        times->reorderDelay = framesOf(caps, depth >= 0 ? depth : kPresumedReorderDepth);
    }
}

GstPadProbeReturn onPacket(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* times = static_cast<TimesSoFar*>(data);
    if (!(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)) {
        noteEvent(times, info);
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* packet = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!times->allCopied || !GST_BUFFER_PTS_IS_VALID(packet) || !GST_BUFFER_DTS_IS_VALID(packet)) {
        return GST_PAD_PROBE_OK;
    }
    if (GST_BUFFER_PTS(packet) != GST_BUFFER_DTS(packet)) {
        times->allCopied = false;
        times->editShift = 0;
        return GST_PAD_PROBE_OK;
    }
    if (!GST_CLOCK_TIME_IS_VALID(times->editShift)) {
        const GstClockTime dts = GST_BUFFER_DTS(packet);
        const GstClockTime start =
            times->segment.format == GST_FORMAT_TIME ? times->segment.start : 0;
        times->editShift = start > dts && start - dts <= times->reorderDelay ? start - dts : 0;
        if (times->editShift > 0) {
            // The segment goes again, moved on its way through this probe.
            gst_pad_send_event(pad, gst_event_new_segment(&times->segment));
        }
    }
    // The others are timed from the key frames' decoding times in the order they show.
    if (GST_BUFFER_FLAG_IS_SET(packet, GST_BUFFER_FLAG_DELTA_UNIT)) {
        packet = gst_buffer_make_writable(packet);
        GST_BUFFER_PTS(packet) = GST_CLOCK_TIME_NONE;
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
    auto* times = new TimesSoFar;
    gst_segment_init(&times->segment, GST_FORMAT_UNDEFINED);
    gst_pad_add_probe(input,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      &onPacket, times,
                      [](gpointer data) { delete static_cast<TimesSoFar*>(data); });
    gst_object_unref(input);
}
