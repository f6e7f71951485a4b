#include "engine/Mpeg4Seam.h"

#include <memory>

#include "engine/LosslessCut.h"
#include "media/Mpeg4Headers.h"
#include "media/ParameterSets.h"

Status Mpeg4Seam::read(const LosslessCutJob& job, const GstCaps* copyCaps, QString* error) {
    setup_ = mpeg4ConfigOf(copyCaps);
    if (setup_.isEmpty()) {
        std::unique_ptr<PacketReader> start;
        const PacketRequest fromStart{.streamId = job.videoStreamId,
                                      .kind = "video/",
                                      .chain = {},
                                      .from = -1,
                                      .decoded = false,
                                      .to = -1,
                                      .makeChain = {}};
        if (Status code = PacketReader::open(job.source, fromStart, &start, error); failed(code)) {
            return code;
        }
        GstBufferPtr first = start->next();
        setup_ = mpeg4ConfigOf(start->caps());
        if (setup_.isEmpty()) {
            setup_ = mpeg4ConfigIn(first.get());
        }
    }
    if (setup_.isEmpty()) {
        *error = QStringLiteral(
            "The source's MPEG-4 Part 2 pictures carry no setup to start a copy with.");
        return status::kUnsupportedStream;
    }
    return status::kOk;
}

GstBufferPtr Mpeg4Seam::opening(GstBufferPtr firstCopied) const {
    if (readMpeg4Packet(firstCopied.get()).carriesConfig) {
        return firstCopied;
    }
    return GstBufferPtr(withParameterSets(firstCopied.get(), setup_));
}

GstCapsPtr Mpeg4Seam::withSetup(GstCapsPtr caps) const {
    if (!mpeg4ConfigOf(caps.get()).isEmpty()) {
        return caps;
    }
    // A writer puts the setup in the file's header, where players look first.
    GstCapsPtr writable(gst_caps_make_writable(caps.release()));
    GstBufferPtr setup(gst_buffer_new_memdup(setup_.constData(), gsize(setup_.size())));
    gst_caps_set_simple(writable.get(), "codec_data", GST_TYPE_BUFFER, setup.get(), nullptr);
    return writable;
}

Status Mpeg4Seam::matchEdges(std::deque<GstBufferPtr>* head, std::deque<GstBufferPtr>* tail,
                             bool bFrames, QString* error) const {
    const bool lowDelay = mpeg4LowDelay(setup_).value_or(!bFrames);
    for (std::deque<GstBufferPtr>* edge : {head, tail}) {
        for (GstBufferPtr& packet : *edge) {
            GstBuffer* matched = withMpeg4LowDelay(packet.get(), lowDelay);
            if (!matched) {
                *error = QStringLiteral(
                    "The encoder's MPEG-4 Part 2 setup cannot be matched to the source's.");
                return status::kUnsupportedStream;
            }
            packet.reset(matched);
        }
    }
    return status::kOk;
}
