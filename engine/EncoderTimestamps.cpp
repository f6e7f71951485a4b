#include "engine/EncoderTimestamps.h"

#include <deque>
#include <mutex>
#include <optional>

#include "media/GPtr.h"

namespace {

struct FrameTimes {
    std::mutex mutex;
    GstSegment input;
    GstSegment output;
    std::deque<GstClockTime> pending;  // running times of frames gone into the encoder
    GstClockTime lastOutput = GST_CLOCK_TIME_NONE;
    bool video = false;
    // Added to every written time, so that decoding times before the first picture stay
    // representable; 0 for writers that write times from zero as they come.
    GstClockTime room = 0;
};

// Far beyond any real running time: the mark of a broken timestamp.
constexpr GstClockTime kImplausible = GstClockTime(100000) * 3600 * GST_SECOND;
// Far more than any encoder delays its first picture by.
constexpr GstClockTime kDecodingRoom = GstClockTime(3600) * GST_SECOND;

GstPadProbeReturn onInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* times = static_cast<FrameTimes*>(data);
    std::lock_guard lock(times->mutex);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            gst_event_copy_segment(event, &times->input);
        } else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
            times->pending.clear();
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (times->video && times->input.format == GST_FORMAT_TIME) {
        times->pending.push_back(
            gst_segment_to_running_time(&times->input, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer)));
    }
    return GST_PAD_PROBE_OK;
}

// The running time of a time, signed (a decoding time may lie before the segment's start); a
// time past the segment's end still has one: a sound encoder's last frame starts there when it
// pads the sound to whole frames, and a writer needs its time. nullopt when there is none.
std::optional<int64_t> runningTime(const GstSegment& segment, GstClockTime time) {
    if (!GST_CLOCK_TIME_IS_VALID(time) || segment.format != GST_FORMAT_TIME) {
        return std::nullopt;
    }
    guint64 running = 0;
    const int sign = gst_segment_to_running_time_full(&segment, GST_FORMAT_TIME, time, &running);
    if (sign == 0 || running >= kImplausible) {
        return std::nullopt;
    }
    return sign > 0 ? int64_t(running) : -int64_t(running);
}

GstPadProbeReturn onOutput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* times = static_cast<FrameTimes*>(data);
    std::lock_guard lock(times->mutex);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) {
            return GST_PAD_PROBE_OK;
        }
        gst_event_copy_segment(event, &times->output);
        GstSegment plain;
        gst_segment_init(&plain, GST_FORMAT_TIME);
        plain.start = times->room;
        gst_event_unref(event);
        GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_segment(&plain);
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    const std::optional<int64_t> presented = runningTime(times->output, GST_BUFFER_PTS(buffer));
    GstClockTime pts =
        presented && *presented >= 0 ? GstClockTime(*presented) : GST_CLOCK_TIME_NONE;
    // A decoding time before the segment's start (the first frames of an encoder that reorders
    // frames) is kept where the room allows; without room it has none, and writers go by the
    // presentation time.
    const std::optional<int64_t> decoded = runningTime(times->output, GST_BUFFER_DTS(buffer));
    GstClockTime dts = decoded && *decoded + int64_t(times->room) >= 0
                           ? GstClockTime(*decoded + int64_t(times->room))
                           : GST_CLOCK_TIME_NONE;
    if (times->video) {
        GstClockTime entered = GST_CLOCK_TIME_NONE;
        if (!times->pending.empty()) {
            entered = times->pending.front();
            times->pending.pop_front();
        }
        // Encoders that reorder frames stamp them properly; only a missing time, or the time of
        // the frame before given again, is broken.
        const bool broken = !GST_CLOCK_TIME_IS_VALID(pts) || pts == times->lastOutput;
        if (broken && GST_CLOCK_TIME_IS_VALID(entered)) {
            pts = entered;
            dts = entered + times->room;
        }
        times->lastOutput = pts;
    } else if (!GST_CLOCK_TIME_IS_VALID(dts) && GST_CLOCK_TIME_IS_VALID(pts)) {
        dts = pts + times->room;
    }
    GST_BUFFER_PTS(buffer) = GST_CLOCK_TIME_IS_VALID(pts) ? pts + times->room : pts;
    GST_BUFFER_DTS(buffer) = dts;
    return GST_PAD_PROBE_OK;
}

}  // namespace

void rebaseEncoderOutput(GstElement* encoder, bool video, DecodingTimes decodingTimes) {
    auto* times = new FrameTimes;
    times->video = video;
    times->room = decodingTimes == DecodingTimes::Kept ? kDecodingRoom : 0;
    gst_segment_init(&times->input, GST_FORMAT_UNDEFINED);
    gst_segment_init(&times->output, GST_FORMAT_UNDEFINED);
    // Both probes share the record; it goes with the last of them.
    auto shared = std::shared_ptr<FrameTimes>(times);
    auto* inputOwner = new std::shared_ptr<FrameTimes>(shared);
    auto* outputOwner = new std::shared_ptr<FrameTimes>(shared);
    const auto probeTypes = static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                         GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM);
    auto release = [](gpointer owner) { delete static_cast<std::shared_ptr<FrameTimes>*>(owner); };
    GObjectPtr<GstPad> input(gst_element_get_static_pad(encoder, "sink"));
    GObjectPtr<GstPad> output(gst_element_get_static_pad(encoder, "src"));
    gst_pad_add_probe(
        input.get(), probeTypes,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer owner) {
            return onInput(pad, info, static_cast<std::shared_ptr<FrameTimes>*>(owner)->get());
        },
        inputOwner, release);
    gst_pad_add_probe(
        output.get(), probeTypes,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer owner) {
            return onOutput(pad, info, static_cast<std::shared_ptr<FrameTimes>*>(owner)->get());
        },
        outputOwner, release);
}
