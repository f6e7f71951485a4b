#include "media/PacketReader.h"

#include <gst/app/gstappsink.h>

#include <QFile>
#include <algorithm>

#include "media/Elements.h"

namespace {

// Enough for a group of pictures of a 1080p camera file, and for several seconds of sound.
constexpr guint kQueuedPackets = 128;
constexpr GstClockTime kPollPeriod = 200 * GST_MSECOND;
// A reader that gives nothing for this long is stuck, not slow.
constexpr int kGiveUpPolls = 150;

bool isWanted(GstPad* pad, const PacketRequest& request) {
    if (!request.streamId.isEmpty()) {
        GCharPtr id(gst_pad_get_stream_id(pad));
        return id && request.streamId == QString::fromUtf8(id.get());
    }
    return padCarries(pad, request.kind);
}

// libav decodes the pictures after a seek onto an open group's key picture right only on frame
// threads (see the render engine's decoder threads); a single core gets two as well.
void onDecoderElement(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && g_str_has_prefix(GST_OBJECT_NAME(factory), "avdec_") &&
        g_object_class_find_property(G_OBJECT_GET_CLASS(element), "max-threads") &&
        g_get_num_processors() < 2) {
        g_object_set(element, "max-threads", 2, nullptr);
    }
}

}  // namespace

Status PacketReader::open(const QString& path, const PacketRequest& request,
                          std::unique_ptr<PacketReader>* reader, QString* error) {
    std::unique_ptr<PacketReader> made(new PacketReader());
    made->request_ = request;
    made->pipeline_ = refSink(gst_pipeline_new("packets"));
    GObjectPtr<GstElement> source;
    GObjectPtr<GstElement> parser;
    GObjectPtr<GstElement> sink;
    if (Status code = makeElement("filesrc", nullptr, &source); failed(code)) {
        return code;
    }
    if (Status code = makeElement(request.decoded ? "decodebin" : "parsebin", nullptr, &parser);
        failed(code)) {
        return code;
    }
    if (Status code = makeElement("appsink", nullptr, &sink); failed(code)) {
        return code;
    }
    g_object_set(source.get(), "location", QFile::encodeName(path).constData(), nullptr);
    g_object_set(sink.get(), "sync", FALSE, "max-buffers", kQueuedPackets, "enable-last-sample",
                 FALSE, nullptr);
    made->sink_ = sink.get();
    GstBin* bin = GST_BIN(made->pipeline_.get());
    gst_bin_add_many(bin, source.get(), parser.get(), sink.get(), nullptr);
    gst_element_link(source.get(), parser.get());
    g_signal_connect(parser.get(), "pad-added", G_CALLBACK(onPadAdded), made.get());
    if (request.decoded) {
        g_signal_connect(parser.get(), "deep-element-added", G_CALLBACK(onDecoderElement), nullptr);
    }

    // Seeking waits for the first packet: only then is the file's layout known.
    gst_element_set_state(made->pipeline_.get(), GST_STATE_PLAYING);
    const bool seeks = request.from > 0 || (request.decoded && request.to >= 0);
    if (seeks) {
        GstMiniPtr<GstSample> first;
        for (int polls = 0; polls < kGiveUpPolls && !first; ++polls) {
            first.reset(gst_app_sink_try_pull_sample(GST_APP_SINK(made->sink_), kPollPeriod));
            if (!first &&
                (gst_app_sink_is_eos(GST_APP_SINK(made->sink_)) || !made->errorText().isEmpty())) {
                break;
            }
        }
        if (!first) {
            *error = made->errorText();
            if (error->isEmpty()) {
                *error = QStringLiteral("The file has no such stream.");
            }
            return status::kUnsupportedStream;
        }
        // Seeks take positions, which an MP4 or Matroska file's edit list moves against the
        // packets' times (each track by its own amount): the first segment tells by how much.
        const GstSegment* firstSegment = gst_sample_get_segment(first.get());
        const GstClockTimeDiff offset =
            firstSegment && firstSegment->format == GST_FORMAT_TIME
                ? GST_CLOCK_DIFF(firstSegment->time, firstSegment->start)
                : 0;
        const auto position = [offset](int64_t time) {
            return std::max<int64_t>(time - offset, 0);
        };
        // Decoded buffers cut to a span are clipped by the decoders; the rest start at the
        // random-access point, and the caller takes what it needs.
        const GstSeekFlags flags = request.decoded && request.to >= 0
                                       ? GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE)
                                       : GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT |
                                                      GST_SEEK_FLAG_SNAP_BEFORE);
        if (!gst_element_seek(
                made->pipeline_.get(), 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                position(request.from),
                request.decoded && request.to >= 0 ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE,
                request.to >= 0 ? position(request.to) : request.to)) {
            *error = QStringLiteral("The file cannot be read from %1 s on.")
                         .arg(double(request.from) / GST_SECOND);
            return status::kStreamError;
        }
    }
    *reader = std::move(made);
    return status::kOk;
}

PacketReader::~PacketReader() {
    if (pipeline_) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    }
}

void PacketReader::onPadAdded(GstElement*, GstPad* pad, gpointer self) {
    static_cast<PacketReader*>(self)->takePad(pad);
}

void PacketReader::takePad(GstPad* pad) {
    GstBin* bin = GST_BIN(pipeline_.get());
    if (taken_ || !isWanted(pad, request_)) {
        linkToFakeSink(bin, pad, false);
        return;
    }
    GstElement* first = sink_;
    if (request_.makeChain || !request_.chain.isEmpty()) {
        GstElement* chain = nullptr;
        if (request_.makeChain) {
            chain = request_.makeChain();
            linkFailure_ = chain ? QString() : QStringLiteral("The compressor cannot be made.");
        } else {
            GError* rawError = nullptr;
            chain = gst_parse_bin_from_description(request_.chain.constData(), TRUE, &rawError);
            GErrorPtr parseError(rawError);
            linkFailure_ = parseError ? QString::fromUtf8(parseError->message) : QString();
        }
        if (!chain || !linkFailure_.isEmpty()) {
            if (chain) {
                gst_object_unref(gst_object_ref_sink(chain));
            }
            linkToFakeSink(bin, pad, false);
            return;
        }
        gst_bin_add(bin, chain);
        gst_element_sync_state_with_parent(chain);
        if (!gst_element_link(chain, sink_)) {
            linkFailure_ = QStringLiteral("The stream cannot be given as it is needed.");
            return;
        }
        first = chain;
    }
    GObjectPtr<GstPad> input(gst_element_get_static_pad(first, "sink"));
    if (gst_pad_link(pad, input.get()) != GST_PAD_LINK_OK) {
        linkFailure_ = QStringLiteral("The stream cannot be given as it is needed.");
        linkToFakeSink(bin, pad, false);
        return;
    }
    taken_ = true;
}

GstBufferPtr PacketReader::next() {
    GstAppSink* sink = GST_APP_SINK(sink_);
    for (int polls = 0; polls < kGiveUpPolls; ++polls) {
        GstMiniPtr<GstSample> sample(gst_app_sink_try_pull_sample(sink, kPollPeriod));
        if (sample) {
            if (!caps_) {
                caps_.reset(gst_caps_ref(gst_sample_get_caps(sample.get())));
            }
            if (const GstSegment* segment = gst_sample_get_segment(sample.get())) {
                gst_segment_copy_into(segment, &segment_);
            }
            GstBuffer* buffer = gst_sample_get_buffer(sample.get());
            return GstBufferPtr(buffer ? gst_buffer_ref(buffer) : nullptr);
        }
        if (gst_app_sink_is_eos(sink) || !errorText().isEmpty()) {
            return nullptr;
        }
    }
    linkFailure_ = QStringLiteral("Reading the file made no progress.");
    return nullptr;
}

GstTagListPtr PacketReader::tags(GstTagScope scope) const {
    GstTagList* merged = gst_tag_list_new_empty();
    gst_tag_list_set_scope(merged, scope);
    GObjectPtr<GstPad> input(gst_element_get_static_pad(sink_, "sink"));
    for (guint index = 0;; ++index) {
        GstMiniPtr<GstEvent> event(gst_pad_get_sticky_event(input.get(), GST_EVENT_TAG, index));
        if (!event) {
            break;
        }
        GstTagList* tags = nullptr;
        gst_event_parse_tag(event.get(), &tags);
        if (gst_tag_list_get_scope(tags) == scope) {
            gst_tag_list_insert(merged, tags, GST_TAG_MERGE_REPLACE);
        }
    }
    return GstTagListPtr(merged);
}

QString PacketReader::errorText() {
    if (!linkFailure_.isEmpty()) {
        return linkFailure_;
    }
    linkFailure_ = takePendingError(pipeline_.get(), QStringLiteral("The file cannot be read."));
    return linkFailure_;
}
