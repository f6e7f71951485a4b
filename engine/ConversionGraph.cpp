#include "engine/ConversionGraph.h"

#include <gst/pbutils/pbutils.h>

#include <chrono>

#include "media/BufferReach.h"
#include "media/Elements.h"
#include "media/RenderEngine.h"

ConversionGraph::ConversionGraph(std::unique_ptr<RenderEngine> engine)
    : engine_(std::move(engine)) {
    GObjectPtr<GstBus> bus(gst_pipeline_get_bus(pipeline()));
    gst_bus_set_sync_handler(bus.get(), &ConversionGraph::onBusMessage, this, nullptr);
}

ConversionGraph::~ConversionGraph() {
    if (GstPipeline* graph = pipeline()) {
        gst_element_set_state(GST_ELEMENT(graph), GST_STATE_NULL);
        GObjectPtr<GstBus> bus(gst_pipeline_get_bus(graph));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
    branches_.clear();
    engine_->scrapIt();
}

GstPipeline* ConversionGraph::pipeline() const {
    return engine_->filterGraph();
}

void ConversionGraph::addBranch(GstPad* timelinePad, GstElement* firstElement, bool video) {
    // The picture measures progress; sound only when there is no picture.
    if (!progressPad_ || (video && !progressIsVideo_)) {
        progressPad_ = timelinePad;
        progressIsVideo_ = video;
    }
    branches_.push_back({timelinePad, addRef(firstElement), video});
    gst_pad_add_probe(timelinePad, GST_PAD_PROBE_TYPE_BUFFER, &ConversionGraph::onBuffer, this,
                      nullptr);
}

GstPadProbeReturn ConversionGraph::onBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    auto* graph = static_cast<ConversionGraph*>(self);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    // After Stop the timeline's buffers no longer go into the file.
    if (graph->finishing_.load()) {
        return GST_PAD_PROBE_OK;
    }
    if (pad == graph->progressPad_.load()) {
        extendReach(graph->writtenTime_, pad, buffer);
    }
    extendReach(graph->furthestWrittenTime_, pad, buffer);
    return GST_PAD_PROBE_OK;
}

void ConversionGraph::watchWriter(GstElement* writer) {
    GObjectPtr<GstPad> output(gst_element_get_static_pad(writer, "src"));
    if (output) {
        gst_pad_add_probe(output.get(), GST_PAD_PROBE_TYPE_BUFFER, &ConversionGraph::onWritten,
                          this, nullptr);
    }
}

GstPadProbeReturn ConversionGraph::onWritten(GstPad*, GstPadProbeInfo* info, gpointer self) {
    static_cast<ConversionGraph*>(self)->writtenBytes_ +=
        static_cast<int64_t>(gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)));
    return GST_PAD_PROBE_OK;
}

Status ConversionGraph::run(QString* errorText) {
    const GstStateChangeReturn result =
        gst_element_set_state(GST_ELEMENT(pipeline()), GST_STATE_PLAYING);
    if (result != GST_STATE_CHANGE_FAILURE) {
        // Every element is active now: the sources' first pictures may go in.
        engine_->start();
        return status::kOk;
    }
    if (errorText) {
        *errorText = pendingErrorText();
    }
    gst_element_set_state(GST_ELEMENT(pipeline()), GST_STATE_NULL);
    return status::kFail;
}

QString ConversionGraph::errorText() {
    std::lock_guard lock(mutex_);
    return errorText_;
}

QString ConversionGraph::pendingErrorText() {
    std::lock_guard lock(mutex_);
    QString text =
        errorText_.isEmpty() ? QStringLiteral("The conversion could not start.") : errorText_;
    if (!missingCodecs_.isEmpty()) {
        text += QStringLiteral("\nMissing: %1").arg(missingCodecs_);
    }
    return text;
}

GstBusSyncReply ConversionGraph::onBusMessage(GstBus*, GstMessage* message, gpointer self) {
    static_cast<ConversionGraph*>(self)->handleBusMessage(message);
    // A message the handler drops is its to release; kept, it would keep its source alive.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void ConversionGraph::handleBusMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS: {
            {
                std::lock_guard lock(mutex_);
                endOfStreamSeen_ = true;
            }
            endOfStream_.notify_all();
            QMetaObject::invokeMethod(
                this, [this] { Q_EMIT completed(); }, Qt::QueuedConnection);
            break;
        }
        case GST_MESSAGE_ERROR: {
            const QString text = errorTextOf(message, QStringLiteral("Unknown error."));
            QString shown;
            {
                std::lock_guard lock(mutex_);
                if (!errorText_.isEmpty()) {
                    break;  // the first error is the cause; the rest follow from it
                }
                errorText_ = text;
            }
            endOfStream_.notify_all();  // a finish waiting for the end learns of the error
            shown = pendingErrorText();
            QMetaObject::invokeMethod(
                this, [this, shown] { Q_EMIT failed(shown); }, Qt::QueuedConnection);
            break;
        }
        case GST_MESSAGE_ELEMENT:
            if (gst_is_missing_plugin_message(message)) {
                GCharPtr description(gst_missing_plugin_message_get_description(message));
                std::lock_guard lock(mutex_);
                if (!missingCodecs_.isEmpty()) {
                    missingCodecs_ += QStringLiteral(", ");
                }
                missingCodecs_ += QString::fromUtf8(description.get());
            }
            break;
        default:
            break;
    }
}

void ConversionGraph::beginFinish() {
    if (finishing_.exchange(true)) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (endOfStreamSeen_) {
            return;
        }
    }
    for (Branch& branch : branches_) {
        // Nothing more from the timeline: its threads wait here, so the sources stop being read
        // and the encoders have the processor to themselves. The end of the stream goes in
        // behind what is queued; stopping the pipeline releases the waiting threads.
        gst_pad_add_probe(
            branch.timelinePad,
            static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER |
                                         GST_PAD_PROBE_TYPE_BUFFER_LIST),
            [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
        // Sending waits until the branch's queue has room for it, which takes as long as the
        // encoder needs for a picture: it is done on one of GStreamer's threads, not this one.
        gst_element_call_async(
            branch.firstElement.get(),
            [](GstElement* first, gpointer) {
                GObjectPtr<GstPad> sink(gst_element_get_static_pad(first, "sink"));
                if (sink) {
                    gst_pad_send_event(sink.get(), gst_event_new_eos());
                }
            },
            nullptr, nullptr);
    }
}

bool ConversionGraph::finishAndWait(int timeoutMs) {
    beginFinish();
    std::unique_lock lock(mutex_);
    return endOfStream_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return endOfStreamSeen_ || !errorText_.isEmpty();
    }) && endOfStreamSeen_;
}

void ConversionGraph::stop() {
    if (GstPipeline* graph = pipeline()) {
        gst_element_set_state(GST_ELEMENT(graph), GST_STATE_NULL);
    }
}

StreamsReached ConversionGraph::sourceReach() const {
    return engine_->sourceReach();
}
