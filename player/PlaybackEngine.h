#pragma once

#include <gst/gst.h>

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "media/GPtr.h"
#include "media/Status.h"
#include "player/FrameSink.h"

// Plays one file through GStreamer's playbin: pictures into a FrameSink, sound into the default
// output (or silently where there is none). Owns no widgets. Times are 100-ns units. Whatever the
// pipeline reports arrives on streaming threads and is handed to the thread the engine lives in;
// the signals are emitted there.
class PlaybackEngine : public QObject {
    Q_OBJECT
  public:
    // Builds the pipeline for the file and waits (at most 20 s) until its first picture and sound
    // are ready; the pipeline is then paused at the start. On failure errorText receives the
    // framework's reason, with the names of missing decoders.
    static Status open(const QString& path, std::unique_ptr<PlaybackEngine>* engine,
                       QString* errorText = nullptr);
    ~PlaybackEngine() override;
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    bool hasVideo() const;
    FrameSink& frames() const { return *frames_; }

    Status run();
    Status pause();
    // Pauses at the start of the clip, so that its first picture shows.
    Status rewindAndPause();
    // Shows the exact picture at the position (an accurate seek); playing or paused stays so.
    // Positions count from the clip's first picture, wherever the file's clock starts.
    Status seek(int64_t position);
    // Shows the present picture again (its size changed while nothing plays).
    Status redraw();
    // The clip's length and where it is; fails when the pipeline cannot tell.
    Status positions(int64_t* current, int64_t* stop) const;

  Q_SIGNALS:
    void endOfStream();
    // The pipeline failed while playing; it has been reset to its start (paused) and shows the
    // first picture again, or stays stopped when that fails too.
    void streamFailed(const QString& text);

  private:
    PlaybackEngine() = default;
    Status build(const QString& path, QString* errorText);
    Status waitUntilOpened(QString* errorText);
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void handleBusMessage(GstMessage* message);
    void onAsyncDone(unsigned seeksBefore);
    void onStreamError(const QString& text);
    GstElement* pipeline() const { return playbin_.get(); }

    std::unique_ptr<FrameSink> frames_;
    GObjectPtr<GstElement> audioOutput_;
    GObjectPtr<GstElement> playbin_;

    // Opening: the bus handler tells the waiting open() how it went.
    std::mutex mutex_;
    std::condition_variable openDone_;
    bool opening_ = true;
    bool opened_ = false;
    QString openError_;
    QStringList missing_;

    // A seek in flight: until the pipeline settles, the position is the one asked for.
    struct PendingSeek {
        unsigned number = 0;
        int64_t target = 0;
    };
    std::optional<PendingSeek> pendingSeek_;
    std::atomic<unsigned> seeksSent_{0};
    bool recovering_ = false;
    // The first picture shown: where a seek finds it, and the time it carries (see
    // MediaFile::firstPictureTime), which differ where the reader maps one onto the other.
    int64_t firstPosition_ = 0;
    int64_t firstClockTime_ = 0;
};
