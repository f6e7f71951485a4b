#pragma once

#include <gst/gst.h>

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/WritingGraph.h"
#include "media/GPtr.h"
#include "media/Status.h"

class RenderEngine;

// A built conversion pipeline, from the render engine's timeline to the writer. It runs on
// GStreamer's streaming threads; what they report reaches the program as signals on the thread
// that owns this object, never as calls from those threads.
class ConversionGraph : public WritingGraph {
    Q_OBJECT
  public:
    explicit ConversionGraph(std::unique_ptr<RenderEngine> engine);
    ~ConversionGraph() override;

    RenderEngine& engine() { return *engine_; }
    GstPipeline* pipeline() const;

    // Marks the first element of the branch fed by a timeline output pad: Stop ends the file
    // there, and the branch's progress is watched. The first video branch decides the progress.
    void addBranch(GstPad* timelinePad, GstElement* firstElement, bool video);

    // Marks the writer, whose output counts as progress while a file is being finished.
    void watchWriter(GstElement* writer);

    // Starts the pipeline. On failure errorText gets the framework's explanation.
    Status run(QString* errorText);

    // Starts ending the written file properly and returns at once: the timeline stops delivering
    // and the end of the stream goes in behind what is queued, through the encoders (which may
    // take seconds to drain) into the writer. completed() tells when the writer has finished.
    void beginFinish() override;
    bool isFinishing() const override { return finishing_.load(); }

    // Ends the file the way beginFinish does and waits, at most `timeoutMs`, for the writer to
    // finish. True when it finished. For the one place that cannot wait for a signal.
    bool finishAndWait(int timeoutMs) override;

    // Stops the pipeline and closes the file, finished or not.
    void stop() override;

    // The framework's text of the first error, or empty.
    QString errorText() override;

    // How far the conversion got, in 100-ns units of the output.
    int64_t writtenTime() const override { return writtenTime_.load(); }
    // How far the furthest stream got: a stream shorter than the other in the source (sound
    // running past the picture) ends before the span without anything missing.
    int64_t furthestWrittenTime() const override { return furthestWrittenTime_.load(); }
    // Bytes the writer gave out so far (0 without a writer).
    int64_t writtenBytes() const override { return writtenBytes_.load(); }
    StreamsReached sourceReach() const override;

  private:
    struct Branch {
        GstPad* timelinePad = nullptr;  // owned by the timeline
        GObjectPtr<GstElement> firstElement;
        bool video = false;
    };

    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    static GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    static GstPadProbeReturn onWritten(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void handleBusMessage(GstMessage* message);
    QString pendingErrorText();

    std::unique_ptr<RenderEngine> engine_;
    std::vector<Branch> branches_;
    std::atomic<int64_t> writtenTime_{0};
    std::atomic<int64_t> furthestWrittenTime_{0};
    std::atomic<int64_t> writtenBytes_{0};
    std::atomic<GstPad*> progressPad_{nullptr};
    bool progressIsVideo_ = false;
    std::atomic<bool> finishing_{false};

    std::mutex mutex_;
    std::condition_variable endOfStream_;
    bool endOfStreamSeen_ = false;
    QString errorText_;
    QString missingCodecs_;
};
