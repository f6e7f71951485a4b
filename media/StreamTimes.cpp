#include "media/StreamTimes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include <QFile>

#include "media/CopiedTimestamps.h"
#include "media/Elements.h"
#include "media/GPtr.h"

namespace {

constexpr GstClockTime kPrerollTimeout = 10 * GST_SECOND;
// Reading the packets to the end takes well under this for the files this is used on.
constexpr GstClockTime kScanTimeout = 60 * GST_SECOND;

// The sound's segment is all that is needed of it: it maps the sound's clock onto positions.
constexpr auto kSoundSegmentTimeout = std::chrono::seconds(3);

struct FirstShown {
    GstElement* pipeline = nullptr;
    GstElement* videoSink = nullptr;  // owned by the pipeline
    // Written on the streaming threads.
    std::mutex mutex;
    std::condition_variable soundSegmentCame;
    bool hasSound = false;
    std::optional<GstSegment> soundSegment;
};

GstPadProbeReturn onSoundEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) {
        return GST_PAD_PROBE_OK;
    }
    auto* state = static_cast<FirstShown*>(data);
    std::lock_guard lock(state->mutex);
    if (!state->soundSegment) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        state->soundSegment = *segment;
        state->soundSegmentCame.notify_all();
    }
    return GST_PAD_PROBE_REMOVE;
}

void onDecodedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* state = static_cast<FirstShown*>(data);
    const bool video = padCarries(pad, "video/") && !state->videoSink;
    const bool firstSound = padCarries(pad, "audio/") && !state->hasSound;
    GstElement* sink = linkToFakeSink(GST_BIN(state->pipeline), pad, video);
    if (video) {
        state->videoSink = sink;
    } else if (firstSound) {
        std::lock_guard lock(state->mutex);
        state->hasSound = true;
        GObjectPtr<GstPad> input(gst_element_get_static_pad(sink, "sink"));
        gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &onSoundEvent, state,
                          nullptr);
    }
}

// The sound's clock at `position` (ns); `clockTime` where the file has no sound or its segment
// does not reach back to the position.
int64_t soundClockAt(FirstShown& state, GstClockTime position, int64_t clockTime) {
    std::unique_lock lock(state.mutex);
    if (!state.hasSound || !state.soundSegmentCame.wait_for(lock, kSoundSegmentTimeout, [&state] {
            return state.soundSegment.has_value();
        })) {
        return clockTime;
    }
    guint64 sound = 0;
    if (state.soundSegment->format != GST_FORMAT_TIME ||
        gst_segment_position_from_stream_time_full(&*state.soundSegment, GST_FORMAT_TIME, position,
                                                   &sound) <= 0) {
        return clockTime;
    }
    return static_cast<int64_t>((sound + 99) / 100);
}

// The decoders see the times as a conversion's decoders do.
void onDecoderElement(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory &&
        gst_element_factory_list_is_type(
            factory, GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO)) {
        ignoreCopiedPresentationTimes(element);
    }
}

bool waitForPreroll(GstElement* pipeline) {
    return gst_element_set_state(pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE &&
           gst_element_get_state(pipeline, nullptr, nullptr, kPrerollTimeout) ==
               GST_STATE_CHANGE_SUCCESS;
}

// The packets of the picture stream, and where the latest of them ends.
struct PictureScan {
    GstElement* pipeline = nullptr;
    GstElement* videoSink = nullptr;
    GstClockTime frameDuration = 0;  // for packets that carry none
    std::atomic<int64_t> latestEnd{-1};
    std::atomic<int> packets{0};
    // The reader reports its streams on its own thread, after the pipeline started pausing.
    std::mutex mutex;
    std::condition_variable padsChanged;
};

// The picture stream is there with its sink: its preroll can be waited for.
bool waitForPictureStream(PictureScan& scan) {
    if (gst_element_set_state(scan.pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    std::unique_lock lock(scan.mutex);
    return scan.padsChanged.wait_for(lock, std::chrono::nanoseconds(kPrerollTimeout),
                                     [&scan] { return scan.videoSink != nullptr; });
}

GstPadProbeReturn onPicturePacket(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* scan = static_cast<PictureScan*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) {
        return GST_PAD_PROBE_OK;
    }
    const GstClockTime duration =
        GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : scan->frameDuration;
    // Rounded up as the start is.
    const auto units = static_cast<int64_t>((GST_BUFFER_PTS(buffer) + duration + 99) / 100);
    int64_t previous = scan->latestEnd.load();
    while (units > previous && !scan->latestEnd.compare_exchange_weak(previous, units)) {
    }
    ++scan->packets;
    return GST_PAD_PROBE_OK;
}

void onReadPad(GstElement*, GstPad* pad, gpointer data) {
    auto* scan = static_cast<PictureScan*>(data);
    std::lock_guard lock(scan->mutex);
    const bool video = !scan->videoSink && padCarries(pad, "video/");
    GstElement* sink = linkToFakeSink(GST_BIN(scan->pipeline), pad, video);
    if (video) {
        scan->videoSink = sink;
        scan->padsChanged.notify_all();
        GObjectPtr<GstPad> input(gst_element_get_static_pad(sink, "sink"));
        gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_BUFFER, &onPicturePacket, scan, nullptr);
    }
}

// The reader of a container: the demuxer of highest rank that takes it.
GObjectPtr<GstElementFactory> demuxerFor(const GstCaps* container) {
    GList* demuxers =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DEMUXER, GST_RANK_MARGINAL);
    GList* fitting = container
                         ? gst_element_factory_list_filter(demuxers, container, GST_PAD_SINK, FALSE)
                         : nullptr;
    fitting = g_list_sort(fitting, &gst_plugin_feature_rank_compare_func);
    GObjectPtr<GstElementFactory> chosen =
        fitting ? addRef(GST_ELEMENT_FACTORY(fitting->data)) : nullptr;
    gst_plugin_feature_list_free(fitting);
    gst_plugin_feature_list_free(demuxers);
    return chosen;
}

// Plays the scan from `from` to the end; whether packets came.
bool scanFrom(PictureScan& scan, int64_t from) {
    scan.latestEnd = -1;
    scan.packets = 0;
    if (!gst_element_seek_simple(scan.pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                 std::max<int64_t>(from, 0) * 100)) {
        return false;
    }
    gst_element_set_state(scan.pipeline, GST_STATE_PLAYING);
    GObjectPtr<GstBus> bus(gst_element_get_bus(scan.pipeline));
    GstMessagePtr end(gst_bus_timed_pop_filtered(
        bus.get(), kScanTimeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(scan.pipeline, GST_STATE_PAUSED);
    return end && GST_MESSAGE_TYPE(end.get()) == GST_MESSAGE_EOS && scan.packets > 0;
}

}  // namespace

Status firstShownPicture(const QString& uri, FirstPicture* picture) {
    FirstShown state;
    GObjectPtr<GstElement> pipeline = refSink(gst_pipeline_new("first-picture"));
    GstElement* decoder = gst_element_factory_make("uridecodebin", nullptr);
    if (!decoder) {
        return status::kNoDecoder;
    }
    state.pipeline = pipeline.get();
    g_object_set(decoder, "uri", uri.toUtf8().constData(), nullptr);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(&onDecodedPad), &state);
    g_signal_connect(decoder, "deep-element-added", G_CALLBACK(&onDecoderElement), nullptr);
    gst_bin_add(GST_BIN(pipeline.get()), decoder);
    Status result = status::kFail;
    if (waitForPreroll(pipeline.get()) && state.videoSink) {
        GstSample* rawSample = nullptr;
        g_object_get(state.videoSink, "last-sample", &rawSample, nullptr);
        GstMiniPtr<GstSample> sample(rawSample);
        GstBuffer* buffer = sample ? gst_sample_get_buffer(sample.get()) : nullptr;
        const GstSegment* segment = sample ? gst_sample_get_segment(sample.get()) : nullptr;
        if (buffer && segment && GST_BUFFER_PTS_IS_VALID(buffer)) {
            // Rounded up: the picture at the start must not count as one before it.
            picture->clockTime = static_cast<int64_t>((GST_BUFFER_PTS(buffer) + 99) / 100);
            const GstClockTime position =
                gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
            picture->position =
                GST_CLOCK_TIME_IS_VALID(position) ? static_cast<int64_t>(position / 100) : 0;
            picture->soundClockTime = GST_CLOCK_TIME_IS_VALID(position)
                                          ? soundClockAt(state, position, picture->clockTime)
                                          : picture->clockTime;
            result = status::kOk;
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return result;
}

Status lastPictureEnd(const QString& path, const GstCaps* container, int fpsNumerator,
                      int fpsDenominator, int64_t from, int64_t* end) {
    GObjectPtr<GstElementFactory> readerFactory = demuxerFor(container);
    if (!readerFactory) {
        return status::kNoDecoder;
    }
    PictureScan scan;
    if (fpsNumerator > 0 && fpsDenominator > 0) {
        scan.frameDuration = gst_util_uint64_scale(GST_SECOND, fpsDenominator, fpsNumerator);
    }
    GObjectPtr<GstElement> pipeline = refSink(gst_pipeline_new("last-picture"));
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* reader = gst_element_factory_create(readerFactory.get(), nullptr);
    if (!source || !reader) {
        for (GstElement* element : {source, reader}) {
            if (element) {
                gst_object_unref(gst_object_ref_sink(element));
            }
        }
        return status::kNoDecoder;
    }
    scan.pipeline = pipeline.get();
    g_object_set(source, "location", QFile::encodeName(path).constData(), nullptr);
    g_signal_connect(reader, "pad-added", G_CALLBACK(&onReadPad), &scan);
    gst_bin_add_many(GST_BIN(pipeline.get()), source, reader, nullptr);
    gst_element_link(source, reader);
    Status result = status::kFail;
    if (waitForPictureStream(scan) && waitForPreroll(pipeline.get()) &&
        (scanFrom(scan, from) || scanFrom(scan, 0))) {
        *end = scan.latestEnd.load();
        result = *end >= 0 ? status::kOk : status::kFail;
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return result;
}
