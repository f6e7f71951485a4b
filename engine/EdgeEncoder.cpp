#include "engine/EdgeEncoder.h"

#include <algorithm>

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>

#include <QRegularExpression>
#include <thread>

#include "media/Elements.h"

namespace {

// Raw pictures waiting for the encoder: a few are enough to keep it busy.
constexpr guint64 kQueuedPictures = 3;
constexpr auto kWaitStep = std::chrono::milliseconds(5);
constexpr GstClockTime kPullTimeout = 60 * GST_SECOND;

QByteArray encoderChain(const EdgeRequest& request, const GstCaps* decoded) {
    QString chain = QString::fromLatin1(request.codec->edgeChain);
    if (chain.contains(QLatin1String("%1"))) {
        chain = request.profile.isEmpty()
                    ? chain.remove(QRegularExpression(QStringLiteral("\\S+,profile=%1 ! ")))
                    : chain.arg(request.profile);
    }
    // The encoder takes the source's own layout of samples; nothing is converted on the way.
    const char* format = gst_structure_get_string(gst_caps_get_structure(decoded, 0), "format");
    return QStringLiteral(
               "appsrc name=pictures format=time ! videoconvert ! "
               "video/x-raw,format=%1 ! %2 ! appsink name=packets sync=false")
        .arg(QString::fromLatin1(format ? format : "I420"), chain)
        .toUtf8();
}

// The encoder's pipeline: raw pictures in, packets out.
class EdgePipeline {
  public:
    Status open(const QByteArray& description, GstCaps* caps, QString* error) {
        GError* rawError = nullptr;
        pipeline_ = refSink(gst_parse_launch(description.constData(), &rawError));
        GErrorPtr parseError(rawError);
        if (!pipeline_ || parseError) {
            *error = parseError ? QString::fromUtf8(parseError->message) : QString();
            return status::kNoDecoder;
        }
        source_.reset(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "pictures"));
        sink_.reset(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "packets"));
        gst_app_src_set_caps(GST_APP_SRC(source_.get()), caps);
        if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            *error = failure();
            return status::kCannotConnect;
        }
        return status::kOk;
    }
    ~EdgePipeline() {
        if (pipeline_) {
            gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        }
    }
    bool push(GstBufferPtr picture) {
        GstAppSrc* source = GST_APP_SRC(source_.get());
        while (gst_app_src_get_current_level_buffers(source) >= kQueuedPictures) {
            if (!failure().isEmpty()) {
                return false;
            }
            std::this_thread::sleep_for(kWaitStep);
        }
        return gst_app_src_push_buffer(source, picture.release()) == GST_FLOW_OK;
    }
    // Ends the input and takes every packet the encoder gives.
    bool drain(std::vector<GstBufferPtr>* packets, GstCapsPtr* caps) {
        gst_app_src_end_of_stream(GST_APP_SRC(source_.get()));
        GstAppSink* sink = GST_APP_SINK(sink_.get());
        while (true) {
            GstMiniPtr<GstSample> sample(gst_app_sink_try_pull_sample(sink, kPullTimeout));
            if (!sample) {
                return gst_app_sink_is_eos(sink) && failure().isEmpty();
            }
            // Encoders may move their output's times (x264enc by 1000 hours, to keep decoding
            // times positive) and say so in the segment; the pictures go in on a plain one, so
            // the running time is the source's time again.
            if (!*caps) {
                caps->reset(gst_caps_ref(gst_sample_get_caps(sample.get())));
            }
            GstBuffer* packet = gst_buffer_copy(gst_sample_get_buffer(sample.get()));
            const GstSegment* segment = gst_sample_get_segment(sample.get());
            if (segment && GST_BUFFER_PTS_IS_VALID(packet)) {
                GST_BUFFER_PTS(packet) =
                    gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(packet));
            }
            GST_BUFFER_DTS(packet) = GST_CLOCK_TIME_NONE;  // the cut gives every picture its own
            packets->emplace_back(packet);
        }
    }
    QString failure() {
        if (failure_.isEmpty() && pipeline_) {
            failure_ = takePendingError(pipeline_.get(), QStringLiteral("The encoder failed."));
        }
        return failure_;
    }

  private:
    GObjectPtr<GstElement> pipeline_;
    GObjectPtr<GstElement> source_;
    GObjectPtr<GstElement> sink_;
    QString failure_;
};

}  // namespace

Status encodeEdge(const EdgeRequest& request, std::vector<GstBufferPtr>* packets, GstCapsPtr* caps,
                  QString* error) {
    std::unique_ptr<PacketReader> reader;
    const PacketRequest decoding{.streamId = request.streamId,
                                 .kind = "video/",
                                 .chain = {},
                                 .from = std::min(request.decodeFrom, request.low),
                                 .decoded = true,
                                 .to = -1,
                                 .makeChain = {}};
    if (Status code = PacketReader::open(request.path, decoding, &reader, error); failed(code)) {
        return code;
    }
    EdgePipeline encoder;
    bool opened = false;
    size_t given = 0;
    while (given < request.pictures) {
        GstBufferPtr picture = reader->next();
        if (!picture) {
            break;
        }
        const GstClockTime time = GST_BUFFER_PTS(picture.get());
        if (!GST_CLOCK_TIME_IS_VALID(time) || int64_t(time) < request.low) {
            continue;
        }
        if (int64_t(time) >= request.high) {
            break;
        }
        if (!opened) {
            if (Status code =
                    encoder.open(encoderChain(request, reader->caps()), reader->caps(), error);
                failed(code)) {
                return code;
            }
            opened = true;
        }
        if (!encoder.push(std::move(picture))) {
            *error = encoder.failure();
            return status::kStreamError;
        }
        ++given;
    }
    if (given != request.pictures) {
        const QString reason = reader->errorText();
        *error = QStringLiteral("%1 of the %2 pictures from %3 s on could be decoded%4")
                     .arg(given)
                     .arg(request.pictures)
                     .arg(double(request.low) / GST_SECOND, 0, 'f', 3)
                     .arg(reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + reason);
        return status::kStreamError;
    }
    if (opened && !encoder.drain(packets, caps)) {
        *error = encoder.failure();
        return status::kStreamError;
    }
    if (packets->size() != request.pictures) {
        *error = QStringLiteral("The encoder gave %1 pictures for %2.")
                     .arg(packets->size())
                     .arg(request.pictures);
        return status::kStreamError;
    }
    return status::kOk;
}
