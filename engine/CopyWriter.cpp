#include "engine/CopyWriter.h"

#include <gst/app/gstappsrc.h>

#include <QFile>
#include <chrono>
#include <thread>

#include "engine/LosslessCut.h"
#include "engine/OutputGraph.h"
#include "engine/SourceExtras.h"
#include "media/Elements.h"
#include "output/formats/OutputFormats.h"

namespace {

constexpr guint kQueuedVideo = 64;
constexpr guint kQueuedSound = 512;
constexpr GstClockTime kEndTimeout = 30 * GST_SECOND;
constexpr auto kWaitStep = std::chrono::milliseconds(2);

}  // namespace

Status CopyWriter::open(const LosslessCutJob& job, const CopiedStream& video,
                        const std::vector<CopiedStream>& sounds, const GstTagList* fileTags,
                        std::atomic<int64_t>* writtenBytes, QString* error) {
    pipeline_ = refSink(gst_pipeline_new("copy"));
    GObjectPtr<GstElement> mux;
    GObjectPtr<GstElement> sink;
    if (failed(makeElement(job.format->writer, "writer", &mux)) ||
        failed(makeElement("filesink", "file", &sink))) {
        *error = QStringLiteral("The %1 writer is not installed.")
                     .arg(QString::fromLatin1(job.format->name));
        return status::kNoDecoder;
    }
    applyWriterSettings(mux.get(), *job.format, job.scratchPath);
    // The chapters of the span and the recording time, as a re-encoded cut keeps them. The job's
    // span lies a unit before the marks, so that a picture at a mark counts as at it.
    const std::optional<SourceExtras> extras =
        SourceExtras::read(job.source, job.start / LosslessCutJob::kNsPerUnit + 1,
                           job.stop / LosslessCutJob::kNsPerUnit + 1);
    if (extras) {
        extras->giveWriter(mux.get());
    }
    if (fileTags && GST_IS_TAG_SETTER(mux.get())) {
        gst_tag_setter_merge_tags(GST_TAG_SETTER(mux.get()), fileTags, GST_TAG_MERGE_KEEP);
    }
    g_object_set(sink.get(), "location", QFile::encodeName(job.writePath).constData(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline_.get()), mux.get(), sink.get(), nullptr);
    gst_element_link(mux.get(), sink.get());
    GObjectPtr<GstPad> written(gst_element_get_static_pad(mux.get(), "src"));
    gst_pad_add_probe(written.get(), GST_PAD_PROBE_TYPE_BUFFER, &CopyWriter::onWritten,
                      writtenBytes, nullptr);
    if (!addInput(mux.get(), video, "video_%u", kQueuedVideo, error)) {
        return status::kCannotConnect;
    }
    for (const CopiedStream& sound : sounds) {
        if (!addInput(mux.get(), sound, "audio_%u", kQueuedSound, error)) {
            return status::kCannotConnect;
        }
    }
    if (extras && !job.subtitleTracks.empty()) {
        // The cues keep pace with the pictures and sound, so that a stop ends them there too.
        pacer_ = std::make_shared<CuePacer>();
        pacer_->watchPadsOf(mux.get());
        for (const SourceTrack& track : job.subtitleTracks) {
            GObjectPtr<GstElement> cues = extras->makeCueSource(track, false, pacer_.get());
            if (!cues) {
                continue;  // nothing of it shows in the span
            }
            gst_bin_add(GST_BIN(pipeline_.get()), cues.get());
            if (!gst_element_link_pads(cues.get(), "src", mux.get(), "subtitle_%u")) {
                *error = QStringLiteral("The subtitles could not be written.");
                return status::kCannotConnect;
            }
        }
    }
    gst_segment_init(&segment_, GST_FORMAT_TIME);
    segment_.start = kTimeOrigin;
    segment_.time = 0;
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        *error = failure();
        return status::kCannotConnect;
    }
    return status::kOk;
}

CopyWriter::~CopyWriter() {
    if (pipeline_) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    }
}

// Waits while the input's queue is full (the writer takes the packets in time order, so a
// full queue empties), but not past a failure of the writer, which would never empty it.
bool CopyWriter::push(size_t input, GstBufferPtr packet) {
    GstAppSrc* source = GST_APP_SRC(inputs_[input]);
    while (gst_app_src_get_current_level_buffers(source) >= queued_[input]) {
        if (!failure().isEmpty()) {
            return false;
        }
        std::this_thread::sleep_for(kWaitStep);
    }
    // The writer takes every track in time order: the subtitles must come as far as the
    // pictures and sound are queued, not merely as far as the writer took them.
    GstClockTime end = GST_BUFFER_PTS(packet.get());
    if (GST_BUFFER_DURATION_IS_VALID(packet.get())) {
        end += GST_BUFFER_DURATION(packet.get());
    }
    GstMiniPtr<GstSample> sample(
        gst_sample_new(packet.get(), caps_[input].get(), &segment_, nullptr));
    if (gst_app_src_push_sample(GST_APP_SRC(inputs_[input]), sample.get()) != GST_FLOW_OK) {
        return false;
    }
    if (pacer_ && GST_CLOCK_TIME_IS_VALID(end) && end > kTimeOrigin) {
        pacer_->reached(end - kTimeOrigin);
    }
    return true;
}

void CopyWriter::endInput(size_t input) {
    gst_app_src_end_of_stream(GST_APP_SRC(inputs_[input]));
}

// Waits until the writer has closed the file; false (with the reason) when it failed.
bool CopyWriter::waitForEnd(QString* error) {
    if (!failure_.isEmpty()) {
        *error = failure_;
        return false;
    }
    GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    GstMessagePtr message(gst_bus_timed_pop_filtered(
        bus.get(), kEndTimeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    if (message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS) {
        return true;
    }
    *error = message ? errorTextOf(message.get(), QStringLiteral("The writer failed."))
                     : QStringLiteral("The writer did not finish the file.");
    return false;
}

QString CopyWriter::failure() {
    if (failure_.isEmpty()) {
        failure_ = takePendingError(pipeline_.get(), QStringLiteral("The writer failed."));
    }
    return failure_;
}

bool CopyWriter::addInput(GstElement* mux, const CopiedStream& stream, const char* padName,
                          guint queued, QString* error) {
    GstCaps* caps = stream.caps;
    GObjectPtr<GstElement> source;
    if (failed(makeElement("appsrc", nullptr, &source))) {
        return false;
    }
    g_object_set(source.get(), "format", GST_FORMAT_TIME, "caps", caps, "block", FALSE, "max-bytes",
                 guint64(0), "max-buffers", guint64(queued), "handle-segment-change", TRUE,
                 nullptr);
    gst_bin_add(GST_BIN(pipeline_.get()), source.get());
    GObjectPtr<GstPad> output(gst_element_get_static_pad(source.get(), "src"));
    GObjectPtr<GstPad> input(gst_element_request_pad_simple(mux, padName));
    if (!input || gst_pad_link(output.get(), input.get()) != GST_PAD_LINK_OK) {
        GCharPtr described(gst_caps_to_string(caps));
        *error =
            QStringLiteral("The writer does not take %1.").arg(QString::fromUtf8(described.get()));
        return false;
    }
    // Ahead of the packets, as a demuxer gives them: the writer keeps a picture's turn and a
    // track's language from them.
    if (stream.tags && !gst_tag_list_is_empty(stream.tags)) {
        gst_element_send_event(source.get(), gst_event_new_tag(gst_tag_list_copy(stream.tags)));
    }
    inputs_.push_back(source.get());
    queued_.push_back(queued);
    caps_.emplace_back(gst_caps_ref(caps));
    return true;
}

GstPadProbeReturn CopyWriter::onWritten(GstPad*, GstPadProbeInfo* info, gpointer bytes) {
    *static_cast<std::atomic<int64_t>*>(bytes) +=
        int64_t(gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)));
    return GST_PAD_PROBE_OK;
}
