#include "media/SpanClip.h"

#include <algorithm>

namespace {

constexpr GstClockTime kNanosecondsPerUnit = 100;
// Far below any picture's duration, far above what rounding to 100 ns moves a time.
constexpr GstClockTime kRoundingTolerance = GST_MSECOND / 2;

}  // namespace

SpanClip::SpanClip(int64_t start, int64_t stop)
    : start_(static_cast<GstClockTime>(std::max<int64_t>(start, 0)) * kNanosecondsPerUnit) {
    if (stop >= 0) {
        stop_ = static_cast<GstClockTime>(stop) * kNanosecondsPerUnit;
    }
    gst_segment_init(&segment_, GST_FORMAT_UNDEFINED);
    gst_audio_info_init(&sound_);
}

SpanClip* SpanClip::attach(GstPad* decoded, int64_t start, int64_t stop) {
    auto* clip = new SpanClip(start, stop);
    gst_pad_add_probe(decoded,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      &SpanClip::onData, clip,
                      [](gpointer data) { delete static_cast<SpanClip*>(data); });
    return clip;
}

// The segment moved to start at the span's start, and to stop at its stop.
void SpanClip::narrow(GstSegment* segment) const {
    if (segment->format != GST_FORMAT_TIME) {
        return;
    }
    if (start_ > segment->start &&
        (!GST_CLOCK_TIME_IS_VALID(segment->stop) || start_ < segment->stop)) {
        segment->time += start_ - segment->start;
        segment->start = start_;
        segment->position = start_;
    }
    if (GST_CLOCK_TIME_IS_VALID(stop_) &&
        (!GST_CLOCK_TIME_IS_VALID(segment->stop) || stop_ < segment->stop)) {
        segment->stop = stop_;
    } else if (!GST_CLOCK_TIME_IS_VALID(stop_) && GST_AUDIO_INFO_RATE(&sound_) == 0) {
        // Read to the end, the pictures end with the last one. A reader's stop comes from the
        // file's length, which MP4 and Matroska round up to the millisecond: the rate converter
        // would fill it with one picture more.
        segment->stop = GST_CLOCK_TIME_NONE;
    }
}

GstPadProbeReturn SpanClip::onData(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    auto* clip = static_cast<SpanClip*>(self);
    return GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER ? clip->onBuffer(pad, info)
                                                                     : clip->onEvent(info);
}

GstPadProbeReturn SpanClip::onEvent(GstPadProbeInfo* info) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(event)) {
        case GST_EVENT_SEGMENT: {
            gst_event_copy_segment(event, &segment_);
            holding_ = active_.load();
            if (!holding_) {
                break;
            }
            narrow(&segment_);
            GstEvent* narrowed = gst_event_new_segment(&segment_);
            gst_event_set_seqnum(narrowed, gst_event_get_seqnum(event));
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = narrowed;
            break;
        }
        case GST_EVENT_CAPS: {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            if (!gst_audio_info_from_caps(&sound_, caps)) {
                gst_audio_info_init(&sound_);
            }
            break;
        }
        case GST_EVENT_FLUSH_STOP:
            ended_ = false;
            break;
        default:
            break;
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn SpanClip::onBuffer(GstPad* pad, GstPadProbeInfo* info) {
    if (!holding_ || ended_) {
        return GST_PAD_PROBE_OK;  // after the end it is refused downstream, which stops the reader
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (segment_.format != GST_FORMAT_TIME || !GST_BUFFER_PTS_IS_VALID(buffer)) {
        return GST_PAD_PROBE_OK;
    }
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (GST_CLOCK_TIME_IS_VALID(segment_.stop) && pts >= segment_.stop) {
        // Past the span: the stream ends here. The buffer goes on to be refused as one after the
        // end, and that refusal stops the decoder and the reader.
        ended_ = true;
        gst_pad_push_event(pad, gst_event_new_eos());
        return GST_PAD_PROBE_OK;
    }
    if (GST_AUDIO_INFO_RATE(&sound_) > 0) {
        GstBuffer* clipped =
            gst_audio_buffer_clip(gst_buffer_ref(buffer), &segment_, GST_AUDIO_INFO_RATE(&sound_),
                                  GST_AUDIO_INFO_BPF(&sound_));
        if (!clipped) {
            return GST_PAD_PROBE_DROP;
        }
        gst_buffer_unref(buffer);
        GST_PAD_PROBE_INFO_DATA(info) = clipped;
        return GST_PAD_PROBE_OK;
    }
    // The picture showing at the start stays; one that would show for a mere rounding step of
    // the times (they pass through 100-ns units) does not count as showing there.
    const GstClockTime duration =
        GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0;
    return pts < segment_.start && pts + duration < segment_.start + kRoundingTolerance
               ? GST_PAD_PROBE_DROP
               : GST_PAD_PROBE_OK;
}
