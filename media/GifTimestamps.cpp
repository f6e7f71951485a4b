#include "media/GifTimestamps.h"

#include <deque>
#include <memory>
#include <mutex>

#include "media/Elements.h"

namespace {

// The times of the packets the decoder took and has not yet given back as pictures: a GIF's
// pictures come out one per packet, in order.
struct GifTimes {
    std::mutex mutex;
    std::deque<GstClockTime> pending;
    GstClockTime next = 0;  // after the last picture, for pictures whose packet had no time
};

GstPadProbeReturn onGifPacket(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GifTimes* times = static_cast<std::shared_ptr<GifTimes>*>(data)->get();
    std::lock_guard lock(times->mutex);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
            times->pending.clear();
        } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            times->next = segment->start;
        }
        return GST_PAD_PROBE_OK;
    }
    times->pending.push_back(GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info)));
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn onGifPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (!(info->type & GST_PAD_PROBE_TYPE_BUFFER)) {
        return GST_PAD_PROBE_OK;
    }
    GifTimes* times = static_cast<std::shared_ptr<GifTimes>*>(data)->get();
    std::lock_guard lock(times->mutex);
    GstClockTime time = times->next;
    if (!times->pending.empty()) {
        if (GST_CLOCK_TIME_IS_VALID(times->pending.front())) {
            time = times->pending.front();
        }
        times->pending.pop_front();
    }
    GstBuffer* picture = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_BUFFER_PTS(picture) = time;
    GST_BUFFER_DTS(picture) = GST_CLOCK_TIME_NONE;
    GST_PAD_PROBE_INFO_DATA(info) = picture;
    if (GST_BUFFER_DURATION_IS_VALID(picture)) {
        times->next = time + GST_BUFFER_DURATION(picture);
    }
    return GST_PAD_PROBE_OK;
}

void releaseGifTimes(gpointer data) {
    delete static_cast<std::shared_ptr<GifTimes>*>(data);
}

}  // namespace

void restampGifPictures(GstElement* gifDecoder) {
    // Both probes share the times; each holds them until it goes.
    auto times = std::make_shared<GifTimes>();
    watchPadData(gifDecoder, "sink", &onGifPacket, new std::shared_ptr<GifTimes>(times),
                 &releaseGifTimes);
    watchPadData(gifDecoder, "src", &onGifPicture, new std::shared_ptr<GifTimes>(times),
                 &releaseGifTimes);
}
