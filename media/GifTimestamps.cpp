#include "media/GifTimestamps.h"

#include "media/Elements.h"

namespace {

// Where the next picture starts.
struct GifClock {
    GstClockTime next = 0;
};

GstPadProbeReturn onGifData(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* clock = static_cast<GifClock*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            clock->next = segment->start;
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* picture = GST_PAD_PROBE_INFO_BUFFER(info);
    const GstClockTime stamped = GST_BUFFER_PTS(picture);
    if (!GST_CLOCK_TIME_IS_VALID(stamped) || stamped < clock->next) {
        picture = gst_buffer_make_writable(picture);
        GST_BUFFER_PTS(picture) = clock->next;
        GST_BUFFER_DTS(picture) = GST_CLOCK_TIME_NONE;
        GST_PAD_PROBE_INFO_DATA(info) = picture;
    }
    if (GST_BUFFER_DURATION_IS_VALID(picture)) {
        clock->next = GST_BUFFER_PTS(picture) + GST_BUFFER_DURATION(picture);
    }
    return GST_PAD_PROBE_OK;
}

void forgetGifClock(gpointer data) {
    delete static_cast<GifClock*>(data);
}

}  // namespace

void restampGifPictures(GstElement* gifDecoder) {
    watchPadData(gifDecoder, "src", &onGifData, new GifClock, &forgetGifClock);
}
