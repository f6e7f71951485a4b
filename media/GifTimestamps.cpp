#include "media/GifTimestamps.h"

#include <deque>
#include <memory>
#include <mutex>

#include "media/Elements.h"

namespace {

// What the probes around one GIF decoder share.
struct GifTimes {
    std::mutex mutex;
    // The times of the packets the decoder took and has not yet given back as pictures: a GIF's
    // pictures come out one per packet, in order.
    std::deque<GstClockTime> pending;
    GstClockTime next = 0;  // after the last picture, for pictures whose packet had no time
    // Where the last seek wanted the animation to start; the reader starts it at 0.
    GstClockTime wantedStart = 0;
};

using SharedTimes = std::shared_ptr<GifTimes>;

GifTimes* timesOf(gpointer data) {
    return static_cast<SharedTimes*>(data)->get();
}

void releaseGifTimes(gpointer data) {
    delete static_cast<SharedTimes*>(data);
}

GstPadProbeReturn notePacket(GstPadProbeInfo* info, GifTimes* times) {
    std::lock_guard lock(times->mutex);
    if (!(info->type & GST_PAD_PROBE_TYPE_BUFFER)) {
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

// libav's GIF reader in GStreamer 1.22 reports a seek into an animation as done and then ends
// the stream at once, so a span starting after the first picture got nothing. The reader is sent
// back to the first picture instead (later pictures build on earlier ones anyway); the pictures
// before the wanted start are decoded and dropped, and the segment is the one asked for.
GstPadProbeReturn seekFromFirst(GstPadProbeInfo* info, GifTimes* times) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEEK) {
        return GST_PAD_PROBE_OK;
    }
    gdouble rate = 1.0;
    GstFormat format = GST_FORMAT_UNDEFINED;
    GstSeekFlags flags = GST_SEEK_FLAG_NONE;
    GstSeekType startType = GST_SEEK_TYPE_NONE;
    GstSeekType stopType = GST_SEEK_TYPE_NONE;
    gint64 start = 0;
    gint64 stop = 0;
    gst_event_parse_seek(event, &rate, &format, &flags, &startType, &start, &stopType, &stop);
    if (format != GST_FORMAT_TIME || startType != GST_SEEK_TYPE_SET || rate <= 0) {
        return GST_PAD_PROBE_OK;
    }
    {
        std::lock_guard lock(times->mutex);
        times->wantedStart = start > 0 ? static_cast<GstClockTime>(start) : 0;
    }
    if (start <= 0) {
        return GST_PAD_PROBE_OK;
    }
    GstEvent* fromFirst = gst_event_new_seek(rate, format, flags, startType, 0, stopType, stop);
    gst_event_set_seqnum(fromFirst, gst_event_get_seqnum(event));
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = fromFirst;
    return GST_PAD_PROBE_OK;
}

// Seeks on their way to the reader, and the packets and events (flushes among them) coming
// from it.
GstPadProbeReturn onGifInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    return info->type & GST_PAD_PROBE_TYPE_EVENT_UPSTREAM ? seekFromFirst(info, timesOf(data))
                                                          : notePacket(info, timesOf(data));
}

// The segment from the reader, as the seek asked for it.
GstPadProbeReturn startSegmentAt(GstPadProbeInfo* info, GstClockTime wantedStart) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT || wantedStart == 0) {
        return GST_PAD_PROBE_OK;
    }
    const GstSegment* given = nullptr;
    gst_event_parse_segment(event, &given);
    if (given->format != GST_FORMAT_TIME || given->start >= wantedStart) {
        return GST_PAD_PROBE_OK;
    }
    GstSegment segment;
    gst_segment_copy_into(given, &segment);
    segment.time += wantedStart - segment.start;
    segment.start = wantedStart;
    segment.position = wantedStart;
    GstEvent* wanted = gst_event_new_segment(&segment);
    gst_event_set_seqnum(wanted, gst_event_get_seqnum(event));
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = wanted;
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn onGifPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GifTimes* times = timesOf(data);
    std::lock_guard lock(times->mutex);
    if (!(info->type & GST_PAD_PROBE_TYPE_BUFFER)) {
        return startSegmentAt(info, times->wantedStart);
    }
    GstClockTime time = times->next;
    if (!times->pending.empty()) {
        if (GST_CLOCK_TIME_IS_VALID(times->pending.front())) {
            time = times->pending.front();
        }
        times->pending.pop_front();
    }
    GstBuffer* picture = GST_PAD_PROBE_INFO_BUFFER(info);
    const GstClockTime end = GST_BUFFER_DURATION_IS_VALID(picture)
                                 ? time + GST_BUFFER_DURATION(picture)
                                 : GST_CLOCK_TIME_NONE;
    if (GST_CLOCK_TIME_IS_VALID(end)) {
        times->next = end;
    }
    if (GST_CLOCK_TIME_IS_VALID(end) && end <= times->wantedStart) {
        return GST_PAD_PROBE_DROP;
    }
    picture = gst_buffer_make_writable(picture);
    GST_BUFFER_PTS(picture) = time;
    GST_BUFFER_DTS(picture) = GST_CLOCK_TIME_NONE;
    GST_PAD_PROBE_INFO_DATA(info) = picture;
    return GST_PAD_PROBE_OK;
}

}  // namespace

void restampGifPictures(GstElement* gifDecoder) {
    auto times = std::make_shared<GifTimes>();
    if (GstPad* input = gst_element_get_static_pad(gifDecoder, "sink")) {
        gst_pad_add_probe(
            input,
            static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_BOTH |
                                         GST_PAD_PROBE_TYPE_EVENT_FLUSH),
            &onGifInput, new SharedTimes(times), &releaseGifTimes);
        gst_object_unref(input);
    }
    watchPadData(gifDecoder, "src", &onGifPicture, new SharedTimes(times), &releaseGifTimes);
}
