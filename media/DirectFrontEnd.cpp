#include "media/DirectFrontEnd.h"

#include <gst/video/video.h>

#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>

#include "media/DepthReducer.h"
#include "media/Elements.h"
#include "media/GPtr.h"
#include "media/MediaFile.h"
#include "media/Timeline.h"

namespace {

constexpr GstClockTime kNanosecondsPerUnit = 100;
constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;
constexpr int32_t kStretchToFrame = 0;
// Opening a file and an accurate seek in it take well under a second; a file that has not given
// its streams by then is broken or unreadable.
constexpr auto kPrepareTimeout = std::chrono::seconds(20);
// Decoded pictures waiting for the scaler's thread: the decoder goes on meanwhile, and memory
// stays bounded (a few full-size pictures). The rate converter stands in front of it, so it holds
// only pictures that will be used; the depth reducer runs behind it, in the scaler's thread, so
// that the decoder's thread only feeds the decoder.
constexpr guint kQueuedPictures = 2;

// Where a decoded stream waits until the trim's seek has been made and the writer is in place.
struct Gate {
    GstPad* pad = nullptr;  // the decoder's output pad (owned by it)
    gulong blockProbe = 0;
    int segments = 0;             // segments that came through
    int segmentOfLastBlock = -1;  // the segment count when a buffer last waited
    bool video = false;
};

struct GroupChain {
    bool video = false;
    GstElement* first = nullptr;  // owned by the pipeline
    GstElement* queue = nullptr;  // video only; owned by the pipeline
    GstPad* output = nullptr;     // owned by `last`
    bool linked = false;
};

}  // namespace

struct DirectFrontEndParts {
    GstPipeline* pipeline = nullptr;  // not owned
    GstElement* decoder = nullptr;    // owned by the pipeline
    std::vector<GroupChain> groups;   // in timeline order
    std::vector<std::unique_ptr<Gate>> gates;
    std::mutex mutex;
    std::condition_variable changed;
    bool allPads = false;
    bool gifDecoder = false;
};

namespace {

GstClockTime toNanoseconds(int64_t units) {
    return static_cast<GstClockTime>(units) * kNanosecondsPerUnit;
}

struct SourceSpan {
    QString path;
    int64_t start = 0;
    int64_t stop = 0;
};

// The one source every group of a suitable timeline carries; nullopt when there is none.
std::optional<SourceSpan> commonSource(const Timeline& timeline) {
    std::optional<SourceSpan> common;
    bool video = false;
    bool audio = false;
    for (int index = 0; index < timeline.groupCount(); ++index) {
        const TimelineGroup& group = *timeline.group(index);
        bool& seen = group.mediaType().major == GroupMediaType::Major::Video ? video : audio;
        if (seen || group.tracks().size() != 1) {
            return std::nullopt;
        }
        seen = true;
        const TimelineTrack& track = *group.tracks().front();
        if (track.sources().size() != 1) {
            return std::nullopt;
        }
        for (const auto& transition : track.transitions()) {
            if (transition->stop() != transition->start()) {
                return std::nullopt;  // a transition that shows needs the mixer
            }
        }
        const TimelineSource& source = *track.sources().front();
        const SourceSpan span{source.mediaName(), source.mediaStart(), source.mediaStop()};
        if (source.start() != 0 || source.stop() != span.stop - span.start ||
            span.stop <= span.start) {
            return std::nullopt;
        }
        if (common && (common->path != span.path || common->start != span.start ||
                       common->stop != span.stop)) {
            return std::nullopt;
        }
        common = span;
    }
    return common;
}

bool isRawMedia(GstPad* pad, const char* prefix) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    if (!caps) {
        caps.reset(gst_pad_query_caps(pad, nullptr));
    }
    return caps && gst_caps_get_size(caps.get()) > 0 &&
           g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)), prefix);
}

// Turns pictures upright by their orientation tag. GStreamer 1.22.0's flipper copies every
// picture while it does not turn it: its pass-through is only switched on by a change of
// direction. Going through another direction and back to "auto" switches it on; orientation
// tags still turn the picture.
void makeFlipperPassThrough(GstElement* flipper) {
    g_object_set(flipper, "video-direction", GST_VIDEO_ORIENTATION_90R, nullptr);
    g_object_set(flipper, "video-direction", GST_VIDEO_ORIENTATION_AUTO, nullptr);
}

// Between two YUV formats of the same chroma layout the converter's general path (colour matrix,
// chroma filtering, dithering) changes nothing worth its cost, which is most of the scaling's
// time: scaling and packing alone remain. Other inputs (RGB, 4:4:4) keep the full conversion.
GstPadProbeReturn onScalerCaps(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstVideoInfo input;
    if (!gst_video_info_from_caps(&input, caps)) {
        return GST_PAD_PROBE_OK;
    }
    const GstVideoFormatInfo* format = input.finfo;
    const bool fourTwoZero = GST_VIDEO_FORMAT_INFO_IS_YUV(format) &&
                             GST_VIDEO_FORMAT_INFO_W_SUB(format, 1) == 1 &&
                             GST_VIDEO_FORMAT_INFO_H_SUB(format, 1) == 1;
    GObjectPtr<GstElement> scaler(gst_pad_get_parent_element(pad));
    if (scaler && fourTwoZero) {
        gst_util_set_object_arg(G_OBJECT(scaler.get()), "matrix-mode", "none");
        gst_util_set_object_arg(G_OBJECT(scaler.get()), "chroma-mode", "none");
        gst_util_set_object_arg(G_OBJECT(scaler.get()), "dither", "none");
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn onGateBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto* gate = static_cast<std::pair<DirectFrontEndParts*, Gate*>*>(data);
    std::lock_guard lock(gate->first->mutex);
    gate->second->segmentOfLastBlock = gate->second->segments;
    gate->first->changed.notify_all();
    return GST_PAD_PROBE_OK;  // a blocking probe: the stream waits here until it is removed
}

GstPadProbeReturn onGateEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* gate = static_cast<std::pair<DirectFrontEndParts*, Gate*>*>(data);
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_SEGMENT) {
        std::lock_guard lock(gate->first->mutex);
        ++gate->second->segments;
    }
    return GST_PAD_PROBE_OK;
}

void addGate(DirectFrontEndParts* parts, GstPad* pad, bool video) {
    auto gate = std::make_unique<Gate>();
    gate->pad = pad;
    gate->video = video;
    auto release = [](gpointer data) {
        delete static_cast<std::pair<DirectFrontEndParts*, Gate*>*>(data);
    };
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &onGateEvent,
                      new std::pair<DirectFrontEndParts*, Gate*>(parts, gate.get()), release);
    gate->blockProbe = gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER |
                                     GST_PAD_PROBE_TYPE_BUFFER_LIST),
        &onGateBuffer, new std::pair<DirectFrontEndParts*, Gate*>(parts, gate.get()), release);
    parts->gates.push_back(std::move(gate));
}

// A stream nobody asked for (a second sound, subtitles) is read and thrown away.
void discard(GstPipeline* pipeline, GstPad* pad) {
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    gst_bin_add(GST_BIN(pipeline), sink);
    GObjectPtr<GstPad> input(gst_element_get_static_pad(sink, "sink"));
    gst_pad_link(pad, input.get());
    gst_element_sync_state_with_parent(sink);
}

// The pictures' sample format, when the pad has caps already.
GstVideoFormat formatOf(GstPad* pad) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    GstVideoInfo info;
    return caps && gst_video_info_from_caps(&info, caps.get()) ? GST_VIDEO_INFO_FORMAT(&info)
                                                               : GST_VIDEO_FORMAT_UNKNOWN;
}

// Pictures of more than 8 bits a sample get a depth reducer behind the chain's queue (the rate
// converter in front of it drops pictures first, so fewer are reduced); nothing has flowed yet.
void reduceDepthIfNeeded(GstPipeline* pipeline, GstElement* queue, GstPad* decoded) {
    if (!depthReducerTakes(formatOf(decoded))) {
        return;
    }
    GObjectPtr<GstPad> queueOutput(gst_element_get_static_pad(queue, "src"));
    GObjectPtr<GstPad> next(gst_pad_get_peer(queueOutput.get()));
    GstElement* reducer = gst_element_factory_make(kDepthReducerFactory, nullptr);
    if (!next || !reducer) {
        return;
    }
    GObjectPtr<GstElement> following(gst_pad_get_parent_element(next.get()));
    gst_bin_add(GST_BIN(pipeline), reducer);
    gst_element_unlink(queue, following.get());
    if (gst_element_link_many(queue, reducer, following.get(), nullptr)) {
        gst_element_sync_state_with_parent(reducer);
        return;
    }
    gst_element_unlink(queue, reducer);
    gst_bin_remove(GST_BIN(pipeline), reducer);
    gst_element_link(queue, following.get());
}

void onDecodedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* parts = static_cast<DirectFrontEndParts*>(data);
    const bool video = isRawMedia(pad, "video/");
    const bool audio = isRawMedia(pad, "audio/");
    for (GroupChain& group : parts->groups) {
        if (group.linked || !(group.video ? video : audio)) {
            continue;
        }
        if (video) {
            reduceDepthIfNeeded(parts->pipeline, group.queue, pad);
        }
        GObjectPtr<GstPad> input(gst_element_get_static_pad(group.first, "sink"));
        if (gst_pad_link(pad, input.get()) == GST_PAD_LINK_OK) {
            group.linked = true;
            std::lock_guard lock(parts->mutex);
            addGate(parts, pad, video);
            return;
        }
    }
    discard(parts->pipeline, pad);
}

void onNoMorePads(GstElement*, gpointer data) {
    auto* parts = static_cast<DirectFrontEndParts*>(data);
    std::lock_guard lock(parts->mutex);
    parts->allPads = true;
    parts->changed.notify_all();
}

void onDecoderElement(GstBin*, GstBin*, GstElement* element, gpointer data) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && std::strcmp(GST_OBJECT_NAME(factory), "avdec_gif") == 0) {
        auto* parts = static_cast<DirectFrontEndParts*>(data);
        std::lock_guard lock(parts->mutex);
        parts->gifDecoder = true;
        parts->changed.notify_all();
    }
}

Status makeChain(GstBin* bin, const TimelineGroup& group, const TimelineSource& source,
                 GroupChain* chain) {
    const bool video = group.mediaType().major == GroupMediaType::Major::Video;
    std::vector<const char*> factories =
        video
            ? std::vector<const char*>{"videorate", "queue", "videoflip", "videoconvertscale",
                                       "capsfilter"}
            : std::vector<const char*>{"audioconvert", "audioresample", "audiorate", "capsfilter"};
    std::vector<GstElement*> elements;
    for (const char* factory : factories) {
        GObjectPtr<GstElement> element;
        if (failed(makeElement(factory, nullptr, &element))) {
            return status::kNoDecoder;
        }
        gst_bin_add(bin, element.get());
        elements.push_back(element.get());
    }
    GstElement* filter = elements.back();
    if (video) {
        int numerator = 0;
        int denominator = 1;
        frameRateFraction(group.outputFps(), &numerator, &denominator);
        GstCapsPtr caps(gst_caps_new_simple(
            "video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT,
            group.mediaType().width, "height", G_TYPE_INT, std::abs(group.mediaType().height),
            "framerate", GST_TYPE_FRACTION, numerator, denominator, "pixel-aspect-ratio",
            GST_TYPE_FRACTION, 1, 1, nullptr));
        g_object_set(filter, "caps", caps.get(), nullptr);
        g_object_set(elements[1], "max-size-buffers", kQueuedPictures, "max-size-bytes", 0,
                     "max-size-time", G_GUINT64_CONSTANT(0), nullptr);
        makeFlipperPassThrough(elements[2]);
        GstElement* scaler = elements[3];
        // The same anti-aliased filter the timeline's scaler uses; borders keep the picture's
        // shape unless it is stretched over the frame.
        gst_util_set_object_arg(G_OBJECT(scaler), "method", "bilinear2");
        g_object_set(scaler, "add-borders", source.stretchMode() != kStretchToFrame, nullptr);
        GObjectPtr<GstPad> scalerInput(gst_element_get_static_pad(scaler, "sink"));
        gst_pad_add_probe(scalerInput.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &onScalerCaps,
                          nullptr, nullptr);
    } else {
        GstCapsPtr caps(gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, kAudioRate,
                                            "channels", G_TYPE_INT, kAudioChannels, nullptr));
        g_object_set(filter, "caps", caps.get(), nullptr);
    }
    for (size_t index = 1; index < elements.size(); ++index) {
        if (!gst_element_link(elements[index - 1], elements[index])) {
            return status::kCannotConnect;
        }
    }
    chain->video = video;
    chain->first = elements.front();
    chain->queue = video ? elements[1] : nullptr;
    chain->output = gst_element_get_static_pad(filter, "src");
    gst_object_unref(chain->output);  // the capsfilter keeps its pad
    return status::kOk;
}

QString errorOf(GstMessage* message) {
    GError* rawError = nullptr;
    gchar* rawDebug = nullptr;
    gst_message_parse_error(message, &rawError, &rawDebug);
    GErrorPtr error(rawError);
    GCharPtr debug(rawDebug);
    return error ? QString::fromUtf8(error->message) : QStringLiteral("?");
}

}  // namespace

bool DirectFrontEnd::suits(const Timeline& timeline) {
    const std::optional<SourceSpan> source = commonSource(timeline);
    return source &&
           QFileInfo(source->path).suffix().compare(QLatin1String("gif"), Qt::CaseInsensitive) != 0;
}

DirectFrontEnd::DirectFrontEnd() = default;

DirectFrontEnd::~DirectFrontEnd() = default;

Status DirectFrontEnd::build(const Timeline& timeline, GstPipeline* pipeline, QString* errorText) {
    const std::optional<SourceSpan> span = commonSource(timeline);
    if (!span) {
        return status::kInvalidArgument;
    }
    auto parts = std::make_unique<DirectFrontEndParts>();
    parts->pipeline = pipeline;
    GstBin* bin = GST_BIN(pipeline);
    for (int index = 0; index < timeline.groupCount(); ++index) {
        const TimelineGroup& group = *timeline.group(index);
        GroupChain chain;
        const Status made =
            makeChain(bin, group, *group.tracks().front()->sources().front(), &chain);
        if (failed(made)) {
            *errorText = QStringLiteral("An element of the conversion is not installed.");
            return made;
        }
        parts->groups.push_back(chain);
    }
    GObjectPtr<GstElement> decoder;
    if (failed(makeElement("uridecodebin", "source", &decoder))) {
        *errorText = missingElementDescription("uridecodebin");
        return status::kNoDecoder;
    }
    g_object_set(decoder.get(), "uri", fileUri(span->path).toUtf8().constData(), nullptr);
    g_signal_connect(decoder.get(), "pad-added", G_CALLBACK(&onDecodedPad), parts.get());
    g_signal_connect(decoder.get(), "no-more-pads", G_CALLBACK(&onNoMorePads), parts.get());
    g_signal_connect(decoder.get(), "deep-element-added", G_CALLBACK(&onDecoderElement),
                     parts.get());
    gst_bin_add(bin, decoder.get());
    parts->decoder = decoder.get();

    GObjectPtr<GstBus> bus(gst_pipeline_get_bus(pipeline));
    // Waits for a condition while watching the bus for errors; false with errorText on failure.
    auto waitFor = [&](auto condition) {
        const auto deadline = std::chrono::steady_clock::now() + kPrepareTimeout;
        for (;;) {
            {
                std::unique_lock lock(parts->mutex);
                if (parts->gifDecoder) {
                    *errorText = QStringLiteral("animated GIF");
                    return false;
                }
                if (condition()) {
                    return true;
                }
                parts->changed.wait_for(lock, std::chrono::milliseconds(20));
            }
            GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
            if (message) {
                *errorText = errorOf(message.get());
                return false;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                *errorText = statusText(status::kTimeout);
                return false;
            }
        }
    };
    auto allWaiting = [&](int segmentsBefore) {
        for (const auto& gate : parts->gates) {
            if (gate->segmentOfLastBlock < 0 || gate->segments <= segmentsBefore ||
                gate->segmentOfLastBlock < gate->segments) {
                return false;
            }
        }
        return !parts->gates.empty();
    };

    gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_PAUSED);
    if (!waitFor([&] { return parts->allPads && allWaiting(0); })) {
        gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_NULL);
        return parts->gifDecoder ? status::kNotImplemented : status::kUnknownFileType;
    }
    // A sound group of a file without sound delivers nothing: it is left out.
    std::erase_if(parts->groups, [](const GroupChain& group) { return !group.linked; });
    if (std::none_of(parts->groups.begin(), parts->groups.end(),
                     [](const GroupChain& group) { return group.video; })) {
        gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_NULL);
        *errorText = statusText(status::kNoInterface);
        return status::kNoInterface;
    }

    int segmentsBefore = 0;
    {
        std::lock_guard lock(parts->mutex);
        for (const auto& gate : parts->gates) {
            segmentsBefore = std::max(segmentsBefore, gate->segments);
        }
    }
    const bool sought = gst_pad_send_event(
        parts->gates.front()->pad,
        gst_event_new_seek(1.0, GST_FORMAT_TIME,
                           static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                           GST_SEEK_TYPE_SET, toNanoseconds(span->start), GST_SEEK_TYPE_SET,
                           toNanoseconds(span->stop)));
    if (!sought || !waitFor([&] { return allWaiting(segmentsBefore); })) {
        gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_NULL);
        if (!sought) {
            *errorText = QStringLiteral("The file does not allow moving to the start time.");
        }
        return status::kFail;
    }
    parts_ = std::move(parts);
    return status::kOk;
}

int DirectFrontEnd::groupCount() const {
    return parts_ ? static_cast<int>(parts_->groups.size()) : 0;
}

GstPad* DirectFrontEnd::groupPad(int group) const {
    return parts_->groups[static_cast<size_t>(group)].output;
}

bool DirectFrontEnd::groupIsVideo(int group) const {
    return parts_->groups[static_cast<size_t>(group)].video;
}

void DirectFrontEnd::release() {
    if (!parts_) {
        return;
    }
    for (const auto& gate : parts_->gates) {
        if (gate->blockProbe != 0) {
            gst_pad_remove_probe(gate->pad, gate->blockProbe);
            gate->blockProbe = 0;
        }
    }
}
