#pragma once

#include <QString>
#include <vector>

#include "engine/CopyCodecs.h"
#include "media/PacketReader.h"

// The pictures at one edge of a copied cut, encoded again with the source's codec: decoded from
// the source, and those with low <= time < high given to the codec's edge encoder.
struct EdgeRequest {
    QString path;
    QString streamId;  // empty: the first video stream
    const CopyCodec* codec = nullptr;
    QString profile;  // the source's, for encoders that take one; empty: the encoder's choice
    int64_t low = 0;  // ns on the file's clock
    int64_t high = 0;
    size_t pictures = 0;  // how many the cut's plan counts there
    // The random-access picture the decoding starts on. A demuxer seeking to `low` may pick a
    // later one whose decoding time lies before `low`, and lose the pictures shown before it.
    int64_t decodeFrom = 0;
};

// The encoded packets in decoding order, their presentation times the source's, and their caps.
// Fails, saying why, when the encoder cannot be made or gives another number of pictures than
// the plan's.
Status encodeEdge(const EdgeRequest& request, std::vector<GstBufferPtr>* packets, GstCapsPtr* caps,
                  QString* error);
