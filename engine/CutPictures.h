#pragma once

#include <gst/gst.h>

#include <QString>
#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "engine/LosslessCutPlan.h"
#include "engine/Mpeg4Seam.h"
#include "media/OpenGroupStart.h"
#include "media/PacketReader.h"
#include "media/PictureKinds.h"
#include "media/Status.h"

struct LosslessCutJob;

// The pictures of a copied cut in writing order: the encoded head, the copied groups as the
// file holds them, the encoded tail, each with the decoding time it is written with.
class CutPictures {
  public:
    // Reads the index of the source's pictures, plans the cut, opens the copy and encodes the
    // edges. `abandoned` ends the work early (kAbort); after `stopped` the end is not encoded,
    // as nothing will be written of it.
    static Status prepare(const LosslessCutJob& job, const std::atomic<bool>& abandoned,
                          const std::atomic<bool>& stopped, std::unique_ptr<CutPictures>* pictures,
                          QString* error);

    // The caps of the packets, for the writer.
    GstCaps* caps() const { return caps_.get(); }
    // The tags of the picture stream (its turn among them) and of the whole source.
    const GstTagList* streamTags() const { return streamTags_.get(); }
    const GstTagList* fileTags() const { return fileTags_.get(); }
    // The next packet, its decoding time in `decodingTime` (on the file's clock); null at the end,
    // or when the copy no longer reads what the index holds (see failure()).
    GstBufferPtr next(int64_t* decodingTime);
    size_t count() const { return decoding_.size(); }
    size_t copied() const { return copied_; }
    size_t encoded() const { return encoded_; }
    // Why the pictures ended before count(); empty when they did not.
    QString failure();

  private:
    CutPictures() = default;
    Status readIndex(const LosslessCutJob& job, QString* error);
    Status openCopy(const LosslessCutJob& job, GstBufferPtr* firstCopied, QString* error);
    GstBufferPtr nextCopied();
    bool isSkipped(size_t position) const;
    int64_t timeOf(size_t position) const;  // 0 past the index
    void markLeadingPictures();
    // Makes the first copied picture, an H.264 recovery point, an IDR one and keeps on joining
    // the copied pictures after it; false where that stream cannot be joined so.
    bool joinOpenGroup(const LosslessCutJob& job, GstBufferPtr* firstCopied);

    PictureCodec codec_ = PictureCodec::Other;
    std::vector<CodedPicture> index_;
    GstTagListPtr streamTags_;
    GstTagListPtr fileTags_;
    std::vector<bool> recoveryPoints_;     // beside the index
    std::vector<size_t> leadingPictures_;  // of the recovery points
    std::unique_ptr<OpenGroupStart> joiner_;
    Mpeg4Seam mpeg4Seam_;
    bool bFrames_ = false;  // whether the index holds MPEG-4 Part 2 B-VOPs
    LosslessCutPlan plan_;
    std::deque<GstBufferPtr> head_;  // with the first copied picture at its end
    std::unique_ptr<PacketReader> copy_;
    size_t position_ = 0;  // where the copy's next packet stands in the index
    std::deque<GstBufferPtr> tail_;
    std::vector<int64_t> decoding_;
    size_t given_ = 0;
    size_t copied_ = 0;
    size_t encoded_ = 0;
    GstCapsPtr caps_;
    QString failure_;
};
