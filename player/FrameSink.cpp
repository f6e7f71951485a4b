#include "player/FrameSink.h"

#include <gst/video/video.h>

#include <string_view>

#include "media/Elements.h"

namespace {

// Four bytes a pixel, in the order QImage::Format_RGB32 keeps them in memory.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* kPixelFormat = "BGRx";
#else
constexpr const char* kPixelFormat = "xRGB";
#endif

// A mapped picture whose memory a QImage borrows until its last copy is gone.
struct MappedPicture {
    GstVideoFrame frame;
};

void releasePicture(void* info) {
    auto* picture = static_cast<MappedPicture*>(info);
    gst_video_frame_unmap(&picture->frame);
    delete picture;
}

QImage imageOf(GstSample* sample) {
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) {
        return {};
    }
    auto* picture = new MappedPicture;
    // Mapping takes a reference of the buffer; releasePicture gives it back.
    if (!gst_video_frame_map(&picture->frame, &info, buffer, GST_MAP_READ)) {
        delete picture;
        return {};
    }
    GstVideoFrame& frame = picture->frame;
    return QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                  GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                  GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32, releasePicture,
                  picture);
}

int64_t positionOf(GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (!buffer || !segment || !GST_BUFFER_PTS_IS_VALID(buffer)) {
        return -1;
    }
    const guint64 streamTime =
        gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    return streamTime == GST_CLOCK_TIME_NONE ? -1 : static_cast<int64_t>(streamTime / 100);
}

// The stored picture with square pixels: non-square ones widen or narrow it.
QSize sourceSizeOf(GstCaps* caps) {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, caps) || info.width <= 0 || info.height <= 0) {
        return {};
    }
    int width = info.width;
    if (info.par_n > 0 && info.par_d > 0 && info.par_n != info.par_d) {
        width =
            static_cast<int>(gst_util_uint64_scale_int_round(info.width, info.par_n, info.par_d));
    }
    return {width, info.height};
}

// Turned a quarter (rotate-90, flip-rotate-270 and the like): width and height trade places.
bool isSideways(const char* orientation) {
    const std::string_view text(orientation);
    return text.ends_with("-90") || text.ends_with("-270");
}

}  // namespace

Status FrameSink::create(std::unique_ptr<FrameSink>* sink, QString* missing) {
    std::unique_ptr<FrameSink> made(new FrameSink);
    const Status result = made->build(missing);
    if (succeeded(result)) {
        *sink = std::move(made);
    }
    return result;
}

FrameSink::~FrameSink() = default;

Status FrameSink::build(QString* missing) {
    GObjectPtr<GstElement> fieldJoiner;
    GObjectPtr<GstElement> upright;
    GObjectPtr<GstElement> scaler;
    GObjectPtr<GstElement> filter;
    GObjectPtr<GstElement> appSink;
    const std::pair<const char*, GObjectPtr<GstElement>*> parts[] = {
        {"deinterlace", &fieldJoiner}, {"videoconvertscale", &scaler}, {"videoflip", &upright},
        {"capsfilter", &filter},       {"appsink", &appSink},
    };
    for (const auto& [factory, element] : parts) {
        const Status made = makeElement(factory, nullptr, element);
        if (failed(made)) {
            if (missing) {
                *missing = missingElementDescription(factory);
            }
            return made;
        }
    }
    // Interlaced pictures (broadcast, DVD, camcorders) have their fields joined, motion-adaptively,
    // one picture per picture; progressive ones pass untouched.
    gst_util_set_object_arg(G_OBJECT(fieldJoiner.get()), "method", "yadif");
    gst_util_set_object_arg(G_OBJECT(fieldJoiner.get()), "fields", "top");
    // Follows the rotation tag of the stream (phone recordings are stored sideways).
    gst_util_set_object_arg(G_OBJECT(upright.get()), "video-direction", "auto");
    // Late pictures are dropped rather than shown late, so sound and picture stay together; the
    // sink keeps no extra picture of its own.
    g_object_set(appSink.get(), "sync", TRUE, "qos", TRUE, "max-lateness",
                 static_cast<gint64>(20 * GST_MSECOND), "enable-last-sample", FALSE, "max-buffers",
                 1u, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &FrameSink::onPreroll;
    callbacks.new_sample = &FrameSink::onSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(appSink.get()), &callbacks, this, nullptr);

    bin_ = refSink(gst_bin_new("player-video"));
    // Scaled (and converted) first, so that the turn, when there is one, moves fewer pixels.
    gst_bin_add_many(GST_BIN(bin_.get()), fieldJoiner.get(), scaler.get(), upright.get(),
                     filter.get(), appSink.get(), nullptr);
    const Status linked =
        linkChain({fieldJoiner.get(), scaler.get(), upright.get(), filter.get(), appSink.get()});
    if (failed(linked)) {
        return linked;
    }
    sizeFilter_ = filter.get();
    setOutputSize({});

    GObjectPtr<GstPad> entrance(gst_element_get_static_pad(fieldJoiner.get(), "sink"));
    gst_element_add_pad(bin_.get(), gst_ghost_pad_new("sink", entrance.get()));
    GObjectPtr<GstPad> input(gst_element_get_static_pad(scaler.get(), "sink"));
    gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &FrameSink::onSourceEvent,
                      this, nullptr);
    return status::kOk;
}

void FrameSink::setOutputSize(QSize size) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, kPixelFormat,
                                        "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    if (!size.isEmpty()) {
        gst_caps_set_simple(caps, "width", G_TYPE_INT, size.width(), "height", G_TYPE_INT,
                            size.height(), nullptr);
    }
    g_object_set(sizeFilter_, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

VideoFrame FrameSink::latestFrame() const {
    std::lock_guard lock(mutex_);
    return latest_;
}

QSize FrameSink::displayedSize() const {
    std::lock_guard lock(mutex_);
    return displayedSizeLocked();
}

GstFlowReturn FrameSink::onPreroll(GstAppSink* appSink, gpointer self) {
    GstMiniPtr<GstSample> sample(gst_app_sink_pull_preroll(appSink));
    if (sample) {
        static_cast<FrameSink*>(self)->keep(sample.get());
    }
    return GST_FLOW_OK;
}

GstFlowReturn FrameSink::onSample(GstAppSink* appSink, gpointer self) {
    GstMiniPtr<GstSample> sample(gst_app_sink_pull_sample(appSink));
    if (sample) {
        static_cast<FrameSink*>(self)->keep(sample.get());
    }
    return GST_FLOW_OK;
}

GstPadProbeReturn FrameSink::onSourceEvent(GstPad*, GstPadProbeInfo* info, gpointer self) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    auto* sink = static_cast<FrameSink*>(self);
    if (GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START) {
        std::lock_guard lock(sink->mutex_);
        sink->turnedSideways_ = false;
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        std::lock_guard lock(sink->mutex_);
        sink->sourceSize_ = sourceSizeOf(caps);
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
        GstTagList* tags = nullptr;
        gst_event_parse_tag(event, &tags);
        gchar* rawOrientation = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_IMAGE_ORIENTATION, &rawOrientation)) {
            GCharPtr orientation(rawOrientation);
            std::lock_guard lock(sink->mutex_);
            sink->turnedSideways_ = isSideways(orientation.get());
        }
    }
    return GST_PAD_PROBE_OK;
}

QSize FrameSink::displayedSizeLocked() const {
    return turnedSideways_ ? sourceSize_.transposed() : sourceSize_;
}

void FrameSink::keep(GstSample* sample) {
    VideoFrame frame;
    frame.image = imageOf(sample);
    if (frame.image.isNull()) {
        return;
    }
    frame.position = positionOf(sample);
    if (GstBuffer* buffer = gst_sample_get_buffer(sample);
        buffer && GST_BUFFER_PTS_IS_VALID(buffer)) {
        frame.clockTime = static_cast<int64_t>(GST_BUFFER_PTS(buffer) / 100);
    }
    {
        std::lock_guard lock(mutex_);
        frame.displayedSize = displayedSizeLocked();
        frame.serial = ++delivered_;
        latest_ = std::move(frame);
    }
    if (!notifyPending_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                notifyPending_ = false;
                Q_EMIT frameArrived();
            },
            Qt::QueuedConnection);
    }
}
