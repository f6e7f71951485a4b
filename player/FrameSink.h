#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "media/GPtr.h"
#include "media/Status.h"

// One picture as the player window shows it.
struct VideoFrame {
    QImage image;            // already upright and scaled to the size asked for
    int64_t position = -1;   // the picture's time in the clip, 100-ns units; -1: no picture
    int64_t clockTime = -1;  // the time the picture carries in the file, 100-ns units
    QSize displayedSize;     // the source picture upright with square pixels
    quint64 serial = 0;      // counts the pictures delivered, from 1
};

// The video end of the player's pipeline: turns pictures upright (phone recordings carry their
// rotation as a tag), scales them to the size the window shows them at, and keeps only the latest
// one for the window to paint. Pictures arrive on streaming threads; frameArrived() is emitted on
// the thread the sink lives in, at most once per paint, so nothing queues up without bound.
class FrameSink : public QObject {
    Q_OBJECT
  public:
    // Fails with kNoDecoder (and the element's name in missing) when an element is not installed.
    static Status create(std::unique_ptr<FrameSink>* sink, QString* missing = nullptr);
    ~FrameSink() override;

    // The bin to give the pipeline as its video sink (borrowed).
    GstElement* element() const { return bin_.get(); }

    // The size pictures are scaled to; an empty size keeps the displayed size.
    void setOutputSize(QSize size);

    VideoFrame latestFrame() const;
    // Empty before the first picture's format is known.
    QSize displayedSize() const;

  Q_SIGNALS:
    void frameArrived();

  private:
    FrameSink() = default;
    Status build(QString* missing);
    static GstFlowReturn onPreroll(GstAppSink* appSink, gpointer self);
    static GstFlowReturn onSample(GstAppSink* appSink, gpointer self);
    // Notes the stored picture's size and its rotation tag as they come into the sink.
    static GstPadProbeReturn onSourceEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void keep(GstSample* sample);
    QSize displayedSizeLocked() const;

    GObjectPtr<GstElement> bin_;
    GstElement* sizeFilter_ = nullptr;  // inside bin_

    mutable std::mutex mutex_;
    VideoFrame latest_;
    QSize sourceSize_;
    bool turnedSideways_ = false;
    quint64 delivered_ = 0;
    std::atomic<bool> notifyPending_{false};
};
