#include "media/SourceReach.h"

#include <algorithm>
#include <cstring>

struct DemuxedPad {
    SourceReach* reach = nullptr;
    GstSegment segment;
    std::atomic<int64_t>* kind = nullptr;  // not known until the pad has caps

    DemuxedPad() { gst_segment_init(&segment, GST_FORMAT_UNDEFINED); }

    void noteCaps(GstCaps* caps) {
        const char* media = caps && gst_caps_get_size(caps) > 0
                                ? gst_structure_get_name(gst_caps_get_structure(caps, 0))
                                : "";
        if (g_str_has_prefix(media, "video/") || g_str_has_prefix(media, "image/")) {
            kind = &reach->video_;
        } else if (g_str_has_prefix(media, "audio/")) {
            kind = &reach->audio_;
        }
    }

    void noteBuffer(GstBuffer* buffer) {
        // AVI gives a time only to its key frames; the others carry their decoding time, which
        // is their place in the file.
        GstClockTime end =
            GST_BUFFER_PTS_IS_VALID(buffer) ? GST_BUFFER_PTS(buffer) : GST_BUFFER_DTS(buffer);
        if (!kind || !GST_CLOCK_TIME_IS_VALID(end) || segment.format != GST_FORMAT_TIME) {
            return;
        }
        if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
            end += GST_BUFFER_DURATION(buffer);
        }
        const auto units = static_cast<int64_t>(end / 100);
        int64_t previous = kind->load();
        while (units > previous && !kind->compare_exchange_weak(previous, units)) {
        }
    }
};

namespace {

GstPadProbeReturn onDemuxed(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* pad = static_cast<DemuxedPad*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        pad->noteBuffer(GST_PAD_PROBE_INFO_BUFFER(info));
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        gst_event_copy_segment(event, &pad->segment);
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        pad->noteCaps(caps);
    }
    return GST_PAD_PROBE_OK;
}

void onReachPadAdded(GstElement*, GstPad* pad, gpointer data) {
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) {
        return;
    }
    auto* watched = new DemuxedPad;
    watched->reach = static_cast<SourceReach*>(data);
    gst_pad_add_probe(pad,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      &onDemuxed, watched,
                      [](gpointer owned) { delete static_cast<DemuxedPad*>(owned); });
}

struct SeekNumber {
    std::atomic<guint32> last{GST_SEQNUM_INVALID};
};

GstPadProbeReturn onSeekNumbered(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* seek = static_cast<SeekNumber*>(data);
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    const GstEventType type = GST_EVENT_TYPE(event);
    if (type == GST_EVENT_SEEK) {
        seek->last = gst_event_get_seqnum(event);
    } else if ((type == GST_EVENT_EOS || type == GST_EVENT_SEGMENT) &&
               seek->last != GST_SEQNUM_INVALID && gst_event_get_seqnum(event) != seek->last) {
        event = gst_event_make_writable(event);
        gst_event_set_seqnum(event, seek->last);
        GST_PAD_PROBE_INFO_DATA(info) = event;
    }
    return GST_PAD_PROBE_OK;
}

void onSeekPadAdded(GstElement*, GstPad* pad, gpointer) {
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) {
        return;
    }
    gst_pad_add_probe(pad,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_UPSTREAM |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      &onSeekNumbered, new SeekNumber,
                      [](gpointer owned) { delete static_cast<SeekNumber*>(owned); });
}

}  // namespace

void SourceReach::watchDemuxer(GstElement* demuxer) {
    g_signal_connect(demuxer, "pad-added", G_CALLBACK(&onReachPadAdded), this);
}

void keepSeekNumbers(GstElement* demuxer) {
    g_signal_connect(demuxer, "pad-added", G_CALLBACK(&onSeekPadAdded), nullptr);
}

bool isDemuxer(GstElement* element) {
    GstElementFactory* made = gst_element_get_factory(element);
    return made && gst_element_factory_list_is_type(made, GST_ELEMENT_FACTORY_TYPE_DEMUXER);
}

bool isLibavDemuxer(GstElement* element) {
    GstElementFactory* made = gst_element_get_factory(element);
    return made && g_str_has_prefix(GST_OBJECT_NAME(made), "avdemux_");
}
