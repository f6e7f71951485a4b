#include "media/DirectFrontEnd.h"

#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>

#include "media/ChapterToc.h"
#include "media/Deinterlacer.h"
#include "media/Elements.h"
#include "media/GPtr.h"
#include "media/GroupChain.h"
#include "media/MediaFile.h"
#include "media/SpanClip.h"
#include "media/Timeline.h"

namespace {

constexpr GstClockTime kNanosecondsPerUnit = 100;
// Opening a file and an accurate seek in it take well under a second; a file that has not given
// its streams by then is broken or unreadable.
constexpr auto kPrepareTimeout = std::chrono::seconds(20);
constexpr guint kReaderQueueBytes = 64 * 1024 * 1024;

// Where a decoded stream waits until the trim's seek has been made and the writer is in place.
struct Gate {
    GstPad* pad = nullptr;  // the decoder's output pad (owned by it)
    gulong blockProbe = 0;
    int segments = 0;             // segments that came through
    int segmentsBeforeSeek = 0;   // (streams of one file may get different numbers of segments)
    int segmentOfLastBlock = -1;  // the segment count when a buffer last waited
    GstClockTime waitingAt = GST_CLOCK_TIME_NONE;  // the time of the buffer that waits
    // How far the buffers' times lie ahead of the positions seeks take, by the first segment.
    GstClockTimeDiff seekOffset = 0;
    bool video = false;
};

// The part of the file every group carries, on the picture's clock.
struct SourceSpan {
    QString path;
    int64_t start = 0;
    int64_t stop = 0;
    bool toEnd = false;  // read to the end of the file rather than to the stop
    // How far the sound's clock runs ahead of the picture's: an MP4 file's tracks each have an
    // edit list of their own.
    int64_t soundShift = 0;
};

}  // namespace

struct DirectFrontEndParts {
    GstPipeline* pipeline = nullptr;  // not owned
    GstElement* decoder = nullptr;    // owned by the pipeline
    SourceSpan span;
    std::vector<GroupChain> groups;  // in timeline order
    std::vector<std::unique_ptr<Gate>> gates;
    std::vector<SpanClip*> clips;  // owned by the decoded pads' probes
    std::mutex mutex;
    std::condition_variable changed;
    bool allPads = false;
    bool gifDecoder = false;
};

namespace {

GstClockTime toNanoseconds(int64_t units) {
    return static_cast<GstClockTime>(units) * kNanosecondsPerUnit;
}

// The one source every group of a suitable timeline carries, the same span of it on each
// stream's clock; nullopt when there is none.
std::optional<SourceSpan> commonSource(const Timeline& timeline) {
    std::optional<SourceSpan> common;
    std::optional<int64_t> pictureStart;
    std::optional<int64_t> soundStart;
    for (int index = 0; index < timeline.groupCount(); ++index) {
        const TimelineGroup& group = *timeline.group(index);
        const bool video = group.mediaType().major == GroupMediaType::Major::Video;
        std::optional<int64_t>& seen = video ? pictureStart : soundStart;
        if (seen || group.tracks().size() != 1) {
            return std::nullopt;
        }
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
        const SourceSpan span{.path = source.mediaName(),
                              .start = source.mediaStart(),
                              .stop = source.mediaStop(),
                              .toEnd = source.playsToEnd(),
                              .soundShift = 0};
        if (source.start() != 0 || source.stop() != span.stop - span.start ||
            span.stop <= span.start) {
            return std::nullopt;
        }
        if (common &&
            (common->path != span.path || common->stop - common->start != span.stop - span.start ||
             common->toEnd != span.toEnd)) {
            return std::nullopt;
        }
        seen = span.start;
        if (!common || video) {
            common = span;
        }
    }
    if (common && pictureStart && soundStart) {
        common->soundShift = *soundStart - *pictureStart;
    }
    return common;
}

GstPadProbeReturn onGateBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* gate = static_cast<std::pair<DirectFrontEndParts*, Gate*>*>(data);
    const GstClockTime time = GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER
                                  ? GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info))
                                  : GST_CLOCK_TIME_NONE;
    std::lock_guard lock(gate->first->mutex);
    gate->second->waitingAt = time;
    gate->second->segmentOfLastBlock = gate->second->segments;
    gate->first->changed.notify_all();
    return GST_PAD_PROBE_OK;  // a blocking probe: the stream waits here until it is removed
}

GstPadProbeReturn onGateEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* gate = static_cast<std::pair<DirectFrontEndParts*, Gate*>*>(data);
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        std::lock_guard lock(gate->first->mutex);
        if (gate->second->segments == 0 && segment->format == GST_FORMAT_TIME) {
            gate->second->seekOffset = GST_CLOCK_DIFF(segment->time, segment->start);
        }
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

void onDecodedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* parts = static_cast<DirectFrontEndParts*>(data);
    const bool video = padCarries(pad, "video/");
    const bool audio = padCarries(pad, "audio/");
    GCharPtr rawStreamId(gst_pad_get_stream_id(pad));
    const QString streamId = QString::fromUtf8(rawStreamId.get());
    for (GroupChain& group : parts->groups) {
        if (group.linked || !(group.video ? video : audio) ||
            (!group.streamId.isEmpty() && group.streamId != streamId)) {
            continue;
        }
        GstElement* entrance = group.first;
        if (video) {
            adaptDecodedPictures(parts->pipeline, group.queue, pad);
            // Fields are joined before the rate converter counts pictures.
            if (GstElement* deinterlacer = addDeinterlacerIfInterlaced(
                    GST_BIN(parts->pipeline), group.first, pad, group.outputFps)) {
                entrance = deinterlacer;
            }
        }
        GObjectPtr<GstPad> input(gst_element_get_static_pad(entrance, "sink"));
        if (gst_pad_link(pad, input.get()) == GST_PAD_LINK_OK) {
            group.linked = true;
            dropSourceChapters(pad);
            // Ahead of the gate, so that what lies before the span never waits there.
            const SourceSpan& span = parts->span;
            const int64_t shift = video ? 0 : span.soundShift;
            parts->clips.push_back(
                SpanClip::attach(pad, span.start + shift, span.toEnd ? -1 : span.stop + shift));
            std::lock_guard lock(parts->mutex);
            addGate(parts, pad, video);
            return;
        }
    }
    // A stream nobody asked for (a second sound, subtitles) is read and thrown away.
    linkToFakeSink(GST_BIN(parts->pipeline), pad, false);
}

void onNoMorePads(GstElement*, gpointer data) {
    auto* parts = static_cast<DirectFrontEndParts*>(data);
    std::lock_guard lock(parts->mutex);
    parts->allPads = true;
    parts->changed.notify_all();
}

void onDecoderElement(GstBin*, GstBin*, GstElement* element, gpointer data) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && std::strcmp(GST_OBJECT_NAME(factory), "decodebin") == 0) {
        // The reader gives the streams in time order, and a writer may want one of them ahead
        // (the AVI writer takes the sound half a second ahead of the pictures). The reader's
        // queue of a stream that waits has to hold that span: its own limit of 2 MB is a few
        // pictures of a heavy file, and at the end of a trimmed span the conversion hung. The
        // queue still holds only a few pictures unless another stream runs dry.
        g_object_set(element, "max-size-bytes", kReaderQueueBytes, nullptr);
    }
    if (factory && std::strcmp(GST_OBJECT_NAME(factory), "avdec_gif") == 0) {
        auto* parts = static_cast<DirectFrontEndParts*>(data);
        std::lock_guard lock(parts->mutex);
        parts->gifDecoder = true;
        parts->changed.notify_all();
    }
}

constexpr int64_t kUnitsPerSecond = 10'000'000;
// How far after the start a picture may begin and still be the one showing at it (times are
// rounded to 100 ns on the way).
constexpr GstClockTime kStartTolerance = GST_MSECOND;

// Moves the reader to `position` of the file's clock, up to the span's stop; every stream then
// brings a new segment and a buffer to its gate. Seeks take positions that a reader may count
// from elsewhere than its buffers' times (an MP4 file's edit list moves one against the other):
// the first segment of the picture tells by how much.
bool seekTo(DirectFrontEndParts& parts, int64_t position) {
    GstClockTimeDiff offset = 0;
    {
        std::lock_guard lock(parts.mutex);
        for (const auto& gate : parts.gates) {
            if (gate->video) {
                offset = gate->seekOffset;
                break;
            }
        }
        for (const auto& gate : parts.gates) {
            gate->segmentsBeforeSeek = gate->segments;
        }
        for (SpanClip* clip : parts.clips) {
            clip->begin();
        }
    }
    // The stop of a span that runs to the file's end is left open: some readers cut the stream
    // at their estimate of its length.
    auto seekPosition = [offset](int64_t time) {
        return static_cast<GstClockTime>(
            std::max<GstClockTimeDiff>(GstClockTimeDiff(toNanoseconds(time)) - offset, 0));
    };
    return gst_pad_send_event(
        parts.gates.front()->pad,
        gst_event_new_seek(1.0, GST_FORMAT_TIME,
                           static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                           GST_SEEK_TYPE_SET, seekPosition(position),
                           parts.span.toEnd ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET,
                           parts.span.toEnd ? GST_CLOCK_TIME_NONE : seekPosition(parts.span.stop)));
}

// Whether the first picture waiting after the seek begins after the span's start.
bool landedAfterStart(DirectFrontEndParts& parts) {
    std::lock_guard lock(parts.mutex);
    for (const auto& gate : parts.gates) {
        if (gate->video && GST_CLOCK_TIME_IS_VALID(gate->waitingAt) &&
            gate->waitingAt > toNanoseconds(parts.span.start) + kStartTolerance) {
            return true;
        }
    }
    return false;
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
    parts->span = *span;
    GstBin* bin = GST_BIN(pipeline);
    for (int index = 0; index < timeline.groupCount(); ++index) {
        const TimelineGroup& group = *timeline.group(index);
        const TimelineSource& source = *group.tracks().front()->sources().front();
        // One chain for each kept stream of the source, in the file's order.
        std::vector<QString> streams = source.keptStreams();
        if (streams.empty()) {
            streams.emplace_back();
        }
        for (const QString& stream : streams) {
            GroupChain chain;
            const Status made = makeGroupChain(bin, group, source, &chain);
            if (failed(made)) {
                *errorText = QStringLiteral("An element of the conversion is not installed.");
                return made;
            }
            chain.streamId = stream;
            parts->groups.push_back(chain);
        }
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
                *errorText = errorTextOf(message.get(), QStringLiteral("?"));
                return false;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                *errorText = statusText(status::kTimeout);
                return false;
            }
        }
    };
    // Every stream has had a segment since the last seek and a buffer of it waits at its gate.
    auto allWaiting = [&] {
        for (const auto& gate : parts->gates) {
            if (gate->segmentOfLastBlock < 0 || gate->segments <= gate->segmentsBeforeSeek ||
                gate->segmentOfLastBlock < gate->segments) {
                return false;
            }
        }
        return !parts->gates.empty();
    };

    gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_PAUSED);
    if (!waitFor([&] { return parts->allPads && allWaiting(); })) {
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

    // A reader that lands after the time asked for (MPEG program streams do, by a second or
    // more) is sent further back; what lies before the start is then dropped on the way out.
    std::vector<int64_t> positions;
    for (const int64_t back : {int64_t(0), 5 * kUnitsPerSecond, 30 * kUnitsPerSecond}) {
        positions.push_back(std::max<int64_t>(span->start - back, 0));
    }
    positions.push_back(0);
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const int64_t position : positions) {
        if (!seekTo(*parts, position)) {
            gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_NULL);
            *errorText = QStringLiteral("The file does not allow moving to the start time.");
            return status::kFail;
        }
        if (!waitFor(allWaiting)) {
            gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_NULL);
            return status::kFail;
        }
        if (!landedAfterStart(*parts)) {
            break;
        }
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
