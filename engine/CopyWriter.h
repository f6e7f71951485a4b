#pragma once

#include <gst/gst.h>

#include <QString>
#include <atomic>
#include <vector>

#include "media/CuePacer.h"
#include "media/GPtr.h"
#include "media/PacketReader.h"
#include "media/Status.h"

struct LosslessCutJob;

// One stream of a copied cut as the writer takes it: the packets' caps and the stream's tags.
struct CopiedStream {
    GstCaps* caps = nullptr;
    const GstTagList* tags = nullptr;  // none when null
};

// The writer of a copied cut: one input for the pictures and one for each sound track, fed in
// time order from one thread. Times are given as they stand in the source; the writer's segment
// makes the cut's start its 0, and kTimeOrigin keeps the decoding times before it positive.
class CopyWriter {
  public:
    static constexpr GstClockTime kTimeOrigin = 1000 * GST_SECOND;

    CopyWriter() = default;
    ~CopyWriter();
    CopyWriter(const CopyWriter&) = delete;
    CopyWriter& operator=(const CopyWriter&) = delete;

    // Input 0 takes the pictures, input 1 + n sound track n; `fileTags` are the source's own
    // (its title, say). `writtenBytes` counts what the writer gives out.
    Status open(const LosslessCutJob& job, const CopiedStream& video,
                const std::vector<CopiedStream>& sounds, const GstTagList* fileTags,
                std::atomic<int64_t>* writtenBytes, QString* error);
    // Waits while the input's queue is full (the writer takes the packets in time order, so a
    // full queue empties), but not past a failure of the writer, which would never empty it.
    bool push(size_t input, GstBufferPtr packet);
    void endInput(size_t input);
    // Waits until the writer has closed the file; false (with the reason) when it failed.
    bool waitForEnd(QString* error);
    // The writer's failure, or empty.
    QString failure();

  private:
    bool addInput(GstElement* mux, const CopiedStream& stream, const char* padName, guint queued,
                  QString* error);
    static GstPadProbeReturn onWritten(GstPad*, GstPadProbeInfo* info, gpointer bytes);

    GObjectPtr<GstElement> pipeline_;
    std::vector<GstElement*> inputs_;  // owned by the pipeline
    std::vector<guint64> queued_;      // the most packets each holds
    std::vector<GstCapsPtr> caps_;
    GstSegment segment_{};
    QString failure_;
    std::shared_ptr<CuePacer> pacer_;
};
