#include "media/CuePacer.h"

#include <gst/app/gstappsrc.h>
#include <gst/base/gstaggregator.h>

#include <algorithm>

namespace {

// Gaps are announced in steps a little ahead of the pictures, so that a writer waiting for every
// track always has one queued on the subtitle pad; what is announced past the last picture when
// the conversion stops is at most two steps.
constexpr GstClockTime kGapStep = 200 * GST_MSECOND;
constexpr GstClockTime kGapLead = kGapStep;
// A cue is given at most two of these before its time, never earlier: what was given is written
// even when the conversion stops.
constexpr GstClockTime kCueLead = GST_MSECOND;

GstClockTime runningEnd(GstPad* pad, GstBuffer* buffer) {
    GstClockTime time =
        GST_BUFFER_PTS_IS_VALID(buffer) ? GST_BUFFER_PTS(buffer) : GST_BUFFER_DTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(time)) {
        return GST_CLOCK_TIME_NONE;
    }
    if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
        time += GST_BUFFER_DURATION(buffer);
    }
    GstMiniPtr<GstEvent> segmentEvent(gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0));
    if (!segmentEvent) {
        return time;
    }
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(segmentEvent.get(), &segment);
    return gst_segment_to_running_time(segment, GST_FORMAT_TIME, time);
}

void giveGap(GstElement* source, GstClockTime start, GstClockTime end, bool asEmptyCue) {
    if (!asEmptyCue) {
        gst_element_send_event(source, gst_event_new_gap(start, end - start));
        return;
    }
    GstBuffer* empty = gst_buffer_new();
    GST_BUFFER_PTS(empty) = start;
    GST_BUFFER_DURATION(empty) = GST_MSECOND;
    gst_app_src_push_buffer(GST_APP_SRC(source), empty);
}

void giveCue(GstElement* source, const CuePacer::Cue& cue, GstClockTime stop) {
    GstBuffer* buffer = gst_buffer_new_memdup(cue.text.constData(), size_t(cue.text.size()));
    GST_BUFFER_PTS(buffer) = cue.start;
    // A picture subtitle may carry its own time on screen and none outside.
    GST_BUFFER_DURATION(buffer) = stop > cue.start ? stop - cue.start : GST_CLOCK_TIME_NONE;
    gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
}

}  // namespace

void CuePacer::giveAll(GstElement* source, const std::vector<Cue>& cues) {
    for (const Cue& cue : cues) {
        giveCue(source, cue, cue.stop);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source));
}

void CuePacer::addTrack(GstElement* source, std::vector<Cue> cues, GstClockTime spanEnd) {
    std::lock_guard lock(mutex_);
    Track track;
    track.source = addRef(source);
    track.cues = std::move(cues);
    track.spanEnd = spanEnd;
    tracks_.push_back(std::move(track));
}

void CuePacer::watchPadsOf(GstElement* writer) {
    emptyCues_ = GST_IS_AGGREGATOR(writer);
    GstIterator* pads = gst_element_iterate_sink_pads(writer);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        auto* pad = GST_PAD(g_value_get_object(&item));
        if (gst_pad_is_linked(pad)) {
            ++watched_;
            gst_pad_add_probe(
                pad,
                static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                             GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                [](GstPad* pad, GstPadProbeInfo* info, gpointer data) {
                    CuePacer& pacer = **static_cast<std::shared_ptr<CuePacer>*>(data);
                    if ((info->type & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
                        const GstClockTime end = runningEnd(pad, GST_PAD_PROBE_INFO_BUFFER(info));
                        if (GST_CLOCK_TIME_IS_VALID(end)) {
                            pacer.reached(end);
                        }
                    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
                        pacer.mediaEnded();
                    }
                    return GST_PAD_PROBE_OK;
                },
                new std::shared_ptr<CuePacer>(shared_from_this()),
                [](gpointer data) { delete static_cast<std::shared_ptr<CuePacer>*>(data); });
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pads);
}

void CuePacer::reached(GstClockTime position) {
    std::lock_guard lock(mutex_);
    if (finished_ || position <= position_) {
        return;
    }
    position_ = position;
    for (Track& track : tracks_) {
        feed(track, position);
    }
}

void CuePacer::mediaEnded() {
    std::lock_guard lock(mutex_);
    if (finished_ || ++ended_ < watched_) {
        return;
    }
    // The pictures and sound are all written: the cues that begin before their end follow,
    // cut to it, and nothing after it.
    finished_ = true;
    for (Track& track : tracks_) {
        finish(track, position_);
    }
}

void CuePacer::feed(Track& track, GstClockTime position) const {
    // A writer that waits for every track takes the next subtitle item as soon as the one
    // before the last is due; so each item is given once the pictures reach the one two before
    // it. The two gaps right before a cue are a millisecond apart, so a cue is given at most
    // two milliseconds before its time.
    while (!track.ended) {
        const Cue* cue = track.next < track.cues.size() ? &track.cues[track.next] : nullptr;
        const GstClockTime older = track.givenCount >= 2 ? track.recent[0] : 0;
        const GstClockTime lead = cue && track.cursor >= cue->start ? 0 : kGapLead;
        if (track.givenCount >= 2 && position + lead < older) {
            return;
        }
        GstClockTime time = track.cursor;
        if (cue && track.cursor >= cue->start) {
            time = cue->start;
            giveCue(track.source.get(), *cue, cue->stop);
            track.cursor = std::max(track.cursor, cue->stop);
            ++track.next;
        } else if (!cue && track.cursor >= track.spanEnd) {
            // Nothing is announced past the span: the track ends where the pictures will.
            gst_app_src_end_of_stream(GST_APP_SRC(track.source.get()));
            track.ended = true;
            return;
        } else {
            GstClockTime end = std::min(track.cursor + kGapStep, track.spanEnd);
            if (cue) {
                const GstClockTime before = cue->start;
                const GstClockTime mark1 = before > kCueLead ? before - kCueLead : 0;
                const GstClockTime mark2 = before > 2 * kCueLead ? before - 2 * kCueLead : 0;
                end = track.cursor < mark2   ? std::min(end, mark2)
                      : track.cursor < mark1 ? mark1
                                             : before;
            }
            giveGap(track.source.get(), track.cursor, end, emptyCues_);
            track.cursor = end;
        }
        track.recent = {track.recent[1], time};
        ++track.givenCount;
    }
}

void CuePacer::finish(Track& track, GstClockTime end) {
    if (track.ended) {
        return;
    }
    track.ended = true;
    for (; track.next < track.cues.size() && track.cues[track.next].start < end; ++track.next) {
        const Cue& cue = track.cues[track.next];
        giveCue(track.source.get(), cue, std::min(cue.stop, end));
    }
    gst_app_src_end_of_stream(GST_APP_SRC(track.source.get()));
}
