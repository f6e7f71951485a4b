#include "media/SoundClip.h"

#include <gst/gst.h>

#include <QFile>
#include <atomic>
#include <functional>
#include <mutex>

#include "media/Elements.h"
#include "media/GPtr.h"

// The pipeline of one clip, shared with the framework's threads: work handed to them holds a
// weak reference, so a clip deleted meanwhile is simply not played. Every state change runs on
// the framework's thread pool (gst_element_call_async), one at a time, never on the UI thread.
class SoundClip::Player {
  public:
    Player() = default;
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Builds the pipeline; on failure returns the reason.
    QString build(const QByteArray& wave, const char* audioSink, SoundClip* owner);
    void setSelf(const std::weak_ptr<Player>& self) { self_ = self; }

    void requestStart();
    // Stops the pipeline for good; after it returns the owner is never called again.
    void close();

  private:
    struct FrameworkWork {
        std::weak_ptr<Player> player;
        std::function<void(Player&)> work;
    };

    static void onNeedData(GstElement* source, guint length, gpointer self);
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);

    void runOnFrameworkThread(std::function<void(Player&)> work);
    void restart();
    void stopIfStill(uint64_t run);
    void endRun(const QString& failure);
    void reportFailure(const QString& failure);

    std::weak_ptr<Player> self_;
    GObjectPtr<GstElement> pipeline_;
    GstElement* sink_ = nullptr;  // held by the pipeline
    GstMiniPtr<GstBuffer> wave_;
    std::atomic<SoundClip*> owner_{nullptr};
    std::atomic<bool> startPending_{false};
    std::atomic<uint64_t> run_{0};
    std::mutex stateMutex_;  // one state change at a time
    bool closed_ = false;    // under stateMutex_
};

namespace {

// The automatic sound output settles for a fake one when no real output works; it would then
// search again on every start, in vain.
bool playsIntoNothing(GstElement* sink) {
    if (!GST_IS_BIN(sink)) {
        return false;
    }
    bool fake = false;
    GstIterator* iterator = gst_bin_iterate_elements(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(iterator, &item) == GST_ITERATOR_OK) {
        auto* child = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(child);
        const char* name = factory ? GST_OBJECT_NAME(factory) : "";
        fake = fake || g_str_equal(name, "fakesink") || g_str_equal(name, "fakeaudiosink");
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(iterator);
    return fake;
}

}  // namespace

SoundClip::Player::~Player() {
    if (pipeline_) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline_.get()));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
}

QString SoundClip::Player::build(const QByteArray& wave, const char* audioSink, SoundClip* owner) {
    if (wave.isEmpty()) {
        return QStringLiteral("The sound has no data.");
    }
    pipeline_ = refSink(gst_pipeline_new("sound-clip"));
    GObjectPtr<GstElement> source, parser, converter, resampler, sink;
    const char* const factories[] = {"appsrc", "wavparse", "audioconvert", "audioresample",
                                     audioSink};
    GObjectPtr<GstElement>* const elements[] = {&source, &parser, &converter, &resampler, &sink};
    for (size_t i = 0; i < std::size(factories); ++i) {
        if (failed(makeElement(factories[i], nullptr, elements[i]))) {
            pipeline_.reset();
            return QStringLiteral("Missing: %1").arg(missingElementDescription(factories[i]));
        }
        gst_bin_add(GST_BIN(pipeline_.get()), elements[i]->get());
    }
    QString failedLink;
    if (failed(linkChain({source.get(), parser.get(), converter.get(), resampler.get(), sink.get()},
                         &failedLink))) {
        pipeline_.reset();
        return QStringLiteral("Could not link %1").arg(failedLink);
    }
    sink_ = sink.get();
    GstCapsPtr caps(gst_caps_new_empty_simple("audio/x-wav"));
    g_object_set(source.get(), "caps", caps.get(), "format", GST_FORMAT_BYTES, nullptr);
    g_signal_connect(source.get(), "need-data", G_CALLBACK(&Player::onNeedData), this);
    wave_.reset(gst_buffer_new_memdup(wave.constData(), static_cast<gsize>(wave.size())));

    owner_ = owner;
    GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), &Player::onBusMessage, this, nullptr);
    return {};
}

void SoundClip::Player::onNeedData(GstElement* source, guint, gpointer self) {
    // The whole clip at once: it is a few kilobytes.
    auto* player = static_cast<Player*>(self);
    GstFlowReturn result = GST_FLOW_OK;
    g_signal_emit_by_name(source, "push-buffer", player->wave_.get(), &result);
    g_signal_emit_by_name(source, "end-of-stream", &result);
}

GstBusSyncReply SoundClip::Player::onBusMessage(GstBus*, GstMessage* message, gpointer self) {
    auto* player = static_cast<Player*>(self);
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            player->endRun({});
            break;
        case GST_MESSAGE_ERROR:
            player->endRun(errorTextOf(message, QStringLiteral("The sound failed.")));
            break;
        default:
            break;
    }
    gst_message_unref(message);  // dropped here, so released here
    return GST_BUS_DROP;
}

void SoundClip::Player::runOnFrameworkThread(std::function<void(Player&)> work) {
    auto* call = new FrameworkWork{self_, std::move(work)};
    gst_element_call_async(
        pipeline_.get(),
        [](GstElement*, gpointer data) {
            auto* call = static_cast<FrameworkWork*>(data);
            if (std::shared_ptr<Player> player = call->player.lock()) {
                call->work(*player);
            }
        },
        call, [](gpointer data) { delete static_cast<FrameworkWork*>(data); });
}

void SoundClip::Player::requestStart() {
    // Starts asked for while one is still waiting fold into it.
    if (!startPending_.exchange(true)) {
        runOnFrameworkThread([](Player& player) { player.restart(); });
    }
}

void SoundClip::Player::restart() {
    std::lock_guard lock(stateMutex_);
    startPending_ = false;
    if (closed_) {
        return;
    }
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    ++run_;
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        reportFailure(QStringLiteral("The sound output could not start."));
    } else if (playsIntoNothing(sink_)) {
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        reportFailure(QStringLiteral("There is no sound output."));
    }
}

void SoundClip::Player::stopIfStill(uint64_t run) {
    std::lock_guard lock(stateMutex_);
    // A start after the end of this run has its own end to wait for.
    if (!closed_ && run == run_.load()) {
        // Back to nothing, so that the sound device is free between clicks.
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    }
}

void SoundClip::Player::endRun(const QString& failure) {
    const uint64_t run = run_.load();
    runOnFrameworkThread([run](Player& player) { player.stopIfStill(run); });
    if (!failure.isNull()) {
        reportFailure(failure);
        return;
    }
    if (SoundClip* owner = owner_.load()) {
        QMetaObject::invokeMethod(
            owner, [owner] { Q_EMIT owner->finished(); }, Qt::QueuedConnection);
    }
}

void SoundClip::Player::reportFailure(const QString& failure) {
    if (SoundClip* owner = owner_.load()) {
        QMetaObject::invokeMethod(
            owner, [owner, failure] { owner->markSilent(failure); }, Qt::QueuedConnection);
    }
}

void SoundClip::Player::close() {
    std::lock_guard lock(stateMutex_);
    closed_ = true;
    if (pipeline_) {
        // Joins the streaming threads: no bus message can reach the owner after this.
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    }
    owner_ = nullptr;
}

SoundClip::SoundClip(const QByteArray& wave, QObject* parent, const char* audioSink)
    : QObject(parent) {
    auto player = std::make_shared<Player>();
    player->setSelf(player);
    if (!player->build(wave, audioSink, this).isEmpty()) {
        silent_ = true;
        return;
    }
    player_ = std::move(player);
}

SoundClip::~SoundClip() {
    if (player_) {
        player_->close();
    }
}

std::unique_ptr<SoundClip> SoundClip::fromFile(const QString& path, QObject* parent) {
    QFile file(path);
    const QByteArray wave = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return std::make_unique<SoundClip>(wave, parent);
}

void SoundClip::play() {
    if (!silent_ && player_) {
        player_->requestStart();
    }
}

void SoundClip::markSilent(const QString& reason) {
    if (silent_) {
        return;
    }
    silent_ = true;
    Q_EMIT becameSilent(reason);
}
