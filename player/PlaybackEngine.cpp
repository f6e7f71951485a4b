#include "player/PlaybackEngine.h"

#include <gst/pbutils/pbutils.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "media/CopiedTimestamps.h"
#include "media/Elements.h"
#include "media/MediaFile.h"
#include "player/AudioOutput.h"
#include "player/SeekCatchUp.h"

namespace {

constexpr auto kOpenTimeout = std::chrono::seconds(20);

// Called on a streaming thread for every element playbin creates.
void onElementSetup(GstElement*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    const char* kind =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (kind && std::strstr(kind, "Decoder") && std::strstr(kind, "Video")) {
        speedUpSeekCatchUp(element);
        ignoreCopiedPresentationTimes(element);
    }
}

Status setState(GstElement* pipeline, GstState state) {
    return gst_element_set_state(pipeline, state) == GST_STATE_CHANGE_FAILURE ? status::kFail
                                                                              : status::kOk;
}

}  // namespace

Status PlaybackEngine::open(const QString& path, std::unique_ptr<PlaybackEngine>* engine,
                            QString* errorText) {
    std::unique_ptr<PlaybackEngine> made(new PlaybackEngine);
    Status result = made->build(path, errorText);
    if (succeeded(result)) {
        result = made->waitUntilOpened(errorText);
    }
    if (succeeded(result)) {
        *engine = std::move(made);
    }
    return result;
}

PlaybackEngine::~PlaybackEngine() {
    if (playbin_) {
        gst_element_set_state(playbin_.get(), GST_STATE_NULL);
        GObjectPtr<GstBus> bus(gst_element_get_bus(playbin_.get()));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
    if (audioOutput_) {
        // Started when it was chosen, and perhaps never taken into the pipeline.
        gst_element_set_state(audioOutput_.get(), GST_STATE_NULL);
    }
}

Status PlaybackEngine::build(const QString& path, QString* errorText) {
    QString missing;
    Status result = FrameSink::create(&frames_, &missing);
    if (failed(result) || failed(result = makeElement("playbin", "player", &playbin_))) {
        if (errorText) {
            *errorText = QStringLiteral("Missing: %1").arg(missing.isEmpty() ? "playbin" : missing);
        }
        return result;
    }
    audioOutput_ = makeAudioOutput();
    const QByteArray uri = fileUri(path).toUtf8();
    g_object_set(playbin_.get(), "uri", uri.constData(), "video-sink", frames_->element(), nullptr);
    // Decoded pictures go straight into the frame sink, which converts and scales them in one
    // pass; playbin's own converters would do the same work twice. Subtitle streams are left
    // alone: their overlay cannot sit in front of a sink that takes the decoders' own formats.
    gst_util_set_object_arg(G_OBJECT(playbin_.get()), "flags",
                            "video+audio+soft-volume+native-video");
    if (audioOutput_) {
        g_object_set(playbin_.get(), "audio-sink", audioOutput_.get(), nullptr);
    }
    g_signal_connect(playbin_.get(), "element-setup", G_CALLBACK(&onElementSetup), nullptr);
    GObjectPtr<GstBus> bus(gst_element_get_bus(playbin_.get()));
    gst_bus_set_sync_handler(bus.get(), &PlaybackEngine::onBusMessage, this, nullptr);
    return status::kOk;
}

Status PlaybackEngine::waitUntilOpened(QString* errorText) {
    const GstStateChangeReturn change = gst_element_set_state(playbin_.get(), GST_STATE_PAUSED);
    std::unique_lock lock(mutex_);
    bool timedOut = false;
    if (change == GST_STATE_CHANGE_SUCCESS || change == GST_STATE_CHANGE_NO_PREROLL) {
        opened_ = true;
    } else if (change == GST_STATE_CHANGE_ASYNC) {
        timedOut = !openDone_.wait_for(lock, kOpenTimeout,
                                       [this] { return opened_ || !openError_.isEmpty(); });
    }
    opening_ = false;
    if (opened_ && openError_.isEmpty()) {
        // The first picture shown is the clip's time 0.
        const VideoFrame first = frames_->latestFrame();
        firstPosition_ = std::max<int64_t>(first.position, 0);
        firstClockTime_ = first.clockTime >= 0 ? first.clockTime : firstPosition_;
        return status::kOk;
    }
    if (errorText) {
        *errorText = timedOut ? QStringLiteral("The file did not open within %1 seconds.")
                                    .arg(std::chrono::seconds(kOpenTimeout).count())
                     : openError_.isEmpty() ? QStringLiteral("The file could not be opened.")
                                            : openError_;
        if (!missing_.isEmpty()) {
            *errorText += QStringLiteral("\nMissing: %1").arg(missing_.join(QStringLiteral(", ")));
        }
    }
    return timedOut ? status::kTimeout : status::kCannotRender;
}

bool PlaybackEngine::hasVideo() const {
    gint videoStreams = 0;
    g_object_get(playbin_.get(), "n-video", &videoStreams, nullptr);
    return videoStreams > 0;
}

Status PlaybackEngine::run() {
    return setState(pipeline(), GST_STATE_PLAYING);
}

Status PlaybackEngine::pause() {
    return setState(pipeline(), GST_STATE_PAUSED);
}

Status PlaybackEngine::rewindAndPause() {
    const Status paused = pause();
    return failed(paused) ? paused : seek(0);
}

Status PlaybackEngine::seek(int64_t position) {
    GstEvent* event = gst_event_new_seek(
        1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
        (firstPosition_ + std::max<int64_t>(position, 0)) * 100, GST_SEEK_TYPE_NONE,
        GST_CLOCK_TIME_NONE);
    const std::optional<PendingSeek> before = pendingSeek_;
    // Counted before it is sent: the pipeline may settle before send_event returns.
    pendingSeek_ = PendingSeek{++seeksSent_, std::max<int64_t>(position, 0)};
    if (!gst_element_send_event(pipeline(), event)) {
        pendingSeek_ = before;
        return status::kFail;
    }
    return status::kOk;
}

Status PlaybackEngine::redraw() {
    if (pendingSeek_) {
        return seek(pendingSeek_->target);  // its picture comes at the new size anyway
    }
    const VideoFrame shown = frames_->latestFrame();
    return shown.clockTime < 0 ? status::kFalse : seek(shown.clockTime - firstClockTime_);
}

Status PlaybackEngine::positions(int64_t* current, int64_t* stop) const {
    gint64 length = 0;
    if (!gst_element_query_duration(pipeline(), GST_FORMAT_TIME, &length) || length < 0) {
        return status::kFail;
    }
    *stop = std::max<int64_t>(length / 100 - firstPosition_, 0);
    if (pendingSeek_) {
        *current = std::min(pendingSeek_->target, *stop);
        return status::kOk;
    }
    // The picture on show tells the position exactly as the conversion counts it: from the
    // first picture, by the times the pictures carry.
    const VideoFrame shown = frames_->latestFrame();
    if (shown.clockTime >= 0) {
        *current = std::clamp<int64_t>(shown.clockTime - firstClockTime_, 0, *stop);
        return status::kOk;
    }
    gint64 position = 0;
    if (!gst_element_query_position(pipeline(), GST_FORMAT_TIME, &position) || position < 0) {
        return status::kFail;
    }
    *current = std::clamp<int64_t>(position / 100 - firstPosition_, 0, *stop);
    return status::kOk;
}

GstBusSyncReply PlaybackEngine::onBusMessage(GstBus*, GstMessage* message, gpointer self) {
    static_cast<PlaybackEngine*>(self)->handleBusMessage(message);
    // A message the handler drops is its to release; kept, it would keep its source alive.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

// Runs on whichever thread posted the message: only the opening handshake is answered here,
// everything else goes to the engine's own thread.
void PlaybackEngine::handleBusMessage(GstMessage* message) {
    std::unique_lock lock(mutex_);
    const bool opening = opening_;
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            const QString text = errorTextOf(message, QStringLiteral("Unknown error."));
            if (opening) {
                if (openError_.isEmpty()) {
                    openError_ = text;
                }
                openDone_.notify_all();
            } else {
                QMetaObject::invokeMethod(
                    this, [this, text] { onStreamError(text); }, Qt::QueuedConnection);
            }
            break;
        }
        case GST_MESSAGE_ASYNC_DONE: {
            if (opening && GST_MESSAGE_SRC(message) == GST_OBJECT(playbin_.get())) {
                opened_ = true;
                openDone_.notify_all();
            }
            const unsigned seeksBefore = seeksSent_.load();
            QMetaObject::invokeMethod(
                this, [this, seeksBefore] { onAsyncDone(seeksBefore); }, Qt::QueuedConnection);
            break;
        }
        case GST_MESSAGE_EOS:
            if (!opening) {
                QMetaObject::invokeMethod(
                    this, [this] { Q_EMIT endOfStream(); }, Qt::QueuedConnection);
            }
            break;
        case GST_MESSAGE_ELEMENT:
            if (gst_is_missing_plugin_message(message)) {
                GCharPtr description(gst_missing_plugin_message_get_description(message));
                missing_.append(QString::fromUtf8(description.get()));
            }
            break;
        default:
            break;
    }
}

void PlaybackEngine::onAsyncDone(unsigned seeksBefore) {
    recovering_ = false;
    // Settled after the latest seek was sent: the pipeline's own position holds again.
    if (pendingSeek_ && pendingSeek_->number == seeksBefore) {
        pendingSeek_.reset();
    }
}

void PlaybackEngine::onStreamError(const QString& text) {
    pendingSeek_.reset();
    gst_element_set_state(pipeline(), GST_STATE_READY);
    // Once back to the first picture; a file that fails again right there stays stopped.
    if (!recovering_) {
        recovering_ = true;
        gst_element_set_state(pipeline(), GST_STATE_PAUSED);
    }
    Q_EMIT streamFailed(text);
}
