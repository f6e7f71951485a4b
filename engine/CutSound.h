#pragma once

#include <gst/gst.h>

#include <QString>
#include <memory>

#include "media/PacketReader.h"
#include "media/Status.h"

struct LosslessCutJob;

// One sound track of a copied cut: the source's packets whose middle lies in the span (copied),
// or the span encoded again, cut exactly by the decoder.
class CutSound {
  public:
    static Status open(const LosslessCutJob& job, size_t track, std::unique_ptr<CutSound>* sound,
                       QString* error);

    // The caps of the packets; null when the track has nothing in the span.
    GstCaps* caps() const { return hasPackets_ ? reader_->caps() : nullptr; }
    // The track's tags (its language and title among them).
    GstTagListPtr tags() const { return reader_->tags(GST_TAG_SCOPE_STREAM); }
    // The next packet, its time on the picture's clock; null at the end.
    GstBufferPtr next();

  private:
    explicit CutSound(const LosslessCutJob& job) : job_(job) {}
    GstBufferPtr read();

    const LosslessCutJob& job_;
    std::unique_ptr<PacketReader> reader_;
    GstBufferPtr first_;
    bool hasPackets_ = false;
};
