#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

#include "media/SourceReach.h"

// What a conversion job runs and watches: something that writes the output file on threads of
// its own and tells the job, as signals on the job's thread, when the file is done or has failed.
// A re-encoding conversion is one (ConversionGraph), a copied cut another (LosslessCut).
class WritingGraph : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Starts ending the written file properly and returns at once; completed() follows.
    virtual void beginFinish() = 0;
    virtual bool isFinishing() const = 0;
    // Ends the file as beginFinish does and waits at most `timeoutMs`; true when it finished.
    virtual bool finishAndWait(int timeoutMs) = 0;
    // Stops writing and closes the file, finished or not.
    virtual void stop() = 0;
    // The text of the first failure, or empty.
    virtual QString errorText() = 0;
    // How far the conversion got, in 100-ns units of the output: the picture, and the furthest
    // stream.
    virtual int64_t writtenTime() const = 0;
    virtual int64_t furthestWrittenTime() const = 0;
    virtual int64_t writtenBytes() const = 0;
    // How far the source's streams were read, each on its own clock in 100-ns units.
    virtual StreamsReached sourceReach() const = 0;

  Q_SIGNALS:
    // The writer wrote the end of the stream: the span was written, or the finish is done.
    void completed();
    void failed(const QString& text);
};
