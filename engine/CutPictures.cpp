#include "engine/CutPictures.h"

#include <algorithm>
#include <future>
#include <optional>

#include "engine/CopyCodecs.h"
#include "engine/EdgeEncoder.h"
#include "engine/LosslessCut.h"
#include "engine/Mpeg4Seam.h"
#include "media/ParameterSets.h"
#include "media/PictureKinds.h"

namespace {

// Pictures of the group after the end that are read to see whether they lead it.
constexpr size_t kPicturesAfterEnd = 32;
// The most pictures an edge is encoded with (50 s at 30 fps): they wait in memory for the
// writer, and a source that has no picture a copy can start on for longer is no copy.
constexpr size_t kMostEncodedPictures = 1500;

// The times of the index's pictures shown in [low, high), in the order they show.
std::vector<int64_t> timesShownIn(const std::vector<CodedPicture>& index, int64_t low,
                                  int64_t high) {
    std::vector<int64_t> times;
    for (const CodedPicture& picture : index) {
        if (picture.time >= low && picture.time < high) {
            times.push_back(picture.time);
        }
    }
    std::sort(times.begin(), times.end());
    return times;
}

Status encodeEdgeOf(const LosslessCutJob& job, const QString& profile,
                    const std::vector<int64_t>& times, size_t planned, int64_t decodeFrom,
                    int64_t low, int64_t high, std::deque<GstBufferPtr>* packets, GstCapsPtr* caps,
                    QString* error) {
    if (times.size() != planned) {
        *error = QStringLiteral("The source's pictures from %1 s on are not in order.")
                     .arg(double(low) / GST_SECOND, 0, 'f', 3);
        return status::kStreamError;
    }
    const EdgeRequest edge{.path = job.source,
                           .streamId = job.videoStreamId,
                           .codec = job.codec,
                           .profile = profile,
                           .low = low,
                           .high = high,
                           .pictures = times.size(),
                           .decodeFrom = decodeFrom};
    std::vector<GstBufferPtr> encoded;
    if (Status code = encodeEdge(edge, &encoded, caps, error); failed(code)) {
        return code;
    }
    // The edge encoders give their pictures in the order they show. Each takes the time the
    // source's index holds: after a seek onto an open group's key picture the decoder may stamp
    // the first pictures of the next group with a guessed time.
    for (size_t i = 0; i < encoded.size(); ++i) {
        GST_BUFFER_PTS(encoded[i].get()) = GstClockTime(times[i]);
        packets->push_back(std::move(encoded[i]));
    }
    return status::kOk;
}

// An AVI file gives presentation times to its key frames only. MPEG-4 Part 2 pictures without
// B-frames (the only ones copied from AVI) show in decoding order: the others take their
// decoding time.
void giveShownTime(GstBufferPtr* packet, PictureCodec codec) {
    if (codec == PictureCodec::Mpeg4 && !GST_BUFFER_PTS_IS_VALID(packet->get())) {
        packet->reset(gst_buffer_make_writable(packet->release()));
        GST_BUFFER_PTS(packet->get()) = GST_BUFFER_DTS(packet->get());
    }
}

}  // namespace

Status CutPictures::prepare(const LosslessCutJob& job, const std::atomic<bool>& abandoned,
                            const std::atomic<bool>& stopped,
                            std::unique_ptr<CutPictures>* pictures, QString* error) {
    std::unique_ptr<CutPictures> made(new CutPictures());
    made->codec_ = job.codec->pictures;
    if (Status code = made->readIndex(job, error); failed(code)) {
        return code;
    }
    made->plan_ = planLosslessCut(made->index_, job.start, job.stop);
    GstBufferPtr firstCopied;
    if (made->plan_.copyTo > made->plan_.copyFrom) {
        if (Status code = made->openCopy(job, &firstCopied, error); failed(code)) {
            return code;
        }
        if (made->recoveryPoints_[made->plan_.copyFrom] &&
            !made->joinOpenGroup(job, &firstCopied)) {
            // Joined as an IDR picture it would not decode right: those groups are encoded.
            for (size_t i = 0; i < made->index_.size(); ++i) {
                made->index_[i].randomAccess =
                    made->index_[i].randomAccess && !made->recoveryPoints_[i];
            }
            for (size_t leading : made->leadingPictures_) {
                made->index_[leading].skippable = false;
            }
            made->plan_ = planLosslessCut(made->index_, job.start, job.stop);
            made->copy_.reset();
            firstCopied.reset();
            if (made->plan_.copyTo > made->plan_.copyFrom) {
                if (Status code = made->openCopy(job, &firstCopied, error); failed(code)) {
                    return code;
                }
            }
        }
    }
    const LosslessCutPlan& plan = made->plan_;
    if (plan.headPictures > kMostEncodedPictures || plan.tailPictures > kMostEncodedPictures) {
        *error = QStringLiteral("the source has no picture a copy can start on for %1 s.")
                     .arg(kMostEncodedPictures / 30);
        return status::kUnsupportedStream;
    }
    const bool copies = plan.copyTo > plan.copyFrom;
    if (copies) {
        made->caps_.reset(gst_caps_ref(made->copy_->caps()));
        if (made->mpeg4Seam_.isRead()) {
            made->caps_ = made->mpeg4Seam_.withSetup(std::move(made->caps_));
        }
    }
    const GstStructure* source =
        made->caps_ ? gst_caps_get_structure(made->caps_.get(), 0) : nullptr;
    const char* profile = source ? gst_structure_get_string(source, "profile") : nullptr;
    const QString profileName = QString::fromLatin1(profile ? profile : "");
    // The two edges are decoded and encoded side by side: one's decoding fills the cores while
    // the other's encoder waits for pictures.
    GstCapsPtr encodedCaps;
    GstCapsPtr tailCaps;
    QString tailError;
    std::future<Status> tail;
    if (copies && plan.tailPictures > 0 && !abandoned && !stopped) {
        tail = std::async(std::launch::async, [&] {
            return encodeEdgeOf(job, profileName,
                                timesShownIn(made->index_, plan.tailStart, job.stop),
                                plan.tailPictures, made->timeOf(plan.tailDecodeFrom),
                                plan.tailStart, job.stop, &made->tail_, &tailCaps, &tailError);
        });
    }
    Status headCode = status::kOk;
    if (plan.headPictures > 0 && !abandoned) {
        headCode =
            encodeEdgeOf(job, profileName, timesShownIn(made->index_, job.start, plan.headStop),
                         plan.headPictures, made->timeOf(plan.headDecodeFrom), job.start,
                         plan.headStop, &made->head_, &encodedCaps, error);
    }
    const Status tailCode = tail.valid() ? tail.get() : status::kOk;
    if (failed(headCode)) {
        return headCode;
    }
    if (failed(tailCode)) {
        *error = tailError;
        return tailCode;
    }
    if (!encodedCaps) {
        encodedCaps = std::move(tailCaps);
    }
    if (abandoned) {
        return status::kAbort;
    }
    if (!made->caps_) {
        made->caps_ = std::move(encodedCaps);  // nothing copied: all of it is encoded
    }
    if (!made->caps_) {
        *error = QStringLiteral("The source has no pictures in the span.");
        return status::kStreamError;
    }
    if (copies && made->codec_ == PictureCodec::Mpeg4) {
        if (Status code =
                made->mpeg4Seam_.matchEdges(&made->head_, &made->tail_, made->bFrames_, error);
            failed(code)) {
            return code;
        }
    }
    made->encoded_ = made->head_.size() + made->tail_.size();
    made->copied_ = copies ? plan.copiedPictures() : 0;

    // Every picture's presentation time in writing order gives the decoding times.
    std::vector<int64_t> shown;
    for (const GstBufferPtr& packet : made->head_) {
        shown.push_back(int64_t(GST_BUFFER_PTS(packet.get())));
    }
    for (size_t i = plan.copyFrom; i < plan.copyTo; ++i) {
        if (!made->isSkipped(i)) {
            shown.push_back(made->index_[i].time);
        }
    }
    for (const GstBufferPtr& packet : made->tail_) {
        shown.push_back(int64_t(GST_BUFFER_PTS(packet.get())));
    }
    made->decoding_ = decodingTimes(shown);

    if (!made->head_.empty() && copies && !job.codec->endOfSequence.isEmpty()) {
        // The copied picture after the head starts a sequence of its own.
        GstBuffer* last = made->head_.back().release();
        GstBuffer* closing = gst_buffer_new_memdup(job.codec->endOfSequence.constData(),
                                                   gsize(job.codec->endOfSequence.size()));
        made->head_.back().reset(gst_buffer_append(last, closing));
    }
    if (copies) {
        made->head_.push_back(std::move(firstCopied));
        made->position_ = plan.copyFrom + 1;
    }
    *pictures = std::move(made);
    return status::kOk;
}

Status CutPictures::readIndex(const LosslessCutJob& job, QString* error) {
    std::unique_ptr<PacketReader> reader;
    const PacketRequest request{.streamId = job.videoStreamId,
                                .kind = "video/",
                                .chain = job.codec->indexChain,
                                .from = job.start,
                                .decoded = false,
                                .to = -1,
                                .makeChain = {}};
    if (Status code = PacketReader::open(job.source, request, &reader, error); failed(code)) {
        return code;
    }
    PictureKindReader kinds(job.codec->pictures);
    std::optional<int64_t> groupAfterEnd;
    size_t afterEnd = 0;
    while (GstBufferPtr packet = reader->next()) {
        const PictureKind kind = kinds.read(packet.get());
        bFrames_ = bFrames_ || kind.bidirectional;
        if (kind.bidirectional && !GST_BUFFER_PTS_IS_VALID(packet.get())) {
            *error = QStringLiteral(
                "The source's MPEG-4 Part 2 pictures have B-frames, and an AVI file does not say "
                "in which order they show. Choose a compressor, or copy from an MKV or MP4 file.");
            return status::kUnsupportedStream;
        }
        giveShownTime(&packet, job.codec->pictures);
        const GstClockTime time = GST_BUFFER_PTS(packet.get());
        if (!GST_CLOCK_TIME_IS_VALID(time)) {
            *error = QStringLiteral("A picture of the source has no time.");
            return status::kStreamError;
        }
        index_.push_back({.time = int64_t(time),
                          .randomAccess = kind.randomAccess,
                          .skippable = kind.skippable,
                          .leadsOnItsOwn = kind.leadsOnItsOwn});
        recoveryPoints_.push_back(kind.recoveryPoint);
        if (groupAfterEnd) {
            // Past the leading pictures of the group after the end, or far enough.
            if (int64_t(time) > *groupAfterEnd || ++afterEnd >= kPicturesAfterEnd) {
                break;
            }
        } else if (kind.randomAccess && int64_t(time) >= job.stop) {
            groupAfterEnd = int64_t(time);
        }
    }
    if (const QString failure = reader->errorText(); !failure.isEmpty()) {
        *error = failure;
        return status::kStreamError;
    }
    if (index_.empty()) {
        *error = QStringLiteral("The source has no pictures in the span.");
        return status::kStreamError;
    }
    streamTags_ = reader->tags(GST_TAG_SCOPE_STREAM);
    fileTags_ = reader->tags(GST_TAG_SCOPE_GLOBAL);
    markLeadingPictures();
    return status::kOk;
}

// An H.264 recovery point's leading pictures follow it in decoding order and show before it;
// nothing says which they are but their times. They may refer to the group before.
void CutPictures::markLeadingPictures() {
    for (size_t key = 0; key < index_.size(); ++key) {
        if (!recoveryPoints_[key]) {
            continue;
        }
        for (size_t i = key + 1; i < index_.size() && !index_[i].randomAccess; ++i) {
            if (!index_[i].skippable && index_[i].time < index_[key].time) {
                index_[i].skippable = true;
                leadingPictures_.push_back(i);
            }
        }
    }
}

bool CutPictures::joinOpenGroup(const LosslessCutJob& job, GstBufferPtr* firstCopied) {
    if (job.codec->pictures != PictureCodec::H264) {
        return false;
    }
    joiner_ = std::make_unique<OpenGroupStart>();
    QString reason;
    GstBufferPtr joined(joiner_->rewrite(firstCopied->get(), &reason));
    if (!joined) {
        joiner_.reset();
        return false;
    }
    *firstCopied = std::move(joined);
    return true;
}

Status CutPictures::openCopy(const LosslessCutJob& job, GstBufferPtr* firstCopied, QString* error) {
    const int64_t first = index_[plan_.copyFrom].time;
    const PacketRequest copied{.streamId = job.videoStreamId,
                               .kind = "video/",
                               .chain = job.codec->copyChain,
                               .from = first,
                               .decoded = false,
                               .to = -1,
                               .makeChain = {}};
    if (Status code = PacketReader::open(job.source, copied, &copy_, error); failed(code)) {
        return code;
    }
    // The reader starts at the demuxer's random-access point, which may lie before ours: the
    // packets up to the first copied one are passed over.
    while (GstBufferPtr packet = copy_->next()) {
        giveShownTime(&packet, job.codec->pictures);
        if (int64_t(GST_BUFFER_PTS(packet.get())) == first) {
            const QByteArray sets = parameterSetsOf(copy_->caps());
            const bool hevc = job.codec->pictures == PictureCodec::H265;
            if (!sets.isEmpty() && !carriesSequenceParameters(packet.get(), hevc)) {
                // A decoder coming from the encoded head must find the source's own sets here.
                packet.reset(withParameterSets(packet.get(), sets));
            }
            if (job.codec->pictures == PictureCodec::Mpeg4) {
                if (Status code = mpeg4Seam_.read(job, copy_->caps(), error); failed(code)) {
                    return code;
                }
                packet = mpeg4Seam_.opening(std::move(packet));
            }
            *firstCopied = std::move(packet);
            return status::kOk;
        }
    }
    *error =
        QStringLiteral("The picture at %1 s cannot be read again.").arg(double(first) / GST_SECOND);
    return status::kStreamError;
}

int64_t CutPictures::timeOf(size_t position) const {
    return position < index_.size() ? index_[position].time : 0;
}

bool CutPictures::isSkipped(size_t position) const {
    return std::find(plan_.skipped.begin(), plan_.skipped.end(), position) != plan_.skipped.end();
}

GstBufferPtr CutPictures::next(int64_t* decodingTime) {
    if (given_ >= decoding_.size() || !failure_.isEmpty()) {
        return nullptr;
    }
    GstBufferPtr packet;
    if (!head_.empty()) {
        packet = std::move(head_.front());
        head_.pop_front();
    } else if (copy_ && position_ < plan_.copyTo) {
        packet = nextCopied();
    }
    if (!packet && failure_.isEmpty() && !tail_.empty()) {
        packet = std::move(tail_.front());
        tail_.pop_front();
    }
    if (packet) {
        *decodingTime = decoding_[given_++];
    }
    return packet;
}

GstBufferPtr CutPictures::nextCopied() {
    while (position_ < plan_.copyTo) {
        GstBufferPtr packet = copy_->next();
        if (!packet) {
            break;
        }
        giveShownTime(&packet, codec_);
        const int64_t time = int64_t(GST_BUFFER_PTS(packet.get()));
        // A parser may leave out the leading pictures of the group it starts with (h265parse
        // drops RASL pictures there); they are not copied anyway.
        while (position_ < plan_.copyTo && isSkipped(position_) && index_[position_].time != time) {
            ++position_;
        }
        if (position_ >= plan_.copyTo || index_[position_].time != time) {
            // Nothing more is safe to write, not even the tail.
            failure_ = QStringLiteral("The source's pictures differ from what was read of them.");
            return nullptr;
        }
        if (!isSkipped(position_++)) {
            if (joiner_) {
                QString reason;
                GstBufferPtr joined(joiner_->rewrite(packet.get(), &reason));
                if (!joined) {
                    failure_ = QStringLiteral("A copied picture cannot be joined: %1.").arg(reason);
                    return nullptr;
                }
                return joined;
            }
            return packet;
        }
    }
    if (position_ < plan_.copyTo) {
        failure_ = copy_->errorText();
        if (failure_.isEmpty()) {
            failure_ = QStringLiteral("The source ended before its pictures were read again.");
        }
    }
    return nullptr;
}

QString CutPictures::failure() {
    if (failure_.isEmpty() && copy_) {
        failure_ = copy_->errorText();
    }
    return failure_;
}
